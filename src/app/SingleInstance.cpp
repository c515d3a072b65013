#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {
const QByteArray ShowMessage = "show\n";
}

SingleInstance::SingleInstance(const QString& programDirectory, QObject* parent) : QObject(parent)
{
    const QByteArray folder = QCryptographicHash::hash(programDirectory.toUtf8(), QCryptographicHash::Sha1).toHex();
    m_name = QStringLiteral("Zentrel-%1-%2").arg(::getuid()).arg(QString::fromLatin1(folder.left(16)));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOverToRunningCopy(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(ShowMessage);
    socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A copy that ended without cleaning up leaves its socket file behind.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(ShowMessage.trimmed()))
                    emit bringToFrontRequested();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}
