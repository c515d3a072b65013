#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <QThread>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <unistd.h>

namespace {
const QByteArray ShowRequest = "show\n";
const QByteArray ShownReply = "shown\n";
const QByteArray BusyReply = "busy\n";

} // namespace

SingleInstance::SingleInstance(const QString& programDirectory, QObject* parent) : QObject(parent)
{
    const QByteArray folder = QCryptographicHash::hash(programDirectory.toUtf8(), QCryptographicHash::Sha1).toHex();
    m_name = QStringLiteral("Zentrel-%1-%2").arg(::getuid()).arg(QString::fromLatin1(folder.left(16)));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::requestFront(const QString& serverName, int timeoutMs, bool* busy)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(ShowRequest);
    socket.waitForBytesWritten(timeoutMs);
    QByteArray reply;
    while (!reply.contains('\n') && socket.waitForReadyRead(timeoutMs))
        reply += socket.readAll();
    if (busy)
        *busy = reply == BusyReply;
    return reply == ShownReply || reply == BusyReply;
}

bool SingleInstance::claim(int timeoutMs)
{
    // The lock decides which copy is first, even when two start at the same moment;
    // the lock of a copy that ended without cleaning up is taken over.
    m_lock = std::make_unique<QLockFile>(QDir::temp().filePath(m_name + QStringLiteral(".lock")));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() != QLockFile::LockFailedError)
            return true; // no hand-over possible here; this copy simply runs
        // The first copy may still be setting up its end: give it time to listen.
        QDeadlineTimer deadline(timeoutMs);
        while (!requestFront(m_name, timeoutMs, &m_busyElsewhere) && !deadline.hasExpired())
            QThread::msleep(50);
        return false;
    }
    return listen();
}

bool SingleInstance::claimForScript()
{
    m_lock = std::make_unique<QLockFile>(QDir::temp().filePath(m_name + QStringLiteral(".lock")));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0))
        return m_lock->error() != QLockFile::LockFailedError;
    m_script = true;
    m_ready = true;
    return listen();
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name))
        return true;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->readAll().contains(ShowRequest))
                    return;
                if (m_ready)
                    answer(QPointer<QLocalSocket>(socket));
                else
                    m_waiting.append(QPointer<QLocalSocket>(socket));
            });
        }
    });
    return true;
}

void SingleInstance::setReady()
{
    m_ready = true;
    const auto waiting = m_waiting;
    m_waiting.clear();
    for (const QPointer<QLocalSocket>& socket : waiting)
        answer(socket);
}

void SingleInstance::answer(const QPointer<QLocalSocket>& socket)
{
    // A run from a script has no window to show: the other copy learns why it cannot start.
    if (!m_script)
        emit bringToFrontRequested();
    if (socket && socket->state() == QLocalSocket::ConnectedState) {
        socket->write(m_script ? BusyReply : ShownReply);
        socket->flush();
    }
}
