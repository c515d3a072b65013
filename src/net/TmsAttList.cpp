#include "net/TmsAttList.h"

TmsAttItem& TmsAttList::Add(const QString& filePath)
{
    m_items.append(TmsAttItem(filePath));
    return m_items.last();
}
