#include "net/TmsComposer.h"

#include "net/ESocketError.h"
#include "net/TmsMessage.h"

#include <QFile>
#include <QFileDevice>
#include <QHostInfo>
#include <QLocale>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cstring>

using namespace SocketErrors;

namespace {

// The longest line the mail standards allow, CR LF not counted.
constexpr qsizetype LongestLine = 998;
// Base64 groups of 57 bytes make lines of 76 characters.
constexpr qint64 Base64Group = 57;
constexpr qsizetype Base64Line = Base64Group / 3 * 4;
constexpr qint64 UuGroup = 45;
constexpr qint64 ReadBlock = 57 * 1024;
constexpr qsizetype FlushSize = 256 * 1024;
// Quoted-printable lines stay within 76 characters, the soft break's "=" included.
constexpr qsizetype QpWidth = 75;
// A display name longer than this goes as encoded words, which can be folded.
constexpr qsizetype LongestPlainName = 900;
const QByteArray CrLf = QByteArrayLiteral("\r\n");

QString padded(const QString& label)
{
    return label.leftJustified(10, u' ');
}

// Line breaks and other control characters of a one-line field become blanks,
// so nothing a user typed can start a header line of its own.
QString oneLine(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        if (c.unicode() < 0x20 && c != u'\t')
            c = u' ';
    }
    return result;
}

bool isPrintableAscii(const QString& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c == u'\t' || (c.unicode() >= 0x20 && c.unicode() < 0x7f); });
}

bool isAtomText(QChar c)
{
    static const QString others = QStringLiteral("!#$%&'*+-/=?^_`{|}~ ");
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || others.contains(c);
}

// RFC 2047 words of UTF-8 in Base64, each within 75 characters and holding
// whole characters only.
QList<QByteArray> encodedWords(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    QList<QByteArray> words;
    qsizetype start = 0;
    while (start < utf8.size()) {
        qsizetype end = std::min(start + 45, utf8.size());
        // Back off over continuation bytes so no character is split.
        while (end < utf8.size() && end > start + 1 && (uchar(utf8[end]) & 0xc0) == 0x80)
            --end;
        words.append("=?UTF-8?B?" + utf8.mid(start, end - start).toBase64() + "?=");
        start = end;
    }
    return words;
}

// A display name as header text, in pieces that may be folded between.
QList<QByteArray> phrase(const QString& rawName)
{
    const QString name = oneLine(rawName);
    if (name.isEmpty())
        return {QByteArray()};
    if (!isPrintableAscii(name) || name.size() > LongestPlainName || name.contains(u"=?"))
        return encodedWords(name);
    if (std::all_of(name.begin(), name.end(), isAtomText))
        return {name.toLatin1()};
    // A comma, period or other special would otherwise split or end the name.
    QByteArray quoted = "\"";
    for (const QChar c : name) {
        if (c == u'"' || c == u'\\')
            quoted += '\\';
        quoted += char(c.unicode());
    }
    return {quoted + '"'};
}

// A file name parameter that a reader gets back whole: a quoted string for
// printable ASCII, else RFC 2231 percent-encoded UTF-8.
QByteArray fileNameParameter(const QString& attribute, const QString& fileName)
{
    if (isPrintableAscii(fileName) && !fileName.contains(u'\t')) {
        QByteArray quoted;
        for (const QChar c : fileName) {
            if (c == u'"' || c == u'\\')
                quoted += '\\';
            quoted += char(c.unicode());
        }
        return attribute.toLatin1() + "=\"" + quoted + '"';
    }
    return attribute.toLatin1() + "*=UTF-8''" + fileName.toUtf8().toPercentEncoding("!#$&+-.^_`|~");
}

QByteArray bytesOf(const QString& text, const QByteArray& charset)
{
    return charset == "utf-8" ? text.toUtf8() : text.toLatin1();
}

// The lines of body texts; a break inside an entry starts a new line.
QStringList splitLines(const QStringList& entries)
{
    QStringList lines;
    for (const QString& entry : entries) {
        qsizetype start = 0;
        for (qsizetype i = 0; i < entry.size(); ++i) {
            if (entry[i] == u'\r' || entry[i] == u'\n') {
                lines.append(entry.mid(start, i - start));
                if (entry[i] == u'\r' && i + 1 < entry.size() && entry[i + 1] == u'\n')
                    ++i;
                start = i + 1;
            }
        }
        lines.append(entry.mid(start));
    }
    return lines;
}

