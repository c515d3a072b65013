#include "pad/PadDocument.h"

#include "pad/PadText.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

const QString RootName = QStringLiteral("XML_DIZ_INFO");

PadReadResult refused(const QString& message)
{
    PadReadResult result;
    result.error = message;
    return result;
}

PadReadResult notPad(const QString& why)
{
    return refused(u"The file is not a PAD file: " % why);
}

// The text of the encoding pseudo-attribute of the XML declaration, lower case;
// empty when the bytes declare none.
QString declaredEncoding(const QByteArray& bytes)
{
    // "<?xml-stylesheet" and the like are other processing instructions.
    if (bytes.size() < 6 || !bytes.startsWith("<?xml") || !QChar::isSpace(uchar(bytes[5])))
        return {};
    // A declaration is short; one that never ends is left to the XML reader.
    const qsizetype end = bytes.left(1024).indexOf("?>");
    if (end < 0)
        return {};
    static const QRegularExpression encoding(QStringLiteral(R"(\sencoding\s*=\s*(["'])([^"']*)\1)"));
    const QRegularExpressionMatch match = encoding.match(QString::fromLatin1(bytes.left(end)));
    return match.hasMatch() ? match.captured(2).trimmed().toLower() : QString();
}

bool isWindows1252Family(const QString& encoding)
{
    // US-ASCII and Latin-1 are subsets of Windows-1252 in every byte that
    // authors actually write, and Windows-1252 is what such files really hold.
    static const QSet<QString> names = {
        QStringLiteral("windows-1252"), QStringLiteral("cp1252"), QStringLiteral("x-cp1252"),
        QStringLiteral("iso-8859-1"), QStringLiteral("iso8859-1"), QStringLiteral("iso_8859-1"),
        QStringLiteral("latin1"), QStringLiteral("latin-1"), QStringLiteral("l1"),
        QStringLiteral("us-ascii"), QStringLiteral("ascii"),
    };
    return names.contains(encoding);
}

struct Decoded {
    QString text;
    QString note;
    bool valid = true;
};

// Whether every surrogate stands in a pair.
bool surrogatesPaired(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return false;
    }
    return true;
}

Decoded decodeUtf16(const QByteArray& bytes, QStringDecoder::Encoding encoding)
{
    // Qt's decoder turns an odd last byte into a replacement character and
    // passes a lone surrogate on, both without an error; neither is text.
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    Decoded decoded;
    decoded.text = decoder(bytes);
    decoded.valid = bytes.size() % 2 == 0 && !decoder.hasError() && surrogatesPaired(decoded.text);
    return decoded;
}

// The bytes as text. The XML reader is given this text, so it never decodes
// anything itself and the encoding named in the declaration is not used again.
Decoded decode(QByteArray bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return decodeUtf16(bytes.mid(2), QStringDecoder::Utf16LE);
    if (bytes.startsWith("\xFE\xFF"))
        return decodeUtf16(bytes.mid(2), QStringDecoder::Utf16BE);
    // UTF-16 without a byte order mark still begins with "<?".
    if (bytes.startsWith(QByteArrayView("<\0?\0", 4)))
        return decodeUtf16(bytes, QStringDecoder::Utf16LE);
    if (bytes.startsWith(QByteArrayView("\0<\0?", 4)))
        return decodeUtf16(bytes, QStringDecoder::Utf16BE);

    // A UTF-8 byte order mark says more than any declaration after it.
    const bool utf8Mark = bytes.startsWith("\xEF\xBB\xBF");
    if (utf8Mark)
        bytes.remove(0, 3);
    else if (isWindows1252Family(declaredEncoding(bytes)))
        return {PadText::fromWindows1252(bytes), QString()};

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return {text, QString()};
    // Many PAD files are written by editors that save Windows-1252 whatever
    // the declaration says.
    return {PadText::fromWindows1252(bytes), QStringLiteral("The file is not valid UTF-8; it was read as Windows-1252.")};
}

// Whether a document type declaration stands before the root element. Looked
// for before the XML reader sees the text, so no entity of it is ever expanded.
bool declaresDocumentType(QStringView text)
{
    qsizetype at = 0;
    for (;;) {
        while (at < text.size() && text[at].isSpace())
            ++at;
        const QStringView rest = text.mid(at);
        if (rest.startsWith(u"<?")) {
            const qsizetype end = text.indexOf(u"?>", at + 2);
            if (end < 0)
                return false;
            at = end + 2;
        } else if (rest.startsWith(u"<!--")) {
            const qsizetype end = text.indexOf(u"-->", at + 4);
            if (end < 0)
                return false;
            at = end + 3;
        } else {
            return rest.startsWith(u"<!DOCTYPE");
        }
    }
}

QString readerError(const QXmlStreamReader& reader)
{
    // The reader's sentence ends in a full stop; the position follows it here.
    QString text = reader.errorString();
    if (text.endsWith(u'.'))
        text.chop(1);
    // One arg() call: the reader's text may quote the file, "%2" included.
    return QStringLiteral("%1 (line %2, column %3).")
        .arg(text, QString::number(reader.lineNumber()), QString::number(reader.columnNumber()));
}

// An element open while reading: its path, and its text while it has no child.
struct OpenElement {
    QString path;
    QString text;
    bool hasChildren = false;
};

// ---- Writing ----

// An element name the writer can put out and the reader read back: no empty
// name, no blank, no markup, no namespace prefix.
bool isElementName(QStringView name)
{
    if (name.isEmpty() || !(name[0].isLetter() || name[0] == u'_'))
        return false;
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.';
    });
}

