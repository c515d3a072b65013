#pragma once

#include "records/FileStore.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// Reads the integer forms a profile value may take: decimal with an optional
// sign, "$" or "0x" hexadecimal. Anything else, or a number outside the signed
// 32-bit range, gives the default.
int parseProfileInteger(const QString& text, int defaultValue);

// A stored value as a read gives it back: blanks at its ends and one pair of
// enclosing quotes dropped, cut to 1023 characters.
QString profileValueAsRead(QStringView stored);

// The values of one section, read in one access to the file.
class IniSection {
public:
    IniSection() = default;
    explicit IniSection(QHash<QString, QString> values) : m_values(std::move(values)) {}

    bool contains(const QString& key) const;
    QString ReadString(const QString& key, const QString& defaultValue) const;
    int ReadInteger(const QString& key, int defaultValue) const;
    bool ReadBool(const QString& key, bool defaultValue) const;

private:
    QHash<QString, QString> m_values; // keys lower-cased; the first occurrence wins
};

// The lines of a profile file, with the reading and writing rules of the format.
class IniDocument {
public:
    static IniDocument fromBytes(const QByteArray& bytes);
    // One section read straight from a file's bytes, for loads that only read.
    static IniSection sectionOf(const QByteArray& bytes, const QString& name);
    QByteArray toBytes() const;

    void setValue(const QString& section, const QString& key, const QString& value);

private:
    // Index of the first line "[name]" (ignoring case), or -1.
    qsizetype findSection(const QString& name) const;
    qsizetype sectionEnd(qsizetype headerLine) const;

    QStringList m_lines;
};

// A profile file: "[SECTION]" headers and "KEY=value" lines. The object holds
// nothing but the file name; each call is one complete access to the file.
// A file past FileLimits::Profile is never read: reads throw FileTooLarge and
// writes "Unable to write to <file>", so it is left as it is.
class TIniFile {
public:
    explicit TIniFile(QString fileName, FileAccess access = FileAccess::Usual)
        : m_fileName(std::move(fileName)), m_access(access)
    {
    }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

    // Each write throws ZentrelError("Unable to write to <file>") when refused;
    // the file is replaced whole or not at all.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // Reads one section with a single access, for loads that need many keys.
    IniSection ReadSection(const QString& section) const;
    // Writes several keys in order with a single access; the result is that of
    // writing them one after another.
    void WriteValues(const QString& section, const QList<QPair<QString, QString>>& values);
    // Reads the file, applies the change and writes the result, in one access.
    void Update(const std::function<void(IniDocument&)>& change);

private:
    void writeDocument(const IniDocument& document) const;

    QString m_fileName;
    FileAccess m_access; // the rights every write leaves the file with
};

// Builds the value list for TIniFile::WriteValues with the format's own forms.
class IniValues {
public:
    IniValues& string(const QString& key, const QString& value);
    IniValues& integer(const QString& key, int value);
    IniValues& flag(const QString& key, bool value);
    const QList<QPair<QString, QString>>& list() const { return m_values; }

private:
    QList<QPair<QString, QString>> m_values;
};