// Quoted-printable text, fed a line at a time or in pieces of a line.
class QuotedPrintable {
public:
    // Encodes bytes of the current line; a blank at the end of `bytes` is
    // encoded, as it may end the line.
    void add(const QByteArray& bytes)
    {
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const uchar b = uchar(bytes[i]);
            const bool blank = b == ' ' || b == '\t';
            bool literal = (b >= 33 && b <= 126 && b != '=') || (blank && i + 1 < bytes.size());
            QByteArray token = literal ? QByteArray(1, char(b)) : escaped(b);
            if (m_line.size() + token.size() > QpWidth) {
                m_out += m_line + "=" + CrLf;
                m_line.clear();
            }
            // A line starting with "-" could read as a boundary; one starting
            // with a blank after a soft break is fine.
            if (m_line.isEmpty() && b == '-')
                token = escaped(b);
            m_line += token;
        }
    }
    void hardBreak()
    {
        m_out += m_line + CrLf;
        m_line.clear();
    }
    // Ends text that has no line break at its end.
    void softEnd()
    {
        if (!m_line.isEmpty())
            m_out += m_line + "=" + CrLf;
        m_line.clear();
    }
    QByteArray take()
    {
        QByteArray out;
        out.swap(m_out);
        return out;
    }

private:
    static QByteArray escaped(uchar b)
    {
        static const char digits[] = "0123456789ABCDEF";
        return QByteArray("=") + digits[b >> 4] + digits[b & 15];
    }

    QByteArray m_line;
    QByteArray m_out;
};

[[noreturn]] void cannotOpen(const QFile& file)
{
    throw ESocketError(CannotOpenFile, ESocketError::textFor(CannotOpenFile) + u" \"" + file.fileName() + u"\". " +
                                           file.errorString());
}

void openForReading(QFile& file)
{
    if (!file.open(QIODevice::ReadOnly))
        cannotOpen(file);
}

QByteArray readBlock(QFile& file, qint64 size)
{
    const QByteArray block = file.read(size);
    if (block.isEmpty() && file.error() != QFileDevice::NoError)
        cannotOpen(file);
    return block;
}

// Every pair of Base64 characters for 12 bits, so three bytes take two look-ups.
const std::array<std::array<char, 2>, 4096> Base64Pairs = [] {
    constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::array<std::array<char, 2>, 4096> pairs{};
    for (int i = 0; i < 4096; ++i)
        pairs[size_t(i)] = {alphabet[i >> 6], alphabet[i & 63]};
    return pairs;
}();

// Encodes `size` bytes, a multiple of Base64Group, as lines of Base64Line
// characters each ended by CR LF. Large files spend most of their composing
// time here; this runs several times faster than encoding group by group
// through QByteArray.
void encodeBase64Lines(const uchar* in, qsizetype size, char* out)
{
    for (const uchar* const end = in + size; in < end;) {
        for (qsizetype group = 0; group < Base64Group / 3; ++group, in += 3, out += 4) {
            const unsigned bits = unsigned(in[0]) << 16 | unsigned(in[1]) << 8 | unsigned(in[2]);
            std::memcpy(out, Base64Pairs[bits >> 12].data(), 2);
            std::memcpy(out + 2, Base64Pairs[bits & 0xfff].data(), 2);
        }
        *out++ = '\r';
        *out++ = '\n';
    }
}

