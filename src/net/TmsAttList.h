#pragma once

#include "net/TmsAttItem.h"

#include <QList>

// The files of a message, in the order they are sent.
class TmsAttList {
public:
    // The reference holds until the list next changes.
    TmsAttItem& Add(const QString& filePath);
    void Clear() { m_items.clear(); }
    qsizetype Count() const { return m_items.size(); }
    const TmsAttItem& Items(qsizetype index) const { return m_items.at(index); }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    QList<TmsAttItem> m_items;
};
