#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

// Keeps one running copy of the program per user. The first copy holds a lock file in the
// user's runtime directory and listens on a local socket beside it; a later start finds the
// lock held, asks the running copy through the socket to come to the front, and goes. A copy
// that crashed leaves a stale lock and socket, which the next start takes over.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // `directory` defaults to the user's runtime directory ($XDG_RUNTIME_DIR).
    explicit SingleInstance(const QString& name, const QString& directory = QString(),
                            QObject* parent = nullptr);

    // True when this process is to run: it is now the one copy, or the lock cannot be used at
    // all (then nothing is guarded). False when another copy runs; it has been asked to come
    // to the front.
    bool claim();

    QString socketPath() const { return m_socketPath; }

signals:
    // A later start asked this copy to come to the front.
    void activationRequested();

private:
    void listen();
    void askRunningCopyToActivate();
    void readRequest();

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer m_server;
};
