#pragma once

#include "net/CListeningSocket.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// The data connection of a file transfer, belonging to one control connection:
// its waits follow the control connection's time-out and stop flag, and it
// only ever connects with the control connection's peer, whatever the peer
// announces.
class CDataInterface : public CListeningSocket {
public:
    explicit CDataInterface(CIPPort& control);
    ~CDataInterface() override;

    int waitTimeOut() const override { return m_control.waitTimeOut(); }
    const bool& stopFlag() const override { return m_control.stopFlag(); }

    // Whether the data connections from now on are encrypted ("PROT P"): this
    // side is the TLS client whoever dialled, the server's certificate is
    // checked for `host`, and the control connection's session is resumed.
    void setProtection(bool on, const QString& host);
    bool isProtected() const { return m_protected; }

    // Passive: dials the control connection's peer on `port`.
    void openPassive(quint16 port);
    // Active: listens on the control connection's local IPv4 address and gives
    // that address and port as PORT spells them: "h1,h2,h3,h4,p1,p2".
    QString openActive();
    // Waits until the data connection is there: at once when passive, the
    // control peer's connection when active. A protected one is encrypted
    // then, after the transfer command's first reply: a server may start its
    // side of the handshake only once it knows what the connection is for.
    void awaitConnection();

    enum class SendResult { Sent, ReadFailed, FileShrank };
    // Sends `count` bytes of `file` from its position in blocks of at most
    // BlockSize bytes, calling `sent` with the total after each block, and
    // waits until every byte has left. Stops, without sending the rest, when
    // the file cannot be read or ends early.
    SendResult sendFile(QIODevice& file, qint64 count, const std::function<void(qint64 total)>& sent);
    // Receives until the peer closes, handing over each piece as it comes.
    void receive(const std::function<void(const QByteArray& piece)>& piece);
    // Ends the transfer after the last byte has left: the peer takes that as
    // the file's end. An encrypted one ends with the TLS close first, without
    // which a server may take the file for cut off.
    void finish();
    // Lets go of what finish() kept of an encrypted connection, once the
    // server has said whether the file arrived whole.
    void release();
    // Ends it at once, and any listening: the peer sees the transfer broken off.
    void abandon();

    static constexpr qint64 BlockSize = 2048;
    // The largest TLS record's payload: what an encrypted connection gathers blocks into.
    static constexpr qsizetype TlsRecordSize = 16 * 1024;
    // Bytes queued in the socket before sendFile waits for some to leave.
    static constexpr qint64 SendWindow = 256 * 1024;
    static constexpr qint64 ReceivePiece = 64 * 1024;

private:
    CIPPort& m_control;
    bool m_protected = false;
    QString m_host;
    // The connection finish() left open after the TLS close, until release(); -1 for none.
    int m_lingering = -1;
};