// The value as XML 1.0 text: every line break an LF, and without the
// characters XML 1.0 cannot hold, which no reader would accept.
QString xmlText(const QString& value)
{
    QString text;
    text.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        const char16_t u = c.unicode();
        if (u == u'\r') {
            text += u'\n';
            if (i + 1 < value.size() && value[i + 1] == u'\n')
                ++i;
        } else if (c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            text += c;
            text += value[++i];
        } else if ((u < 0x20 && u != u'\t' && u != u'\n') || c.isSurrogate() || u == 0xFFFE || u == 0xFFFF) {
            continue;
        } else {
            text += c;
        }
    }
    return text;
}

struct Node {
    QString name;
    QString path;
    QString value;
    std::vector<int> children;
    QHash<QString, int> childByName;
};

class TreeWriter {
public:
    TreeWriter(const PadValues& values, const QStringList& order)
    {
        m_nodes.push_back(Node{RootName, RootName, {}, {}, {}});
        for (const PadEntry& entry : values.entries())
            add(entry);
        // Every leading part of a path in `order` takes the place of its first mention.
        for (int i = 0; i < order.size(); ++i) {
            const QString& path = order[i];
            for (qsizetype slash = path.indexOf(u'/'); slash >= 0; slash = path.indexOf(u'/', slash + 1))
                m_rank.insert(path.left(slash), std::min(i, m_rank.value(path.left(slash), INT_MAX)));
            m_rank.insert(path, std::min(i, m_rank.value(path, INT_MAX)));
        }
    }

    QByteArray write()
    {
        QByteArray bytes;
        QXmlStreamWriter writer(&bytes);
        writer.setAutoFormatting(true);
        writer.setAutoFormattingIndent(2);
        writer.writeStartDocument();
        writeNode(writer, 0);
        writer.writeEndDocument();
        if (!bytes.endsWith('\n'))
            bytes += '\n';
        return bytes;
    }

private:
    void add(const PadEntry& entry)
    {
        const QStringList names = entry.path.split(u'/');
        // A path the reader would refuse to give back is not written either.
        if (names.first() != RootName || names.size() > PadDocument::MaxDepth
            || !std::all_of(names.begin(), names.end(), isElementName))
            return;
        int at = 0;
        for (qsizetype i = 1; i < names.size(); ++i) {
            const auto found = m_nodes[at].childByName.constFind(names[i]);
            if (found != m_nodes[at].childByName.constEnd()) {
                at = *found;
                continue;
            }
            const int child = int(m_nodes.size());
            m_nodes.push_back(Node{names[i], m_nodes[at].path % u'/' % names[i], {}, {}, {}});
            m_nodes[at].children.push_back(child);
            m_nodes[at].childByName.insert(names[i], child);
            at = child;
        }
        m_nodes[at].value = entry.value;
    }

    void writeNode(QXmlStreamWriter& writer, int index)
    {
        const Node& node = m_nodes[index];
        if (node.children.empty()) {
            // An element that holds other elements has no value of its own:
            // the reader would not give it back.
            const QString text = xmlText(node.value);
            if (text.isEmpty())
                writer.writeEmptyElement(node.name);
            else
                writer.writeTextElement(node.name, text);
            return;
        }
        std::vector<int> children = node.children;
        std::stable_sort(children.begin(), children.end(), [this](int a, int b) {
            return m_rank.value(m_nodes[a].path, INT_MAX) < m_rank.value(m_nodes[b].path, INT_MAX);
        });
        writer.writeStartElement(node.name);
        for (const int child : children)
            writeNode(writer, child);
        writer.writeEndElement();
    }

    std::vector<Node> m_nodes;
    QHash<QString, int> m_rank;
};

} // namespace

namespace PadDocument {

PadReadResult read(const QByteArray& bytes)
{
    if (bytes.size() > MaxBytes)
        return refused(QStringLiteral("The PAD file is larger than 1 MB; nothing was imported."));

    const Decoded decoded = decode(bytes);
    if (!decoded.valid)
        return notPad(QStringLiteral("it is not valid UTF-16."));
    if (decoded.text.trimmed().isEmpty())
        return notPad(QStringLiteral("it is empty."));
    const QString documentType = QStringLiteral("it declares a document type.");
    if (declaresDocumentType(decoded.text))
        return notPad(documentType);

    PadReadResult result;
    if (!decoded.note.isEmpty())
        result.notes.append(decoded.note);
    QSet<QString> repeated;
    QList<OpenElement> open;
    QXmlStreamReader reader(decoded.text);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            return notPad(documentType);
        case QXmlStreamReader::StartElement: {
            const QString name = reader.qualifiedName().toString();
            if (open.isEmpty() && name != RootName)
                return notPad(QStringLiteral("its root element is %1, not %2.").arg(name, RootName));
            if (open.size() == MaxDepth)
                return notPad(QStringLiteral("its elements are nested more than %1 deep.").arg(MaxDepth));
            if (open.isEmpty()) {
                open.append(OpenElement{name, {}, false});
            } else {
                open.last().hasChildren = true;
                open.last().text.clear();
                open.append(OpenElement{open.last().path % u'/' % name, {}, false});
            }
            break;
        }
        case QXmlStreamReader::Characters:
            // Text between child elements is layout, not a value.
            if (!open.isEmpty() && !open.last().hasChildren)
                open.last().text += reader.text();
            break;
        case QXmlStreamReader::EndElement: {
            const OpenElement element = open.takeLast();
            if (element.hasChildren)
                break;
            if (!result.values.contains(element.path))
                result.values.set(element.path, element.text);
            else if (!repeated.contains(element.path)) {
                repeated.insert(element.path);
                result.notes.append(QStringLiteral("%1 appears more than once; the first value was used.").arg(element.path));
            }
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError())
        return notPad(readerError(reader));
    return result;
}

QByteArray write(const PadValues& values, const QStringList& order)
{
    return TreeWriter(values, order).write();
}

} // namespace PadDocument
