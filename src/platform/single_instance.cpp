// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "platform/single_instance.h"

#include "core/logging.h"
#include "platform/process_alive.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>

namespace {

// "activate", a space and the launcher's activation token when there is one, then a newline.
constexpr char ACTIVATE[] = "activate";
constexpr char ACTIVATED[] = "ok\n";

// What the desktop gave this start to let it raise a window: Wayland's xdg-activation token,
// or X11's startup notification id.
QByteArray launchToken()
{
    for (const char* name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
        const QByteArray token = qgetenv(name);
        if (!token.isEmpty() && !token.contains('\n'))
            return token;
    }
    return {};
}

QString runtimeDirectory(const QString& directory)
{
    if (!directory.isEmpty())
        return directory;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

} // namespace

QByteArray SingleInstance::launchTokenFromEnvironment()
{
    return launchToken();
}

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
    const bool leftBehind = QFileInfo::exists(m_lock.fileName());
    if (m_lock.tryLock(0)) {
        // QLockFile takes over by itself the lock of a process that is gone.
        if (leftBehind) {
            qCWarning(lcInstance).noquote()
                << "Took over the lock" << m_lock.fileName() << "- its holder is gone";
        }
        listen();
        return true;
    }
    if (m_lock.error() != QLockFile::LockFailedError) {
        qCWarning(lcInstance).noquote()
            << "Cannot use the lock in" << QFileInfo(m_socketPath).path()
            << "- running without the guard against a second copy";
        return true;
    }
    qint64 pid = 0;
    QString host, application;
    if (!m_lock.getLockInfo(&pid, &host, &application)) {
        takeOver(QStringLiteral("it is empty or unreadable"));
        return true;
    }
    if (host == QSysInfo::machineHostName() && !isProcessAlive(pid)) {
        takeOver(QStringLiteral("process %1, which holds it, is gone").arg(pid));
        return true;
    }
    if (askRunningCopyToActivate())
        return false;
    takeOver(QStringLiteral("process %1, which holds it, does not answer").arg(pid));
    return true;
}

// A lock whose holder cannot be confirmed alive and answering would keep the program from
// ever starting again: it is removed, and this copy starts.
void SingleInstance::takeOver(const QString& why)
{
    qCWarning(lcInstance).noquote() << "Taking over the lock" << m_lock.fileName() << "-" << why;
    m_lock.removeStaleLockFile();
    if (!m_lock.tryLock(0)) {
        qCWarning(lcInstance).noquote() << "Cannot take the lock" << m_lock.fileName()
                                        << "- running without the guard against a second copy";
    }
    listen();
}

void SingleInstance::listen()
{
    QLocalServer::removeServer(m_socketPath); // left behind by a copy that crashed
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_socketPath)) {
        qCWarning(lcInstance).noquote()
            << "Cannot listen on" << m_socketPath << "-" << m_server.errorString()
            << "- a second start will not find this copy";
    }
}

// True once the running copy said it came to the front. A copy that holds the lock listens a
// moment after taking it, so a refused connection is tried again until the patience ends.
bool SingleInstance::askRunningCopyToActivate()
{
    const QDeadlineTimer deadline(ANSWER_PATIENCE_MS);
    QLocalSocket socket;
    while (true) {
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    const QByteArray token = m_launchToken;
    socket.write(QByteArray(ACTIVATE) + (token.isEmpty() ? QByteArray() : ' ' + token) + '\n');
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.readLine() == ACTIVATED;
}

void SingleInstance::readRequest()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine().chopped(1);
                const qsizetype space = line.indexOf(' ');
                if (line.left(space < 0 ? line.size() : space) != ACTIVATE)
                    continue;
                socket->write(ACTIVATED);
                emit activationRequested(space < 0 ? QString()
                                                   : QString::fromUtf8(line.mid(space + 1)));
            }
        });
    }
}
