#include "platform/single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr char ACTIVATE[] = "activate\n";
// A running copy holds the lock a little before it listens; a later start waits that long.
constexpr int CONNECT_PATIENCE_MS = 3000;

QString runtimeDirectory(const QString& directory)
{
    if (!directory.isEmpty())
        return directory;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

} // namespace

SingleInstance::SingleInstance(const QString& name, const QString& directory, QObject* parent)
    : QObject(parent),
      m_socketPath(QDir(runtimeDirectory(directory)).filePath(name + QStringLiteral(".socket"))),
      m_lock(QDir(runtimeDirectory(directory)).filePath(name + QStringLiteral(".lock")))
{
    // Held for as long as the program runs: only a dead holder makes the lock stale.
    m_lock.setStaleLockTime(0);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::readRequest);
}

bool SingleInstance::claim()
{
    if (m_lock.tryLock(0)) {
        listen();
        return true;
    }
    if (m_lock.error() != QLockFile::LockFailedError)
        return true; // no usable runtime directory: run unguarded rather than not at all
    askRunningCopyToActivate();
    return false;
}

void SingleInstance::listen()
{
    QLocalServer::removeServer(m_socketPath); // left behind by a copy that crashed
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.listen(m_socketPath);
}

void SingleInstance::askRunningCopyToActivate()
{
    const QDeadlineTimer deadline(CONNECT_PATIENCE_MS);
    QLocalSocket socket;
    while (true) {
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (deadline.hasExpired())
            return;
        QThread::msleep(50);
    }
    socket.write(ACTIVATE);
    socket.waitForBytesWritten(int(deadline.remainingTime()));
    socket.disconnectFromServer();
}

void SingleInstance::readRequest()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == ACTIVATE)
                    emit activationRequested();
            }
        });
    }
}