// Whether a file can go as "7bit": ASCII without NUL, CR only before LF, no
// line over 998 bytes. Lines that begin with "--" are added to `dashLines`
// (their first bytes), for the boundary to avoid.
bool isSevenBit(const QString& path, QList<QByteArray>& dashLines)
{
    QFile file(path);
    openForReading(file);
    QList<QByteArray> found;
    qsizetype lineLength = 0;
    QByteArray lineStart;
    bool afterCr = false;
    for (;;) {
        const QByteArray block = readBlock(file, ReadBlock);
        if (block.isEmpty())
            break;
        for (const char ch : block) {
            const uchar b = uchar(ch);
            if (afterCr && b != '\n')
                return false;
            afterCr = b == '\r';
            if (b == 0 || b > 127)
                return false;
            if (b == '\n') {
                if (lineStart.startsWith("--"))
                    found.append(lineStart);
                lineLength = 0;
                lineStart.clear();
                continue;
            }
            if (b != '\r' && ++lineLength > LongestLine)
                return false;
            if (lineStart.size() < 16)
                lineStart += char(b);
        }
    }
    if (afterCr)
        return false;
    if (lineStart.startsWith("--"))
        found.append(lineStart);
    dashLines += found;
    return true;
}

char uuChar(int value)
{
    return value == 0 ? '`' : char(32 + value);
}

} // namespace

TmsComposer::TmsComposer(TmsMessage& message, QIODevice& stream) : m_message(message), m_stream(stream) {}

bool TmsComposer::isReservedHeader(const QString& name)
{
    static const QStringList reserved{
        QStringLiteral("From"), QStringLiteral("To"), QStringLiteral("CC"), QStringLiteral("BCC"),
        QStringLiteral("Return-Receipt-To"), QStringLiteral("X-Priority"), QStringLiteral("Subject"),
        QStringLiteral("Mime-Version"), QStringLiteral("Content-Type"), QStringLiteral("X-Encoding"),
        QStringLiteral("Content-Transfer-Encoding"), QStringLiteral("Date"), QStringLiteral("Message-ID"),
    };
    return reserved.contains(name.trimmed(), Qt::CaseInsensitive);
}

QString TmsComposer::localHostName()
{
    QString host;
    for (const QChar c : QHostInfo::localHostName()) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
            c == u'.')
            host += c;
    }
    return host.isEmpty() ? QStringLiteral("localhost") : host;
}

void TmsComposer::write()
{
    removeReservedHeaders();
    const bool mime = m_message.Encoding() != meUU;
    QList<QByteArray> dashLines;
    // Every file is opened before anything is written, so a missing one fails
    // the message at once.
    const QList<FilePart> files = mime ? planFiles(dashLines) : QList<FilePart>();
    if (!mime) {
        for (const TmsAttItem& item : m_message.Attachments()) {
            QFile file(item.FilePath());
            openForReading(file);
        }
    }

    writeHeaderBlock(mime);
    if (!mime) {
        line({});
        for (const QString& text : splitLines(m_message.Body())) {
            const bool wide = std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xff; });
            const QByteArray bytes = wide ? text.toUtf8() : text.toLatin1();
            // A longer line would be refused, and without MIME nothing can mark
            // a line as continued: it is cut.
            for (qsizetype at = 0; at == 0 || at < bytes.size(); at += LongestLine)
                line(bytes.mid(at, LongestLine));
        }
        for (const TmsAttItem& item : m_message.Attachments())
            writeUuencoded(item);
        flush();
        return;
    }

    const BodyText body = bodyText();
    const bool hasBody = !m_message.Body().isEmpty();
    if (files.isEmpty()) {
        const QString type = oneLine(m_message.ContentType()).trimmed();
        writeBodyPartHeaders(body, type.isEmpty() ? QStringLiteral("text/plain") : type);
        line({});
        writeBodyLines(body);
    } else if (!hasBody && files.size() == 1) {
        writeFilePartHeaders(files.first());
        line({});
        writeFileContent(files.first());
    } else {
        if (hasBody && !body.quotedPrintable) {
            for (const QByteArray& text : body.lines) {
                if (text.startsWith("--"))
                    dashLines.append(text.left(16));
            }
        }
        const QByteArray boundary = chooseBoundary(dashLines);
        const QByteArray separator = "--" + boundary;
        line("Content-Type: multipart/mixed; boundary=\"" + boundary + '"');
        line({});
        line("This is a multipart message in MIME format");
        line({});
        line(separator);
        if (hasBody) {
            writeBodyPartHeaders(body, QStringLiteral("text/plain"));
            line({});
            writeBodyLines(body);
            line({});
            line(separator);
        }
        for (qsizetype i = 0; i < files.size(); ++i) {
            // The empty line that ends a file belongs to the separator after it,
            // so a file's own last line break is kept and nothing is added.
            if (i > 0)
                line(separator);
            writeFilePartHeaders(files[i]);
            line({});
            writeFileContent(files[i]);
            line({});
        }
        line(separator + "--");
    }
    flush();
}

