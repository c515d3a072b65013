#pragma once

#include <QString>
#include <QStringList>

class QIODevice;

// Reads an HTTP reply from whatever supplies its lines and bytes: the head
// (status line and header lines up to the empty line) and the body, chunked,
// with a length or up to the close. It keeps nothing of its own; the client
// keeps the head it is given.
class HttpReplyReader {
public:
    // What the reader reads from: the client's connection. Each call fails
    // (throws) the way the connection fails, and never returns from a failure.
    class Source {
    public:
        virtual ~Source() = default;
        // The next line without the CR and LF characters at its end.
        virtual QString replyLine() = 0;
        // Appends `count` bytes (-1: all until the peer closes) to the stream,
        // keeping at most `limit` (-1: no limit). True when bytes beyond the limit were left unread.
        virtual bool replyBytes(QIODevice& stream, qint64 count, qint64 limit) = 0;
        // Fails the reply with the error number.
        [[noreturn]] virtual void replyFault(int number) = 0;
    };

    // Reads the head into `headers` (the status line, the header lines and the
    // empty line that ends them); more than MaxHeaderLines lines fail with
    // ReplyTooLarge. The status code, or -1 when the status line names none.
    static int readHead(Source& source, QStringList& headers);
    // The status code of the head's status line, or -1 when it names none.
    static int statusOf(const QStringList& headers);
    // The value of the first header line of that name (any case), trimmed; empty when none.
    static QString headerValue(const QStringList& headers, const QString& name);
    // Reads the body the head announces into `body`, keeping at most `limit`
    // bytes (-1: all). True when bytes beyond the limit were dropped. A
    // chunk size line that is no size fails with InvalidChunkSize.
    static bool readBody(Source& source, const QStringList& headers, QIODevice& body, qint64 limit);
    // A chunk size line: hexadecimal digits, an optional ";" extension, blanks
    // around. -1 for anything else, or a size of 2^63 or more.
    static qint64 chunkSize(const QString& line);

    static constexpr int MaxHeaderLines = 200;
};
