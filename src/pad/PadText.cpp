#include "pad/PadText.h"

#include <array>

namespace {

// The characters of the bytes 0x80-0x9F. The five bytes Windows-1252 leaves
// unassigned stand for the control character of the same code, so every byte
// has a character and every such character its byte.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QChar charOfByte(uchar byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(HighControls[byte - 0x80]);
    return QChar(char16_t(byte));
}

// The byte of a character, or -1 when Windows-1252 has none for it.
int byteOfChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < int(HighControls.size()); ++i) {
        if (HighControls[i] == c)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

namespace PadText {

QString fromWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes)
        *out++ = charOfByte(uchar(byte));
    return text;
}

QString toRecord(const QString& text, int* lost)
{
    QString record;
    record.reserve(text.size());
    int missing = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const int byte = byteOfChar(c.unicode());
        if (byte >= 0) {
            record += QChar(char16_t(byte));
            continue;
        }
        // A character beyond the first plane is one character, so one "?".
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        record += u'?';
        ++missing;
    }
    if (lost)
        *lost = missing;
    return record;
}

QString fromRecord(const QString& text)
{
    QString unicode = text;
    for (QChar& c : unicode) {
        if (c.unicode() < 0x100)
            c = charOfByte(uchar(c.unicode()));
    }
    return unicode;
}

} // namespace PadText