void TmsComposer::removeReservedHeaders()
{
    QStringList& headers = m_message.Headers();
    headers.erase(std::remove_if(headers.begin(), headers.end(),
                                 [](const QString& header) {
                                     const qsizetype colon = header.indexOf(u':');
                                     return colon >= 0 && isReservedHeader(header.left(colon));
                                 }),
                  headers.end());
}

QList<TmsComposer::FilePart> TmsComposer::planFiles(QList<QByteArray>& dashLines) const
{
    QList<FilePart> parts;
    for (const TmsAttItem& item : m_message.Attachments()) {
        FilePart part;
        part.item = &item;
        part.contentType = oneLine(item.ContentType()).trimmed();
        part.encodingText = oneLine(item.Encoding()).trimmed();
        const QString encoding = part.encodingText.toLower();
        if (encoding == u"quoted-printable")
            part.encoding = FileEncoding::QuotedPrintable;
        else if (encoding == u"7bit" || encoding == u"7 bit")
            part.encoding = FileEncoding::SevenBit;
        if (part.encoding == FileEncoding::SevenBit) {
            // Such a file would be damaged on the way, or refused; as bytes it arrives whole.
            if (!isSevenBit(item.FilePath(), dashLines)) {
                part.encoding = FileEncoding::Base64;
                part.contentType = QStringLiteral("application/octet-stream");
            }
            part.encodingText =
                part.encoding == FileEncoding::SevenBit ? QStringLiteral("7bit") : QStringLiteral("Base64");
        } else {
            QFile file(item.FilePath());
            openForReading(file);
            if (part.encoding == FileEncoding::Base64)
                part.encodingText = QStringLiteral("Base64");
        }
        if (part.contentType.isEmpty())
            part.contentType = QStringLiteral("application/octet-stream");
        parts.append(part);
    }
    return parts;
}

TmsComposer::BodyText TmsComposer::bodyText() const
{
    BodyText body;
    const QStringList lines = splitLines(m_message.Body());
    char16_t highest = 0;
    bool controls = false;
    bool longLine = false;
    for (const QString& text : lines) {
        for (const QChar c : text) {
            highest = std::max(highest, c.unicode());
            if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f)
                controls = true;
        }
        if (text.size() > 255)
            longLine = true;
    }
    // A text the declared set cannot carry goes in the smallest one that can.
    if (highest > 0xff)
        body.charset = "utf-8";
    else if (m_message.CharSet() == csISO8859 || highest > 0x7f)
        body.charset = "iso-8859-1";
    else
        body.charset = "us-ascii";
    body.quotedPrintable = body.charset != "us-ascii" || longLine || controls;
    for (const QString& text : lines)
        body.lines.append(bytesOf(text, body.charset));
    return body;
}

