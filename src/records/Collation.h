#pragma once

#include <QString>

// The order names are listed in: the user interface's collation, ignoring case.
bool collatesBefore(const QString& a, const QString& b);
