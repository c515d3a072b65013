#include "FuzzInput.h"
#include "ReplyStream.h"

#include "net/ESocketError.h"
#include "net/SmtpReplyReader.h"
#include "net/TmsSMTP.h"

#include <QStringList>

using namespace SocketErrors;

namespace {

struct Failed {
    int number;
};

// The mail client's connection, played from the fuzz input; it keeps the
// lines of the reply being read.
class StreamSource : public SmtpReplyReader::Source {
public:
    explicit StreamSource(ReplyStream& stream) : m_stream(stream) {}

    QString replyLine() override
    {
        QString line;
        switch (m_stream.takeLine(line)) {
        case ReplyStream::Line::Taken: break;
        case ReplyStream::Line::TooLong: throw Failed{ReplyTooLong};
        case ReplyStream::Line::Closed: throw Failed{ClosedEarly};
        }
        lines.append(line);
        return line;
    }

    [[noreturn]] void replyFault(int number) override { throw Failed{number}; }

    QStringList lines;

private:
    ReplyStream& m_stream;
};

bool endsReply(const QString& line, int code)
{
    return SmtpReplyReader::codeOf(line) == code && (line.indexOf(u' ') == 3 || line.size() == 3);
}

// Any reply may be the answer to EHLO: what it offers is upper case, named
// once, and a sign-in mechanism only under AUTH.
void checkExtensions(const SmtpSession::Reply& reply)
{
    const SmtpSession::Extensions offered = SmtpSession::extensionsOf(reply);
    for (const QStringList* names : {&offered.keywords, &offered.authMechanisms}) {
        for (const QString& name : *names) {
            FUZZ_CHECK(!name.isEmpty() && name == name.toUpper() && names->count(name) == 1);
            FUZZ_CHECK(!name.contains(u' ') && !name.contains(u'\t'));
        }
    }
    FUZZ_CHECK(offered.authMechanisms.isEmpty() || offered.keywords.contains(u"AUTH"));
    FUZZ_CHECK(offered.keywords.size() < qMax<qsizetype>(reply.lines.size(), 1));
}

} // namespace

// The first byte picks the longest line; the rest is what the server sends,
// read reply after reply until it ends. The code is three digits or -1; a
// reply of several lines ends only on the first line with its code and a
// blank; a reply keeps no more lines than its bound, each cut to the length
// kept, and its whole last line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const uint8_t lineByte = input.byte();
    const qsizetype longest = lineByte >= 128 ? TmsSMTP::MaxReplyLineLength : qsizetype(lineByte) * 8 + 3;
    ReplyStream stream(input.rest(), longest, ReplyStream::Ends::All);
    StreamSource source(stream);
    for (;;) {
        source.lines.clear();
        SmtpSession::Reply reply;
        try {
            reply = SmtpReplyReader::read(source);
        } catch (const Failed& failed) {
            FUZZ_CHECK(failed.number == ReplyTooLong || failed.number == ClosedEarly);
            // Too many lines fail once the line past the bound is read, and not before.
            FUZZ_CHECK(source.lines.size() <= SmtpReplyReader::MaxReplyLines + 1);
            return 0;
        }
        const QStringList& lines = source.lines;
        FUZZ_CHECK(!lines.isEmpty() && lines.size() <= SmtpReplyReader::MaxReplyLines);
        FUZZ_CHECK(reply.text == lines.last());
        FUZZ_CHECK(reply.lines.size() == lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            FUZZ_CHECK(reply.lines[i] == lines[i].left(SmtpSession::MaxKeptLength));
        const QString& first = lines.first();
        FUZZ_CHECK(reply.code == -1 || (reply.code >= 0 && reply.code <= 999 && first.at(0).isDigit()));
        FUZZ_CHECK(reply.code == SmtpReplyReader::codeOf(first));
        if (first.indexOf(u'-') == 3) {
            FUZZ_CHECK(lines.size() >= 2 && endsReply(reply.text, reply.code));
            for (qsizetype i = 1; i + 1 < lines.size(); ++i)
                FUZZ_CHECK(!endsReply(lines[i], reply.code));
        } else {
            FUZZ_CHECK(lines.size() == 1);
        }
        // A reply that succeeds has a code of the 2xx kind, and no other does.
        FUZZ_CHECK(reply.succeeded() == (first.startsWith(u'2') && reply.code >= 0));
        checkExtensions(reply);
    }
}
