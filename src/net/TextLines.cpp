#include "net/TextLines.h"

#include <algorithm>

QStringList textLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            lines.append(text.mid(start, i - start));
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QByteArray peekLineHead(QIODevice& device, qint64 peekSize)
{
    constexpr qint64 ShortLook = 512;
    QByteArray head = device.peek(std::min(peekSize, ShortLook));
    if (!head.contains('\n'))
        head = device.peek(peekSize);
    return head;
}
