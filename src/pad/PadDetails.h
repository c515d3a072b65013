#pragma once

#include "pad/PadValues.h"

#include <QString>

// The PAD values an application's records lack (keywords, category, the
// other descriptions, the form a value had in its file), kept beside the
// record as "<App>.pad.xml" in the data directory. The file is written by the
// program from the values, never copied from a file that was imported.
namespace PadDetails {

// The details file of the application; throws ZentrelError for a name no file may take.
QString fileFor(const QString& dataDirectory, const QString& appName);

// The application's details; none when it has no file. Throws ZentrelError
// with a message when the file cannot be read or is no PAD document.
PadValues load(const QString& dataDirectory, const QString& appName);

// Replaces the file whole; throws ZentrelError("Unable to write to <file>").
void save(const QString& dataDirectory, const QString& appName, const PadValues& details);

} // namespace PadDetails