void TmsComposer::writeHeaderBlock(bool mime)
{
    writeAddressList(QStringLiteral("From:"), {m_message.Sender()});
    const QList<TmsMailAddress> to = m_message.Recipients().withAddress();
    if (!to.isEmpty())
        writeAddressList(QStringLiteral("To:"), to);
    const QList<TmsMailAddress> cc = m_message.CC().withAddress();
    if (!cc.isEmpty())
        writeAddressList(QStringLiteral("CC:"), cc);
    if (m_message.ReturnReceipt())
        line("Return-Receipt-To: <" + m_message.Sender().Address().toLatin1() + '>');
    if (m_message.Priority() == ptLow)
        line("X-Priority: 5");
    else if (m_message.Priority() == ptHigh)
        line("X-Priority: 1");
    if (m_message.Date().isValid()) {
        const QDateTime& date = m_message.Date();
        line("Date: " + QLocale::c().toString(date.date(), u"ddd").toLatin1() + ", " +
             date.toString(Qt::RFC2822Date).toLatin1());
    }
    const quint64 unique = QRandomGenerator::global()->generate64();
    line("Message-ID: <" + QByteArray::number(unique, 16) + '.' +
         QByteArray::number(m_message.Date().isValid() ? m_message.Date().toMSecsSinceEpoch() : 0) + '@' +
         localHostName().toLatin1() + '>');
    for (const QString& header : m_message.Headers()) {
        const QString text = oneLine(header);
        const qsizetype colon = text.indexOf(u':');
        const QString name = colon < 0 ? QString() : text.left(colon).trimmed();
        // A line that is no "Name: value" would end the header block early.
        const bool validName = !name.isEmpty() && std::all_of(name.begin(), name.end(), [](QChar c) {
            return c.unicode() > 32 && c.unicode() < 127;
        });
        if (!validName)
            continue;
        QString value = text.mid(colon + 1);
        while (value.startsWith(u' '))
            value.remove(0, 1);
        writeUnstructured(name.toLatin1() + ": ", value);
    }
    if (!m_message.Subject().isEmpty())
        writeUnstructured("Subject: ", m_message.Subject());
    if (mime)
        line("Mime-Version: 1.0");
}

void TmsComposer::writeAddressList(const QString& label, const QList<TmsMailAddress>& addresses)
{
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        QList<QByteArray> pieces = phrase(addresses[i].Name());
        pieces.last() += " <" + addresses[i].Address().toLatin1() + '>';
        if (i + 1 < addresses.size())
            pieces.last() += ',';
        line((i == 0 ? padded(label) : QString(10, u' ')).toLatin1() + pieces.first());
        for (qsizetype p = 1; p < pieces.size(); ++p)
            line(' ' + pieces[p]);
    }
}

void TmsComposer::writeUnstructured(const QByteArray& label, const QString& rawValue)
{
    const QString value = oneLine(rawValue);
    if (isPrintableAscii(value) && label.size() + value.size() <= LongestLine && !value.contains(u"=?")) {
        line(label + value.toLatin1());
        return;
    }
    const QList<QByteArray> words = encodedWords(value);
    line(label + words.first());
    for (qsizetype i = 1; i < words.size(); ++i)
        line(' ' + words[i]);
}

void TmsComposer::writeBodyPartHeaders(const BodyText& body, const QString& contentType)
{
    line("Content-Type: " + contentType.toLatin1() + "; charset=\"" + body.charset + '"');
    line(body.quotedPrintable ? "Content-Transfer-Encoding: quoted-printable" : "Content-Transfer-Encoding: 7bit");
}

void TmsComposer::writeBodyLines(const BodyText& body)
{
    if (!body.quotedPrintable) {
        for (const QByteArray& text : body.lines)
            line(text);
        return;
    }
    QuotedPrintable encoder;
    for (const QByteArray& text : body.lines) {
        encoder.add(text);
        encoder.hardBreak();
        raw(encoder.take());
    }
}

void TmsComposer::writeFilePartHeaders(const FilePart& part)
{
    const QString name = part.item->FileName();
    line("Content-Type: " + part.contentType.toLatin1() + "; " + fileNameParameter(QStringLiteral("name"), name));
    line("Content-Transfer-Encoding: " + part.encodingText.toLatin1());
    line("Content-Disposition: attachment; " + fileNameParameter(QStringLiteral("filename"), name));
}

void TmsComposer::writeFileContent(const FilePart& part)
{
    switch (part.encoding) {
    case FileEncoding::Base64: writeBase64(part.item->FilePath()); break;
    case FileEncoding::QuotedPrintable: writeQuotedPrintable(part.item->FilePath()); break;
    case FileEncoding::SevenBit: writeSevenBit(part.item->FilePath()); break;
    }
}

void TmsComposer::writeBase64(const QString& path)
{
    QFile file(path);
    openForReading(file);
    for (;;) {
        const QByteArray block = readBlock(file, ReadBlock);
        const qsizetype whole = block.size() / Base64Group * Base64Group;
        const qsizetype at = m_buffer.size();
        m_buffer.resize(at + whole / Base64Group * (Base64Line + 2));
        encodeBase64Lines(reinterpret_cast<const uchar*>(block.constData()), whole, m_buffer.data() + at);
        if (whole < block.size())
            line(block.mid(whole).toBase64());
        if (m_buffer.size() >= FlushSize)
            flush();
        if (block.size() < ReadBlock)
            break;
    }
}

