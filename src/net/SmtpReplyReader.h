#pragma once

#include "net/SmtpSession.h"

#include <QString>

// Reads a mail server's replies from whatever supplies their lines: one line,
// or several from "nnn-" to the line with the same code and a blank (or the
// code alone). The reply keeps at most MaxReplyLines lines, each cut to
// SmtpSession::MaxKeptLength, and its whole last line.
class SmtpReplyReader {
public:
    // What the reader reads from: the client's connection. Each call fails
    // (throws) the way the connection fails, and never returns from a failure.
    class Source {
    public:
        virtual ~Source() = default;
        // The next line without its CR LF.
        virtual QString replyLine() = 0;
        // Fails the reply with the error number.
        [[noreturn]] virtual void replyFault(int number) = 0;
    };

    // The next whole reply. A line past MaxReplyLines fails with ReplyTooLong once it is read.
    static SmtpSession::Reply read(Source& source);
    // The number the first three characters of a reply line form, or -1.
    static int codeOf(const QString& text);

    static constexpr int MaxReplyLines = 1000;
};
