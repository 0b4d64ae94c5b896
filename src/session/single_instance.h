// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "support/unique_fd.h"

#include <QLocalServer>
#include <QObject>

class QDeadlineTimer;

// Keeps one running copy of the program per user. The first copy holds an flock() on a lock
// file in the user's runtime directory for as long as it runs, and listens on a local socket
// beside it; a later start finds the lock held, asks the running copy through the socket to
// come to the front, and goes once it has answered. A copy whose window has gone but whose last
// save of the settings is still on its way to the disk keeps the lock and tells a later start
// so: that start waits for the lock rather than read the settings before the save lands (and
// write the old values back when it closes). The kernel takes the lock in one step and
// drops it when its holder ends however it ends, so two starts at the same instant never both
// get it, and a lock is never left behind: the file itself stays, and is never removed.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // How long a later start waits for the running copy, which may itself be starting, to
    // answer.
    static constexpr int ANSWER_PATIENCE_MS = 10000;

    enum class Claim {
        Run,        // this is now the one copy, or the lock cannot be used at all (unguarded)
        HandedOver, // another copy runs and has come to the front
        NoAnswer,   // another copy holds the lock but never answered, or never finished closing
    };

    // `directory` defaults to the user's runtime directory ($XDG_RUNTIME_DIR).
    explicit SingleInstance(const QString& name, const QString& directory = QString(),
                            QObject* parent = nullptr);

    Claim claim();
    // From now on this copy tells a later start that it is closing, rather than come to the
    // front; the later start waits for the lock.
    void setClosing() { m_closing = true; }

    QString socketPath() const { return m_socketPath; }

    // What the desktop gave this start to let it raise a window (Wayland's xdg-activation
    // token, or X11's startup id), read before Qt's X11 plugin takes it out of the environment.
    static QByteArray launchTokenFromEnvironment();
    // Handed to the running copy with the request to come to the front.
    void setLaunchToken(const QByteArray& token) { m_launchToken = token; }

signals:
    // A later start asked this copy to come to the front, with the token its launcher gave it
    // for that (empty when none).
    void activationRequested(const QString& activationToken);

private:
    Claim runUnguarded(int errorNumber);
    void listen();
    enum class Answer { Activated, Closing, None };
    Answer askRunningCopyToActivate(const QDeadlineTimer& deadline);
    void readRequest();

    QString m_socketPath;
    QString m_lockPath;
    UniqueFd m_lock;
    QLocalServer m_server;
    QByteArray m_launchToken;
    bool m_closing = false;
};
