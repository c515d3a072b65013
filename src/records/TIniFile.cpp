#include "records/TIniFile.h"

#include "records/FileStore.h"
#include "records/ZentrelError.h"

#include <QFileInfo>

#include <limits>
#include <optional>

namespace {

constexpr qsizetype MaxValueLength = 1023;

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QStringView trimmed(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text.at(start)))
        ++start;
    while (end > start && isBlank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

// The name of a section line "[NAME]", or a null view for any other line.
QStringView sectionName(QStringView line)
{
    const QStringView text = trimmed(line);
    if (text.isEmpty() || text.front() != u'[')
        return {};
    qsizetype close = text.indexOf(u']');
    if (close < 0)
        close = text.size();
    QStringView name = trimmed(text.mid(1, close - 1));
    return name.isNull() ? QStringView(u"") : name;
}

// Splits "KEY=value" into its trimmed key and raw value; false for other lines.
bool splitValueLine(QStringView line, QStringView& key, QStringView& value)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return false;
    key = trimmed(line.left(eq));
    if (key.isEmpty())
        return false;
    value = line.mid(eq + 1);
    return true;
}

QString cleanValue(QStringView raw)
{
    QStringView value = trimmed(raw);
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    return value.left(MaxValueLength).toString();
}

} // namespace

QString profileValueAsRead(QStringView stored)
{
    return cleanValue(stored);
}

