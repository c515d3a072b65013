#include "net/SmtpReplyReader.h"

#include "net/ESocketError.h"

SmtpSession::Reply SmtpReplyReader::read(Source& source)
{
    SmtpSession::Reply reply;
    QString text = source.replyLine();
    reply.code = codeOf(text);
    reply.lines.append(text.left(SmtpSession::MaxKeptLength));
    if (text.indexOf(u'-') == 3) {
        // A reply of several lines ends with its code and a blank, or its code alone.
        for (int lines = 1;;) {
            text = source.replyLine();
            if (++lines > MaxReplyLines)
                source.replyFault(SocketErrors::ReplyTooLong);
            reply.lines.append(text.left(SmtpSession::MaxKeptLength));
            if (codeOf(text) == reply.code && (text.indexOf(u' ') == 3 || text.size() == 3))
                break;
        }
    }
    reply.text = text;
    return reply;
}

int SmtpReplyReader::codeOf(const QString& text)
{
    if (text.size() < 3)
        return -1;
    for (int i = 0; i < 3; ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return -1;
    }
    return text.left(3).toInt();
}
