#pragma once

#include <QString>

#include <array>
#include <optional>

// Reads the FTP server's replies from whatever supplies their lines: one line,
// or several from "nnn-" to the line with the same three characters and a
// blank (or those three alone). It counts the lines since the last command,
// preliminary replies included, so that a server cannot keep the client
// reading forever.
class FtpReplyReader {
public:
    // What the reader reads from: the client's control connection. A line
    // that cannot be read fails (throws) the way the connection fails.
    class Source {
    public:
        virtual ~Source() = default;
        // The next line without its CR LF.
        virtual QString replyLine() = 0;
    };

    // The address a 227 reply announces.
    struct PassiveAddress {
        std::array<int, 4> host{};
        quint16 port = 0;
    };

    // A command went out: its replies count from here.
    void restart() { m_lines = 0; }
    // The next whole reply; its last line. The line past MaxReplyLines since
    // restart() fails with EIPPortError TooLong before it is read.
    QString read(Source& source);

    // The three digits a reply line begins with, or 0.
    static int codeOf(const QString& line);
    // The address of a 227 reply: from its first "(" six numbers 0-255
    // separated by commas (blanks around them allowed), h1-h4 then p1 and p2.
    // None when any is missing or out of range.
    static std::optional<PassiveAddress> passiveAddress(const QString& reply);

    static constexpr int MaxReplyLines = 1000;

private:
    QString nextLine(Source& source);

    int m_lines = 0;
};
