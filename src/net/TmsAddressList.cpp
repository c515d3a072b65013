#include "net/TmsAddressList.h"

TmsMailAddress& TmsAddressList::Add(const QString& name, const QString& address)
{
    return Add(TmsMailAddress(name, address));
}

TmsMailAddress& TmsAddressList::Add(const TmsMailAddress& address)
{
    m_items.append(address);
    return m_items.last();
}

QList<TmsMailAddress> TmsAddressList::withAddress() const
{
    QList<TmsMailAddress> found;
    for (const TmsMailAddress& item : m_items) {
        if (!item.Address().isEmpty())
            found.append(item);
    }
    return found;
}
