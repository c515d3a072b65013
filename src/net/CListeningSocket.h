#pragma once

#include "net/CIPPort.h"

#include <QHostAddress>

class QTcpServer;

// A connection that is accepted instead of dialled: it listens on a free port
// of one local address and takes the first connection from the one peer it
// expects. A connection from anywhere else is closed and the wait goes on, so
// no third party can slip its data in.
class CListeningSocket : public CIPPort {
public:
    explicit CListeningSocket(QObject* parent = nullptr);
    ~CListeningSocket() override;

    // Listens on a free port of `address` for a connection from `peer`; fails
    // with the socket error. A connection may come before accept() is called.
    void listen(const QHostAddress& address, const QHostAddress& peer);
    bool isListening() const;
    QHostAddress listeningAddress() const;
    quint16 listeningPort() const;
    // Waits for the connection from the peer and takes it as this connection;
    // the listening stops then. Fails with "Failed to accept new socket." when the
    // system refuses one, "Error calling WSAAsyncSelect on new socket." when an
    // accepted one cannot be set up.
    void accept();
    void stopListening();

private:
    class Listener;
    void incoming(qintptr descriptor);

    Listener* m_listener = nullptr;
    QHostAddress m_expectedPeer;
};
