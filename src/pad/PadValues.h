#pragma once

#include <QHash>
#include <QList>
#include <QString>

// One value of a PAD file: the element's path from the root
// ("XML_DIZ_INFO/Company_Info/Company_Name") and its text.
struct PadEntry {
    QString path;
    QString value;
    bool operator==(const PadEntry&) const = default;
};

// The values of a PAD file by path, in the order they stood in the file or
// were first set. A path holds one value.
class PadValues {
public:
    bool contains(const QString& path) const { return m_index.contains(path); }
    // The value, or empty when the path is absent.
    QString value(const QString& path) const;
    // Replaces the value in place, or appends the path.
    void set(const QString& path, const QString& value);
    void remove(const QString& path);
    const QList<PadEntry>& entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }
    qsizetype size() const { return m_entries.size(); }
    bool operator==(const PadValues& other) const { return m_entries == other.m_entries; }

private:
    QList<PadEntry> m_entries;
    QHash<QString, qsizetype> m_index;
};
