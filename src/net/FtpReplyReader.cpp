#include "net/FtpReplyReader.h"

#include "net/CIPPort.h"

QString FtpReplyReader::read(Source& source)
{
    QString line = nextLine(source);
    if (line.size() >= 4 && line.at(3) == u'-') {
        const QString code = line.left(3);
        for (;;) {
            QString next = nextLine(source);
            if (next.startsWith(code) && (next.size() == 3 || next.at(3) == u' ')) {
                line = next;
                break;
            }
        }
    }
    return line;
}

QString FtpReplyReader::nextLine(Source& source)
{
    if (++m_lines > MaxReplyLines)
        throw EIPPortError(EIPPortError::TooLong);
    return source.replyLine();
}

int FtpReplyReader::codeOf(const QString& line)
{
    if (line.size() < 3)
        return 0;
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        const char16_t c = line.at(i).unicode();
        if (c < u'0' || c > u'9')
            return 0;
        code = code * 10 + (c - u'0');
    }
    return code;
}

std::optional<FtpReplyReader::PassiveAddress> FtpReplyReader::passiveAddress(const QString& reply)
{
    qsizetype at = reply.indexOf(u'(');
    if (at < 0)
        return std::nullopt;
    ++at;
    int numbers[6] = {};
    for (int n = 0; n < 6; ++n) {
        while (at < reply.size() && reply.at(at) == u' ')
            ++at;
        if (n > 0) {
            if (at >= reply.size() || reply.at(at) != u',')
                return std::nullopt;
            ++at;
            while (at < reply.size() && reply.at(at) == u' ')
                ++at;
        }
        int value = 0;
        int digits = 0;
        while (at < reply.size() && reply.at(at).isDigit() && reply.at(at).unicode() < 128 && digits < 4) {
            value = value * 10 + (reply.at(at).unicode() - u'0');
            ++digits;
            ++at;
        }
        if (digits == 0 || value > 255)
            return std::nullopt;
        numbers[n] = value;
    }
    PassiveAddress address;
    for (int n = 0; n < 4; ++n)
        address.host[size_t(n)] = numbers[n];
    address.port = quint16(numbers[4] * 256 + numbers[5]);
    return address;
}
