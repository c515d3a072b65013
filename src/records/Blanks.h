#pragma once

#include <QString>

// Only the space character counts as a blank.
QString trimBlanks(const QString& text);
QString trimLeadingBlanks(const QString& text);
