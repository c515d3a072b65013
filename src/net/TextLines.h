#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

// The lines of a text: CR LF, CR or LF ends a line, and a break at the very
// end adds no empty line.
QStringList textLines(const QString& text);

// The bytes waiting on the device where its next line's end is looked for: the
// first few hundred, and only when they hold no LF up to `peekSize`. Most lines
// are short, so most reads spare a buffer of the longest line.
QByteArray peekLineHead(QIODevice& device, qint64 peekSize);
