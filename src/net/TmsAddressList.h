#pragma once

#include "net/TmsMailAddress.h"

#include <QList>

// The mailboxes of one header field (To, CC) or of BCC, in the order given.
class TmsAddressList {
public:
    // The reference holds until the list next changes.
    TmsMailAddress& Add(const QString& name, const QString& address);
    TmsMailAddress& Add(const TmsMailAddress& address);
    void Clear() { m_items.clear(); }
    qsizetype Count() const { return m_items.size(); }
    const TmsMailAddress& Items(qsizetype index) const { return m_items.at(index); }
    TmsMailAddress& Items(qsizetype index) { return m_items[index]; }

    // The entries whose address is not empty.
    QList<TmsMailAddress> withAddress() const;

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    QList<TmsMailAddress> m_items;
};
