#include "pad/PadValues.h"

QString PadValues::value(const QString& path) const
{
    const auto it = m_index.constFind(path);
    return it == m_index.constEnd() ? QString() : m_entries[*it].value;
}

void PadValues::set(const QString& path, const QString& value)
{
    const auto it = m_index.constFind(path);
    if (it != m_index.constEnd()) {
        m_entries[*it].value = value;
        return;
    }
    m_index.insert(path, m_entries.size());
    m_entries.append(PadEntry{path, value});
}

void PadValues::remove(const QString& path)
{
    const auto it = m_index.constFind(path);
    if (it == m_index.constEnd())
        return;
    m_entries.removeAt(*it);
    m_index.clear();
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        m_index.insert(m_entries[i].path, i);
}
