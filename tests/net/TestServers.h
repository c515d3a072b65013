#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>

// The project's Python HTTP server on a free port of 127.0.0.1, recording
// every request it reads; stopped when this object goes.
class HttpTestServer {
public:
    // `root` is the folder whose files it serves besides the /test/ paths.
    explicit HttpTestServer(const QString& root = QString());
    ~HttpTestServer();

    bool started() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    // "127.0.0.1:<port>"
    QString address() const;
    QString url(const QString& path) const { return u"http://" + address() + path; }
    // Every request read so far, byte for byte.
    QByteArray recorded() const;
    // The connections accepted so far, whether or not anything was sent on them.
    int connections() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};

// Debian's tinyproxy on a free port of 127.0.0.1, taking only the given
// Basic credentials.
class TinyProxy {
public:
    TinyProxy(const QString& user, const QString& password);
    ~TinyProxy();

    bool started() const { return m_started; }
    QString address() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    bool m_started = false;
};

// An in-process server that answers the first request of every connection
// with fixed bytes, for replies a real server does not send.
class FakeHttpServer {
public:
    FakeHttpServer();

    // Applies to connections accepted from now on.
    void setReply(const QByteArray& reply, bool closeAfter = true)
    {
        m_reply = reply;
        m_closeAfter = closeAfter;
    }
    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString& path) const;
    int connections() const { return m_connections; }

private:
    QTcpServer m_server;
    QByteArray m_reply;
    bool m_closeAfter = true;
    int m_connections = 0;
};

// A port on 127.0.0.1 that nothing listens on (it did a moment ago).
quint16 unusedPort();