namespace {

bool parseDigits(QStringView digits, int base, qint64& result)
{
    if (digits.isEmpty())
        return false;
    qint64 n = 0;
    for (QChar c : digits) {
        int d;
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            d = u - u'0';
        else if (base == 16 && u >= u'a' && u <= u'f')
            d = u - u'a' + 10;
        else if (base == 16 && u >= u'A' && u <= u'F')
            d = u - u'A' + 10;
        else
            return false;
        n = n * base + d;
        if (n > qint64(std::numeric_limits<quint32>::max()) + 1)
            return false; // far outside the range already
    }
    result = n;
    return true;
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

} // namespace

int parseProfileInteger(const QString& text, int defaultValue)
{
    qint64 value = 0;
    bool ok = false;
    if (text.size() > 2 && text.at(0) == u'0' && (text.at(1) == u'x' || text.at(1) == u'X')) {
        ok = parseDigits(QStringView(text).mid(2), 16, value);
    } else {
        QStringView rest(text);
        bool negative = false;
        if (!rest.isEmpty() && (rest.front() == u'-' || rest.front() == u'+')) {
            negative = rest.front() == u'-';
            rest = rest.mid(1);
        }
        int base = 10;
        if (!rest.isEmpty() && rest.front() == u'$') {
            base = 16;
            rest = rest.mid(1);
        }
        ok = parseDigits(rest, base, value);
        if (negative)
            value = -value;
    }
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return defaultValue;
    return int(value);
}

bool IniSection::contains(const QString& key) const
{
    return m_values.contains(key.toLower());
}

QString IniSection::ReadString(const QString& key, const QString& defaultValue) const
{
    const auto it = m_values.constFind(key.toLower());
    return it == m_values.constEnd() ? defaultValue : *it;
}

int IniSection::ReadInteger(const QString& key, int defaultValue) const
{
    return parseProfileInteger(ReadString(key, QString()), defaultValue);
}

bool IniSection::ReadBool(const QString& key, bool defaultValue) const
{
    return ReadInteger(key, defaultValue ? 1 : 0) != 0;
}

IniDocument IniDocument::fromBytes(const QByteArray& bytes)
{
    IniDocument document;
    document.m_lines = splitLines(QString::fromLatin1(bytes));
    return document;
}

QByteArray IniDocument::toBytes() const
{
    QByteArray bytes;
    qsizetype size = 0;
    for (const QString& line : m_lines)
        size += line.size() + 2;
    bytes.reserve(size);
    for (const QString& line : m_lines) {
        bytes += line.toLatin1();
        bytes += "\r\n";
    }
    return bytes;
}

qsizetype IniDocument::findSection(const QString& name) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QStringView found = sectionName(m_lines.at(i));
        if (!found.isNull() && found.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype IniDocument::sectionEnd(qsizetype headerLine) const
{
    qsizetype i = headerLine + 1;
    while (i < m_lines.size() && sectionName(m_lines.at(i)).isNull())
        ++i;
    return i;
}

namespace {

bool isBlankByte(char c) { return c == ' ' || c == '\t'; }

QByteArrayView trimmedBytes(QByteArrayView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlankByte(text[start]))
        ++start;
    while (end > start && isBlankByte(text[end - 1]))
        --end;
    return text.sliced(start, end - start);
}

// The name of a section line "[NAME]" (null for any other line), as sectionName() does for text.
std::optional<QByteArrayView> sectionNameBytes(QByteArrayView line)
{
    const QByteArrayView text = trimmedBytes(line);
    if (text.isEmpty() || text.front() != '[')
        return std::nullopt;
    qsizetype close = text.indexOf(']');
    if (close < 0)
        close = text.size();
    return trimmedBytes(text.sliced(1, close - 1));
}

} // namespace

IniSection IniDocument::sectionOf(const QByteArray& bytes, const QString& name)
{
    QHash<QString, QString> values;
    bool inside = false;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    const char* data = bytes.constData();
    while (start < n) {
        qsizetype end = start;
        while (end < n && data[end] != '\r' && data[end] != '\n')
            ++end;
        const QByteArrayView line(data + start, end - start);
        start = end + ((end + 1 < n && data[end] == '\r' && data[end + 1] == '\n') ? 2 : 1);
        if (const auto header = sectionNameBytes(line)) {
            if (inside)
                break; // the first section of that name is the one that counts
            inside = QString::fromLatin1(*header).compare(name, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inside)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArrayView key = trimmedBytes(line.first(eq));
        if (key.isEmpty())
            continue;
        const QString lowered = QString::fromLatin1(key).toLower();
        if (!values.contains(lowered))
            values.insert(lowered, cleanValue(QString::fromLatin1(line.sliced(eq + 1))));
    }
    return IniSection(std::move(values));
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    // A line break inside a value would start a line of its own and could pose as another key.
    QString single = value;
    single.replace(u'\r', u' ').replace(u'\n', u' ');
    const QString line = key + u'=' + single;
    const qsizetype header = findSection(section);
    if (header < 0) {
        m_lines.append(u'[' + section + u']');
        m_lines.append(line);
        return;
    }
    const qsizetype end = sectionEnd(header);
    qsizetype lastValueLine = header;
    for (qsizetype i = header + 1; i < end; ++i) {
        QStringView foundKey, foundValue;
        if (!splitValueLine(m_lines.at(i), foundKey, foundValue))
            continue;
        if (foundKey.compare(key, Qt::CaseInsensitive) == 0) {
            m_lines[i] = line;
            return;
        }
        lastValueLine = i;
    }
    m_lines.insert(lastValueLine + 1, line);
}

void TIniFile::writeDocument(const IniDocument& document) const
{
    const QString message = QStringLiteral("Unable to write to %1").arg(m_fileName);
    const QFileInfo info(m_fileName);
    if (info.exists() && !info.isWritable())
        throw ZentrelError(message);
    FileStore::replace(m_fileName, document.toBytes(), message, m_access);
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    return ReadSection(section).ReadString(key, defaultValue);
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    return ReadSection(section).ReadInteger(key, defaultValue);
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadSection(section).ReadBool(key, defaultValue);
}

IniSection TIniFile::ReadSection(const QString& section) const
{
    std::optional<QByteArray> bytes;
    try {
        bytes = FileStore::readIfExists(m_fileName, FileLimits::Profile);
    } catch (const FileTooLarge&) {
        throw;
    } catch (const ZentrelError&) {
        return {}; // a file that cannot be read gives every default
    }
    return bytes ? IniDocument::sectionOf(*bytes, section) : IniSection();
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    WriteValues(section, {{key, value}});
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::WriteValues(const QString& section, const QList<QPair<QString, QString>>& values)
{
    Update([&](IniDocument& document) {
        for (const auto& [key, value] : values)
            document.setValue(section, key, value);
    });
}

void TIniFile::Update(const std::function<void(IniDocument&)>& change)
{
    IniDocument document;
    try {
        if (const auto bytes = FileStore::readIfExists(m_fileName, FileLimits::Profile))
            document = IniDocument::fromBytes(*bytes);
    } catch (const FileTooLarge& e) {
        // Rewriting a file that was never read whole would lose the rest of it.
        throw ZentrelError(QStringLiteral("Unable to write to %1: %2").arg(m_fileName, e.text()));
    } catch (const ZentrelError&) {
        // A file that exists but cannot be read is never replaced by a new one.
        throw ZentrelError(QStringLiteral("Unable to write to %1").arg(m_fileName));
    }
    change(document);
    writeDocument(document);
}

IniValues& IniValues::string(const QString& key, const QString& value)
{
    m_values.append({key, value});
    return *this;
}

IniValues& IniValues::integer(const QString& key, int value)
{
    return string(key, QString::number(value));
}

IniValues& IniValues::flag(const QString& key, bool value)
{
    return string(key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
