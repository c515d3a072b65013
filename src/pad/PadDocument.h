#pragma once

#include "pad/PadValues.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// What reading a PAD file gave.
struct PadReadResult {
    // Empty when the file was read; otherwise the message to show, and no value.
    QString error;
    PadValues values;
    // What was read other than it stood, one sentence each (the text's
    // encoding, an element given twice).
    QStringList notes;
};

// Reading and writing the bytes of a PAD file. No widget, no file access.
namespace PadDocument {

// The largest PAD file read.
constexpr qint64 MaxBytes = 1024 * 1024;
// The deepest nesting of elements read.
constexpr int MaxDepth = 16;

// The values of the leaf elements by path. The file must be well-formed XML
// with the root XML_DIZ_INFO and no document type declaration.
PadReadResult read(const QByteArray& bytes);

// The values as a UTF-8 PAD document with LF line breaks. Elements stand in the
// order of `order` (paths in the order the PAD format lists its fields); paths not in it
// follow within their parent in the order of `values`.
QByteArray write(const PadValues& values, const QStringList& order);

} // namespace PadDocument
