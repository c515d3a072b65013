#include "records/Collation.h"

#include <QCollator>

bool collatesBefore(const QString& a, const QString& b)
{
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b) < 0;
}
