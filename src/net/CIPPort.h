#pragma once

#include "net/CWinsock.h"
#include "net/ESocketError.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

class QAbstractSocket;

// A wait or an operation of a connection that did not end as asked. The
// protocol above turns it into an error of its own; `number()` is the socket
// error's Windows Sockets number for Failed, 0 otherwise.
class EIPPortError : public ESocketError {
public:
    enum Kind {
        Stopped,  // the owner's stop flag was set
        TimedOut, // a single wait took longer than the owner allows
        Quit,     // the program left its event loops
        Closed,   // the peer closed the connection
        Failed,   // a socket error
        TooLong,  // a line or reply beyond the reader's bound
    };
    EIPPortError(Kind kind, int number, const QString& text) : ESocketError(number, text), m_kind(kind) {}
    explicit EIPPortError(Kind kind, int number = 0);

    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};

// One TCP connection. Every wait runs the event loop through waitFor, bounded
// by waitTimeOut() and ended at once by the stop flag; what goes wrong is
// thrown as EIPPortError. Clients derive from it for their control connection.
class CIPPort : public CWinsock {
public:
    explicit CIPPort(QObject* parent = nullptr);
    ~CIPPort() override;

    // "host" or "host:port" as the user writes a server: the host and the port,
    // `defaultPort` when none is written. Nothing when the port is no number
    // from 1 to 65535. A name with more than one colon is all host.
    static std::optional<std::pair<QString, quint16>> splitServer(const QString& server, quint16 defaultPort);

    // A host name is looked up for IPv4 only: PORT and PASV speak nothing else.
    void connectTo(const QString& host, quint16 port);
    void connectTo(const QHostAddress& address, quint16 port);
    bool isConnected() const;
    // True from a connect or accept until close() or reset(), also after the peer has closed.
    bool hasConnection() const { return m_socket != nullptr; }
    QHostAddress localAddress() const;
    QHostAddress peerAddress() const;
    // The local address of the connection, or the machine's name without one.
    QString LocalHost() const;
    qintptr descriptor() const;

    // Makes the connection encrypted, this side the client, checking the
    // server's certificate for `host`, and returns when the handshake is done.
    // `session`: an earlier connection's session (tlsSession()) to resume. The
    // socket must have been made while tlsCapable() was set. A failure closes
    // the connection and is Failed with Tls::Failed and a text naming the
    // reason and the host; the peer's close in the handshake is such a failure too.
    void startTls(const QString& host, const QByteArray& session = QByteArray());
    bool isEncrypted() const;
    // The session of this encrypted connection, for another one to resume; empty without one.
    QByteArray tlsSession() const;
    // Bytes written and not yet handed to the system, counting those a TLS layer still holds.
    qint64 queuedBytes() const;

    // Sends and waits until every byte has left; each piece that leaves starts the time-out afresh.
    void send(const QByteArray& bytes);
    // Queues bytes and returns at once; for a command sent from inside an event handler.
    void post(const QByteArray& bytes);
    // Sends bytes as urgent (out-of-band) data and has urgent data arrive inline.
    // Best effort: false when the system took none of it.
    bool sendUrgent(const QByteArray& bytes);
    // Ends the connection after what is queued has left.
    void close();
    // Ends the connection at once; the peer sees a reset, not an orderly end.
    void reset();

    // The seconds one wait may take, and the flag that ends every wait of this connection.
    virtual int waitTimeOut() const { return m_waitTimeOut; }
    void setWaitTimeOut(int seconds) { m_waitTimeOut = seconds; }
    virtual const bool& stopFlag() const { return m_stopped; }

protected:
    // The one place a socket is made, for connections dialled and accepted alike:
    // a QSslSocket while tlsCapable() is set, a plain QTcpSocket otherwise.
    virtual QAbstractSocket* createSocket();
    bool tlsCapable() const { return m_tlsCapable; }
    void setTlsCapable(bool on) { m_tlsCapable = on; }
    // The peer ended the connection or it broke while nothing waited on it.
    virtual void connectionLost() {}
    // Takes a socket that is connected already (an accepted one) as this connection.
    void adopt(QAbstractSocket* socket);
    QAbstractSocket* socket() const { return m_socket; }
    bool peerClosed() const { return m_closed; }
    bool hasError() const { return m_errorCode != 0; }
    void setStopped(bool stopped) { m_stopped = stopped; }
    // A failure found outside the socket (a listener's), ending the waits that watch it.
    void noteError(int number, const QString& text);
    void clearError();

    // Waits until done() holds. With `closeFails`, the peer's close ends the
    // wait with Closed; a socket error always ends it. Without `needSocket`
    // the wait goes on while there is no connection yet (an accept). Bounded
    // by waitTimeOut(), or by `deadline` when one is given.
    void await(const std::function<bool()>& done, bool closeFails = true, bool needSocket = true,
               const QDeadlineTimer* deadline = nullptr);
    // Throws the error the connection has, or Closed.
    [[noreturn]] void throwConnectionError() const;
    // The next line without its LF (and CR), waiting for a whole one. A line
    // longer than `longest` bytes fails with TooLong before more of it is kept;
    // a connection that ends mid-line fails as closed. The lines read one
    // after another, with nothing sent and no other wait between them, share
    // one time-out: a reply must be whole within it, however its lines trickle in.
    QByteArray readRawLine(qsizetype longest);

private:
    void attach(QAbstractSocket* socket);
    void drop(bool orderly);

    QAbstractSocket* m_socket = nullptr;
    int m_waitTimeOut = 60;
    bool m_stopped = false;
    // Set by the socket's signals; looked at by the waits.
    bool m_connected = false;
    bool m_closed = false;
    int m_errorCode = 0;
    QString m_errorText;
    bool m_tlsCapable = false;
    // The name the server's certificate is checked for, while a handshake may run.
    QString m_tlsHost;
    // Set by a line read; the next one shares its deadline unless anything else came between.
    bool m_inReply = false;
    quint64 m_waitsAfterLine = 0;
    QDeadlineTimer m_replyDeadline;
};
