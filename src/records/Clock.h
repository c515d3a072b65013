#pragma once

#include <QDateTime>

#include <functional>

// The one source of "now" for dates and times the program shows or writes, so
// a test can fix the moment it runs at.
namespace Clock {

QDateTime now();
// Replaces the clock; an empty function restores the system clock.
void set(std::function<QDateTime()> source);

} // namespace Clock