void TmsComposer::writeQuotedPrintable(const QString& path)
{
    QFile file(path);
    openForReading(file);
    QuotedPrintable encoder;
    QByteArray held;
    for (;;) {
        QByteArray piece = held + file.readLine(ReadBlock);
        held.clear();
        if (file.error() != QFileDevice::NoError)
            cannotOpen(file);
        if (piece.isEmpty())
            break;
        if (piece.endsWith('\n')) {
            piece.chop(piece.endsWith("\r\n") ? 2 : 1);
            encoder.add(piece);
            encoder.hardBreak();
        } else {
            // A CR at the end of a piece may be the first half of a line break.
            if (piece.endsWith('\r') && !file.atEnd()) {
                held = "\r";
                piece.chop(1);
            }
            encoder.add(piece);
        }
        raw(encoder.take());
    }
    encoder.softEnd();
    raw(encoder.take());
}

void TmsComposer::writeSevenBit(const QString& path)
{
    QFile file(path);
    openForReading(file);
    for (;;) {
        QByteArray text = file.readLine(LongestLine + 3);
        if (file.error() != QFileDevice::NoError)
            cannotOpen(file);
        if (text.isEmpty())
            break;
        if (text.endsWith('\n'))
            text.chop(text.endsWith("\r\n") ? 2 : 1);
        line(text);
    }
}

void TmsComposer::writeUuencoded(const TmsAttItem& item)
{
    QFile file(item.FilePath());
    openForReading(file);
    QString name = oneLine(item.FileName());
    line("begin 600 " + (isPrintableAscii(name) ? name.toLatin1() : name.toUtf8()));
    for (;;) {
        const QByteArray block = readBlock(file, UuGroup * 1024);
        for (qsizetype at = 0; at < block.size(); at += UuGroup) {
            const QByteArray group = block.mid(at, UuGroup);
            QByteArray text(1, uuChar(int(group.size())));
            for (qsizetype i = 0; i < group.size(); i += 3) {
                const uchar a = uchar(group[i]);
                const uchar b = i + 1 < group.size() ? uchar(group[i + 1]) : 0;
                const uchar c = i + 2 < group.size() ? uchar(group[i + 2]) : 0;
                text += uuChar(a >> 2);
                text += uuChar(((a & 3) << 4) | (b >> 4));
                text += uuChar(((b & 15) << 2) | (c >> 6));
                text += uuChar(c & 63);
            }
            line(text);
        }
        if (block.size() < UuGroup * 1024)
            break;
    }
    line("`");
    line("end");
}

QByteArray TmsComposer::chooseBoundary(const QList<QByteArray>& dashLines) const
{
    QRandomGenerator& random = *QRandomGenerator::global();
    for (;;) {
        QByteArray boundary;
        for (int i = 0; i < 8; ++i)
            boundary += char('0' + random.bounded(9));
        const QByteArray separator = "--" + boundary;
        if (std::none_of(dashLines.begin(), dashLines.end(),
                         [&](const QByteArray& text) { return text.startsWith(separator); }))
            return boundary;
    }
}

void TmsComposer::line(const QByteArray& text)
{
    m_buffer += text;
    m_buffer += CrLf;
    if (m_buffer.size() >= FlushSize)
        flush();
}

void TmsComposer::raw(const QByteArray& bytes)
{
    m_buffer += bytes;
    if (m_buffer.size() >= FlushSize)
        flush();
}

void TmsComposer::flush()
{
    if (m_buffer.isEmpty())
        return;
    if (m_stream.write(m_buffer) != m_buffer.size()) {
        const auto* file = qobject_cast<QFileDevice*>(&m_stream);
        throw ESocketError(CannotCreateFile, ESocketError::textFor(CannotCreateFile) + u' ' +
                                                 (file ? file->fileName() : m_stream.errorString()));
    }
    // The buffer keeps its room for what comes next.
    m_buffer.resize(0);
}
