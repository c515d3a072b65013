#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QString>

#include <functional>

class QAbstractSocket;
class QIODevice;

// A TCP client component with blocking calls: each call waits for its socket
// event in a nested event loop, so the user interface stays alive, under a
// time-out counted in seconds that restarts whenever a wait ends with
// progress. The lines read one after another share one time-out: a reply
// must be whole within it, however its lines trickle in. Errors fire OnError
// with their text and are then thrown as ESocketError (ECanceledError for a
// cancel). The HTTP and mail clients derive from it.
class TagSocket : public QObject {
public:
    explicit TagSocket(QObject* parent = nullptr);
    ~TagSocket() override;

    // "host" or "host:port"; a port of 0 or none takes the service's port.
    const QString& Server() const { return m_server; }
    void setServer(const QString& server) { m_server = server; }
    // The port when neither Server nor the service name gives one.
    quint16 DefaultPort() const { return m_defaultPort; }
    void setDefaultPort(quint16 port) { m_defaultPort = port; }
    // Seconds any single wait may take; 0 or less waits one second.
    qint32 TimeOut() const { return m_timeOut; }
    void setTimeOut(qint32 seconds) { m_timeOut = seconds; }
    // Kept for callers that set it before first use; the socket library is always there.
    bool WinsockLoaded() const { return m_winsockLoaded; }
    void setWinsockLoaded(bool loaded) { m_winsockLoaded = loaded; }
    bool Connected() const;

    std::function<void(TagSocket& sender)> OnOpen;
    std::function<void(TagSocket& sender)> OnClosing;
    std::function<void(TagSocket& sender)> OnClosed;
    std::function<void(TagSocket& sender)> OnCancel;
    // Percent is -1 while the total is unknown.
    std::function<void(TagSocket& sender, int percent, qint64 bytes)> OnProgress;
    std::function<void(TagSocket& sender, const QString& message)> OnError;

    // Each of these fails with "Busy performing current action." while another
    // call of this component waits.
    void Connect();
    void Disconnect();
    void WriteLine(const QString& text);
    // The next line, without the CR and LF characters at its end.
    QString ReadLine();
    // Appends `count` bytes (-1: all until the peer closes) to the stream.
    void ReadBytes(QIODevice& stream, qint64 count);
    // Sends the stream from its start.
    void SendStream(QIODevice& stream);

    // Stops the running call, which fails with "Operation has been canceled",
    // and closes the connection. Meant to be called while a call waits.
    void Cancel();

    // The longest line ReadLine takes, CR and LF not counted.
    static constexpr qsizetype MaxLineLength = 16 * 1024;
    static constexpr qint64 PieceSize = 8192;
    static constexpr qint64 SendPieceSize = 2047;

protected:
    // The one place a connection's socket is made: a QSslSocket while
    // tlsCapable() is set, a plain QTcpSocket otherwise.
    virtual QAbstractSocket* createSocket();
    bool tlsCapable() const { return m_tlsCapable; }
    void setTlsCapable(bool on) { m_tlsCapable = on; }
    // Makes the open connection encrypted, this side the client, checking the
    // server's certificate for `host`; returns when the handshake is done. A
    // failure closes the connection, fires OnError and throws ESocketError
    // with Tls::Failed and a text naming the reason and the host.
    void startTls(const QString& host);
    bool isEncrypted() const;
    // The host part of Server, the name a connection is made to.
    QString serverHost() const { return m_server.section(u':', 0, 0); }
    // The port the open connection reached; 0 without one.
    quint16 peerPort() const;

    void setServiceName(const QString& name) { m_serviceName = name; }

    // Marks the component busy for the length of one public call.
    class BusyScope {
    public:
        explicit BusyScope(TagSocket& component);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TagSocket& m_component;
    };

    // The operations themselves, for subclasses that hold the busy mark already.
    void openConnection();
    void closeConnection();
    void sendLine(const QString& text);
    void sendBytes(const QByteArray& bytes);
    QString receiveLine();
    // A line of at most `longest` characters; a longer one fails with `tooLong`.
    QString receiveLine(qsizetype longest, int tooLong);
    // Reads `count` bytes (-1: until the peer closes) into the stream, keeping
    // at most `limit` (-1: no limit). True when bytes beyond the limit were left unread.
    // The bytes share the time-out of the reads before them until a piece of
    // PieceSize bytes has come; each whole piece starts a new one.
    bool receiveBytes(QIODevice& stream, qint64 count, qint64 limit = -1);
    // The next read starts a time-out of its own, as after a request sent: a
    // reply that is over (an interim one) no longer counts against the next.
    void newReply();
    void sendStream(QIODevice& stream);
    void progress(int percent, qint64 bytes);
    // The port when Server names none: the service's well-known port, else DefaultPort.
    virtual quint16 servicePort() const;

    // Fires OnError with the number's text and throws it.
    [[noreturn]] void fail(int number);
    // The same with a text of its own.
    [[noreturn]] void fail(int number, const QString& text);

private:
    QAbstractSocket& socket();
    // Bounded by the time-out, or by `deadline` when one is given.
    void await(const std::function<bool()>& done, bool peerCloseFails, const QDeadlineTimer* deadline = nullptr);
    void dropSocket();
    void abortLookup();

    QString m_server;
    quint16 m_defaultPort = 0;
    qint32 m_timeOut = 60;
    bool m_winsockLoaded = false;
    QString m_serviceName;

    QAbstractSocket* m_socket = nullptr;
    int m_lookupId = -1;
    bool m_busy = false;
    // Set by socket signals and Cancel; looked at by the waits.
    bool m_cancelRequested = false;
    bool m_connected = false;
    bool m_closedByPeer = false;
    int m_errorCode = 0;
    QString m_errorText; // for errors whose number alone does not say it (TLS)
    bool m_tlsCapable = false;
    QString m_tlsHost;
    // Set by a read that ended well; the next read shares its deadline unless
    // anything was sent between them or newReply() was called.
    bool m_inReply = false;
    QDeadlineTimer m_replyDeadline;
    // Body bytes read under the deadline; a whole piece of them starts a new one.
    qint64 m_replyProgress = 0;
    // Starts the deadline of a read: a new one, or the running one of its reply.
    void continueReply();
    // receiveBytes' pieces, under the deadline continueReply() set.
    bool receivePieces(QIODevice& stream, qint64 count, qint64 limit);
    qint64 queuedBytes() const;
};
