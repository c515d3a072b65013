#pragma once

#include "net/CIPPort.h"

#include <QString>

// A connection that speaks in lines ended by CR LF, 8-bit: commands go out as
// lines, replies come in as lines. The control connection of the FTP client,
// and of any other line protocol.
class CIPPortMsg : public CIPPort {
public:
    explicit CIPPortMsg(QObject* parent = nullptr);

    // Sends the text and CR LF, and waits until they have left.
    void sendLine(const QString& text);
    // The next line without its CR LF, waiting for a whole one. A line longer
    // than `longest` bytes fails with TooLong before more of it is kept; a
    // connection that ends mid-line fails as closed.
    QString readLine(qsizetype longest);
};
