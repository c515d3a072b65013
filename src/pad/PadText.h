#pragma once

#include <QByteArray>
#include <QString>

// The records are 8-bit text: each character of a record value stands for one
// byte. PAD files are Unicode. Between the two, the bytes are Windows-1252.
namespace PadText {

// Bytes as Windows-1252 text (the five unassigned bytes map to their own code).
QString fromWindows1252(const QByteArray& bytes);

// Unicode text as record text; `lost` counts the characters Windows-1252
// cannot hold, each of which becomes "?".
QString toRecord(const QString& text, int* lost = nullptr);
// Record text as Unicode.
QString fromRecord(const QString& text);

} // namespace PadText
