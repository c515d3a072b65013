#pragma once

#include <QString>

// The order names are listed in: the user interface's collation, ignoring case.
bool collatesBefore(const QString& a, const QString& b);
// The same collation: negative, zero or positive.
int compareIgnoringCase(const QString& a, const QString& b);
// The user interface's collation with case counting, for names that are equal
// ignoring case.
bool collatesBeforeCaseSensitive(const QString& a, const QString& b);
