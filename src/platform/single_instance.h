// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

// Keeps one running copy of the program per user. The first copy holds a lock file in the
// user's runtime directory and listens on a local socket beside it; a later start finds the
// lock held, asks the running copy through the socket to come to the front, and goes once it
// has answered. A lock whose holder cannot be confirmed alive and answering (an empty or
// unreadable lock, a dead process, no answer within the patience) is taken over.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    static constexpr int ANSWER_PATIENCE_MS = 2000;

    // `directory` defaults to the user's runtime directory ($XDG_RUNTIME_DIR).
    explicit SingleInstance(const QString& name, const QString& directory = QString(),
                            QObject* parent = nullptr);

    // True when this process is to run: it is now the one copy, or the lock cannot be used at
    // all (then nothing is guarded). False when another copy runs and has come to the front.
    bool claim();

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
    void listen();
    bool askRunningCopyToActivate();
    void takeOver(const QString& why);
    void readRequest();

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer m_server;
    QByteArray m_launchToken;
};
