#include "net/CListeningSocket.h"

#include "net/WaitFor.h"

#include <QAbstractSocket>
#include <QTcpServer>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// Hands each accepted descriptor to its owner, which wraps it in a socket of
// its own making, as it does for the connections it dials.
class CListeningSocket::Listener : public QTcpServer {
public:
    explicit Listener(CListeningSocket& owner) : QTcpServer(&owner), m_owner(owner) {}

protected:
    void incomingConnection(qintptr descriptor) override { m_owner.incoming(descriptor); }

private:
    CListeningSocket& m_owner;
};

CListeningSocket::CListeningSocket(QObject* parent) : CIPPort(parent) {}

CListeningSocket::~CListeningSocket()
{
    stopListening();
}

void CListeningSocket::listen(const QHostAddress& address, const QHostAddress& peer)
{
    stopListening();
    reset();
    clearError();
    m_expectedPeer = peer;
    m_listener = new Listener(*this);
    QObject::connect(m_listener, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError error) {
        noteError(socketErrorNumber(error), QStringLiteral("Failed to accept new socket."));
        wakeWaits();
    });
    if (!m_listener->listen(address, 0)) {
        const int number = socketErrorNumber(m_listener->serverError(), m_listener->errorString());
        stopListening();
        throw EIPPortError(EIPPortError::Failed, number);
    }
}

bool CListeningSocket::isListening() const
{
    return m_listener && m_listener->isListening();
}

QHostAddress CListeningSocket::listeningAddress() const
{
    return m_listener ? m_listener->serverAddress() : QHostAddress();
}

quint16 CListeningSocket::listeningPort() const
{
    return m_listener ? m_listener->serverPort() : 0;
}

void CListeningSocket::accept()
{
    await([this] { return hasConnection(); }, false, false);
    stopListening();
}

void CListeningSocket::stopListening()
{
    if (!m_listener)
        return;
    Listener* listener = m_listener;
    m_listener = nullptr;
    listener->disconnect(this);
    listener->close();
    // It may be inside its own signal; it goes once control is back in the event loop.
    listener->deleteLater();
}

void CListeningSocket::incoming(qintptr descriptor)
{
    QAbstractSocket* s = createSocket();
    if (!s->setSocketDescriptor(descriptor)) {
        delete s;
#ifdef Q_OS_UNIX
        ::close(int(descriptor));
#endif
        noteError(10022, QStringLiteral("Error calling WSAAsyncSelect on new socket."));
        wakeWaits();
        return;
    }
    // The first connection from the expected peer is the one; it may come before
    // the wait for it starts, once the command that asks for it has been sent.
    const bool expected = m_listener && !hasConnection() && !m_expectedPeer.isNull()
        && s->peerAddress().isEqual(m_expectedPeer, QHostAddress::TolerantConversion);
    if (!expected) {
        s->abort();
        s->deleteLater();
        return;
    }
    adopt(s);
    wakeWaits();
}
