#include "records/Collation.h"

#include <QCollator>

namespace {

const QCollator& collator(Qt::CaseSensitivity sensitivity)
{
    static const auto make = [](Qt::CaseSensitivity s) {
        QCollator c;
        c.setCaseSensitivity(s);
        return c;
    };
    static const QCollator insensitive = make(Qt::CaseInsensitive);
    static const QCollator sensitive = make(Qt::CaseSensitive);
    return sensitivity == Qt::CaseInsensitive ? insensitive : sensitive;
}

} // namespace

bool collatesBefore(const QString& a, const QString& b)
{
    return compareIgnoringCase(a, b) < 0;
}

int compareIgnoringCase(const QString& a, const QString& b)
{
    return collator(Qt::CaseInsensitive).compare(a, b);
}

bool collatesBeforeCaseSensitive(const QString& a, const QString& b)
{
    const int c = collator(Qt::CaseSensitive).compare(a, b);
    // A collation that sees no difference still gives one order: the code points'.
    return c != 0 ? c < 0 : a < b;
}
