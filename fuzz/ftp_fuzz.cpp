#include "FuzzInput.h"
#include "ReplyStream.h"

#include "net/CIPPort.h"
#include "net/FtpReplyReader.h"
#include "net/TFtpClient.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// The FTP client's control connection, played from the fuzz input; it keeps
// the lines of the reply being read.
class StreamSource : public FtpReplyReader::Source {
public:
    explicit StreamSource(ReplyStream& stream) : m_stream(stream) {}

    QString replyLine() override
    {
        QString line;
        switch (m_stream.takeLine(line)) {
        case ReplyStream::Line::Taken: break;
        case ReplyStream::Line::TooLong: throw EIPPortError(EIPPortError::TooLong);
        case ReplyStream::Line::Closed: throw EIPPortError(EIPPortError::Closed);
        }
        lines.append(line);
        return line;
    }

    QStringList lines;

private:
    ReplyStream& m_stream;
};

bool endsReply(const QString& line, const QString& code)
{
    return line.startsWith(code) && (line.size() == 3 || line.at(3) == u' ');
}

// The six numbers of a 227 reply read once more without the reader: at its
// first "(", separated by commas, blanks around them, one to four digits each.
void checkPassive(const QString& reply)
{
    static const QRegularExpression numbers(
        QStringLiteral("\\( *([0-9]{1,4}) *, *([0-9]{1,4}) *, *([0-9]{1,4}) *, *([0-9]{1,4}) *, *([0-9]{1,4})"
                       " *, *([0-9]{1,4})"));
    const auto address = FtpReplyReader::passiveAddress(reply);
    const qsizetype open = reply.indexOf(u'(');
    const QRegularExpressionMatch match = open < 0
        ? QRegularExpressionMatch()
        : numbers.match(reply, open, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
    bool inRange = match.hasMatch();
    for (int n = 1; inRange && n <= 6; ++n)
        inRange = match.captured(n).toInt() <= 255;
    FUZZ_CHECK(address.has_value() == inRange);
    if (!address)
        return;
    for (int n = 0; n < 4; ++n) {
        const int part = address->host[size_t(n)];
        FUZZ_CHECK(part >= 0 && part <= 255 && part == match.captured(n + 1).toInt());
    }
    FUZZ_CHECK(address->port == match.captured(5).toInt() * 256 + match.captured(6).toInt());
}

} // namespace

// The first byte picks the longest line; the rest is what the server sends,
// read reply after reply until it ends. A reply of several lines ends only on
// the first line with its code and a blank; the code is three digits or 0;
// no command gets more than its share of lines; a 227 reply gives an address
// and port only when every number is there and in range.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const uint8_t lineByte = input.byte();
    const qsizetype longest = lineByte >= 128 ? TFtpClient::MaxReplyLineLength : qsizetype(lineByte) + 3;
    ReplyStream stream(input.rest(), longest, ReplyStream::Ends::One);
    StreamSource source(stream);
    FtpReplyReader reader;
    int sinceCommand = 0;
    for (;;) {
        source.lines.clear();
        QString last;
        try {
            last = reader.read(source);
        } catch (const EIPPortError& error) {
            FUZZ_CHECK(error.kind() == EIPPortError::TooLong || error.kind() == EIPPortError::Closed);
            sinceCommand += int(source.lines.size());
            // Too many lines stop the reading before the line past the bound is taken.
            FUZZ_CHECK(sinceCommand <= FtpReplyReader::MaxReplyLines);
            return 0;
        }
        const QStringList& lines = source.lines;
        sinceCommand += int(lines.size());
        FUZZ_CHECK(sinceCommand <= FtpReplyReader::MaxReplyLines);
        FUZZ_CHECK(!lines.isEmpty() && last == lines.last());
        const QString& first = lines.first();
        if (first.size() >= 4 && first.at(3) == u'-') {
            const QString code = first.left(3);
            FUZZ_CHECK(lines.size() >= 2 && endsReply(last, code));
            for (qsizetype i = 1; i + 1 < lines.size(); ++i)
                FUZZ_CHECK(!endsReply(lines[i], code));
        } else {
            FUZZ_CHECK(lines.size() == 1);
        }
        const int code = FtpReplyReader::codeOf(last);
        FUZZ_CHECK(code >= 0 && code <= 999);
        if (code != 0)
            FUZZ_CHECK(code == last.left(3).toInt() && last.at(0).isDigit());
        checkPassive(last);
        // A final reply ends the command; the next command's replies count afresh.
        if (!last.startsWith(u'1')) {
            reader.restart();
            sinceCommand = 0;
        }
    }
}
