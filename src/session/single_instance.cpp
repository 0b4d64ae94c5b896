// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "session/single_instance.h"

#include "support/logging.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

namespace {

// "activate", a space and the launcher's activation token when there is one, then a newline.
constexpr char ACTIVATE[] = "activate";
constexpr char ACTIVATED[] = "ok\n";
constexpr char CLOSING[] = "closing\n";

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
      m_lockPath(QDir(runtimeDirectory(directory)).filePath(name + QStringLiteral(".lock")))
{
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::readRequest);
}

SingleInstance::Claim SingleInstance::claim()
{
    // Only the lock counts, never what the file holds: a read-only descriptor is enough.
    m_lock.reset(::open(QFile::encodeName(m_lockPath).constData(),
                        O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!m_lock)
        return runUnguarded(errno);
    // The running copy listens a moment after it took the lock, and answers once its window
    // is up; a copy that ends meanwhile leaves the lock to this one.
    const QDeadlineTimer deadline(ANSWER_PATIENCE_MS);
    bool closing = false;
    while (true) {
        if (::flock(m_lock.get(), LOCK_EX | LOCK_NB) == 0) {
            listen();
            return Claim::Run;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return runUnguarded(errno);
        const Answer answer = askRunningCopyToActivate(deadline);
        if (answer == Answer::Activated)
            return Claim::HandedOver;
        if (answer == Answer::Closing && !closing) {
            closing = true;
            qCWarning(lcInstance).noquote()
                << "Another copy is closing and still saving its settings - waiting for it";
        }
        if (deadline.hasExpired()) {
            if (closing) {
                qCWarning(lcInstance).noquote()
                    << "The copy that is closing did not finish saving its settings within"
                    << ANSWER_PATIENCE_MS / 1000 << "s - not starting a second copy";
            } else {
                qCWarning(lcInstance).noquote()
                    << "Another copy holds" << m_lockPath << "but does not answer"
                    << "- not starting a second copy";
            }
            return Claim::NoAnswer;
        }
        QThread::msleep(50);
    }
}

SingleInstance::Claim SingleInstance::runUnguarded(int errorNumber)
{
    qCWarning(lcInstance).noquote()
        << "Cannot use the lock" << m_lockPath << "-" << errorText(errorNumber)
        << "- running without the guard against a second copy";
    m_lock.reset();
    return Claim::Run;
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

// One try: whether the running copy came to the front, or said it is closing. None at once
// when it does not listen (yet), or when it goes without answering.
SingleInstance::Answer SingleInstance::askRunningCopyToActivate(const QDeadlineTimer& deadline)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(int(std::min<qint64>(deadline.remainingTime(), 500))))
        return Answer::None;
    const QByteArray token = m_launchToken;
    socket.write(QByteArray(ACTIVATE) + (token.isEmpty() ? QByteArray() : ' ' + token) + '\n');
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return Answer::None;
    }
    const QByteArray reply = socket.readLine();
    if (reply == ACTIVATED)
        return Answer::Activated;
    return reply == CLOSING ? Answer::Closing : Answer::None;
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
                if (m_closing) {
                    socket->write(CLOSING);
                    continue;
                }
                socket->write(ACTIVATED);
                emit activationRequested(space < 0 ? QString()
                                                   : QString::fromUtf8(line.mid(space + 1)));
            }
        });
    }
}
