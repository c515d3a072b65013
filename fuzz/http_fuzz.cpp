#include "FuzzInput.h"
#include "ReplyStream.h"

#include "net/ESocketError.h"
#include "net/HttpReplyReader.h"
#include "net/TagSocket.h"

#include <QBuffer>

using namespace SocketErrors;

namespace {

struct Failed {
    int number;
};

// The HTTP client's connection, played from the fuzz input.
class StreamSource : public HttpReplyReader::Source {
public:
    explicit StreamSource(ReplyStream& stream) : m_stream(stream) {}

    QString replyLine() override
    {
        QString line;
        switch (m_stream.takeLine(line)) {
        case ReplyStream::Line::Taken: return line;
        case ReplyStream::Line::TooLong: throw Failed{ReplyTooLarge};
        case ReplyStream::Line::Closed: break;
        }
        throw Failed{ClosedEarly};
    }

    bool replyBytes(QIODevice& stream, qint64 count, qint64 limit) override
    {
        bool cut = false;
        if (!m_stream.takeBytes(stream, count, limit, cut))
            replyFault(ClosedEarly);
        return cut;
    }

    [[noreturn]] void replyFault(int number) override { throw Failed{number}; }

private:
    ReplyStream& m_stream;
};

// A chunk size read without the reader: hexadecimal digits, leading zeros
// any number of them, below 2^63; -1 for anything else.
qint64 expectedChunkSize(QString line)
{
    line = line.section(u';', 0, 0).trimmed();
    while (line.size() > 1 && line.startsWith(u'0'))
        line.remove(0, 1);
    if (line.isEmpty() || line.size() > 16)
        return -1;
    quint64 size = 0;
    for (const QChar c : line) {
        const char16_t u = c.unicode();
        const int digit = (u >= u'0' && u <= u'9') ? u - u'0'
            : (u >= u'a' && u <= u'f') ? u - u'a' + 10
            : (u >= u'A' && u <= u'F') ? u - u'A' + 10
            : -1;
        if (digit < 0)
            return -1;
        size = size * 16 + quint64(digit);
    }
    return size >= (quint64(1) << 63) ? -1 : qint64(size);
}

void checkHead(const QStringList& headers, qsizetype longest)
{
    FUZZ_CHECK(!headers.isEmpty() && headers.size() <= HttpReplyReader::MaxHeaderLines + 1);
    FUZZ_CHECK(headers.last().isEmpty());
    for (qsizetype i = 0; i + 1 < headers.size(); ++i) {
        const QString& line = headers[i];
        FUZZ_CHECK(!line.isEmpty() && line.size() <= longest);
        FUZZ_CHECK(!line.contains(u'\n') && !line.endsWith(u'\r'));
        FUZZ_CHECK(HttpReplyReader::chunkSize(line) == expectedChunkSize(line));
    }
}

// The body a chunked reply carries, decoded once more from where the head
// ended, and kept to the limit the same way: what fits of the chunk that
// passes it, nothing after.
QByteArray decodeChunks(const ReplyStream& original, qsizetype from, qsizetype longest, qint64 limit, bool& cut)
{
    ReplyStream stream(original.bytes().mid(from), longest, ReplyStream::Ends::All);
    QBuffer body;
    body.open(QIODevice::WriteOnly);
    qint64 total = 0;
    cut = false;
    for (;;) {
        QString line;
        FUZZ_CHECK(stream.takeLine(line) == ReplyStream::Line::Taken);
        if (line.isEmpty())
            FUZZ_CHECK(stream.takeLine(line) == ReplyStream::Line::Taken);
        const qint64 size = expectedChunkSize(line);
        FUZZ_CHECK(size >= 0);
        if (size == 0)
            return body.data();
        bool ignored = false;
        if (limit >= 0 && quint64(total) + quint64(size) > quint64(limit)) {
            FUZZ_CHECK(stream.takeBytes(body, limit - total, -1, ignored));
            cut = true;
            return body.data();
        }
        FUZZ_CHECK(stream.takeBytes(body, size, -1, ignored));
        total += size;
    }
}

} // namespace

// The first byte picks the body's limit in memory (or none), the second the
// longest line; the rest is what the server sends. Whatever it sends, the head
// is bounded, the body keeps to its limit, and a body the reader takes whole
// is exactly what the reply carries: its chunks, its length, or all up to the close.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const uint8_t limitByte = input.byte();
    const qint64 limit = limitByte == 255 ? -1 : qint64(limitByte) * 16;
    const uint8_t lineByte = input.byte();
    const qsizetype longest = lineByte >= 128 ? TagSocket::MaxLineLength : qsizetype(lineByte) + 1;
    ReplyStream stream(input.rest(), longest, ReplyStream::Ends::All);
    StreamSource source(stream);

    QStringList headers;
    QBuffer body;
    body.open(QIODevice::WriteOnly);
    qsizetype headEnd = 0;
    bool cut = false;
    try {
        int status = HttpReplyReader::readHead(source, headers);
        checkHead(headers, longest);
        if (status == 100) {
            status = HttpReplyReader::readHead(source, headers);
            checkHead(headers, longest);
        }
        headEnd = stream.at();
        cut = HttpReplyReader::readBody(source, headers, body, limit);
    } catch (const Failed& failed) {
        FUZZ_CHECK(failed.number == ReplyTooLarge || failed.number == ClosedEarly
                   || failed.number == InvalidChunkSize);
        if (limit >= 0)
            FUZZ_CHECK(body.size() <= limit);
        return 0;
    }

    const QByteArray& got = body.data();
    if (limit >= 0)
        FUZZ_CHECK(got.size() <= limit);
    if (cut)
        FUZZ_CHECK(limit >= 0 && got.size() == limit);
    const QByteArray rest = stream.bytes().mid(headEnd);
    if (HttpReplyReader::headerValue(headers, QStringLiteral("Transfer-Encoding")).toLower().contains(u"chunked")) {
        bool expectedCut = false;
        FUZZ_CHECK(decodeChunks(stream, headEnd, longest, limit, expectedCut) == got);
        FUZZ_CHECK(cut == expectedCut);
        return 0;
    }
    bool number = false;
    const qint64 length =
        HttpReplyReader::headerValue(headers, QStringLiteral("Content-Length")).toLongLong(&number);
    if (number && length >= 0) {
        FUZZ_CHECK(cut ? length > got.size() : length == got.size());
        FUZZ_CHECK(rest.startsWith(got));
    } else {
        // Up to the close.
        FUZZ_CHECK(cut ? rest.size() > got.size() && rest.startsWith(got) : rest == got);
    }
    return 0;
}
