// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "platform/single_instance.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

// A running copy with an event loop of its own, on a thread, as another process would have.
class RunningCopy
{
public:
    RunningCopy(const QString& name, const QString& directory)
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_context,
            [&] {
                m_instance = std::make_unique<SingleInstance>(name, directory);
                claimed = m_instance->claim();
                QObject::connect(m_instance.get(), &SingleInstance::activationRequested,
                                 [this](const QString& token) {
                                     const std::lock_guard lock(m_mutex);
                                     m_tokens << token;
                                     ++activations;
                                 });
            },
            Qt::BlockingQueuedConnection);
    }
    ~RunningCopy()
    {
        QMetaObject::invokeMethod(
            &m_context, [this] { m_instance.reset(); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    QStringList tokens()
    {
        const std::lock_guard lock(m_mutex);
        return m_tokens;
    }

    bool claimed = false;
    std::atomic<int> activations = 0;

private:
    std::mutex m_mutex;
    QStringList m_tokens;
    QThread m_thread;
    QObject m_context;
    std::unique_ptr<SingleInstance> m_instance;
};

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void laterStartAsksTheRunningCopyToComeToTheFront();
    void staleSocketIsTakenOver();
    void unusableDirectoryRunsUnguarded();
};

void TestSingleInstance::laterStartAsksTheRunningCopyToComeToTheFront()
{
    QTemporaryDir runtime;
    RunningCopy running("app", runtime.path());
    QVERIFY(running.claimed);

    SingleInstance later("app", runtime.path());
    QVERIFY(!later.claim());
    QTRY_COMPARE(running.activations.load(), 1);

    // The launcher's token goes along, for Wayland's activation.
    qputenv("XDG_ACTIVATION_TOKEN", "token-from-the-launcher");
    SingleInstance launched("app", runtime.path());
    launched.setLaunchToken(SingleInstance::launchTokenFromEnvironment());
    qunsetenv("XDG_ACTIVATION_TOKEN");
    QVERIFY(!launched.claim());
    QTRY_COMPARE(running.activations.load(), 2);
    QCOMPARE(running.tokens(), (QStringList{QString(), "token-from-the-launcher"}));

    SingleInstance other("another-app", runtime.path());
    QVERIFY(other.claim());
    QTest::qWait(50);
    QCOMPARE(running.activations.load(), 2);
}

// A socket file left by a copy that crashed must not keep the next one from listening.
void TestSingleInstance::staleSocketIsTakenOver()
{
    QTemporaryDir runtime;
    {
        QFile leftOver(runtime.filePath("app.socket"));
        QVERIFY(leftOver.open(QIODevice::WriteOnly));
    }
    RunningCopy running("app", runtime.path());
    QVERIFY(running.claimed);

    SingleInstance later("app", runtime.path());
    QVERIFY(!later.claim());
    QTRY_COMPARE(running.activations.load(), 1);
}

void TestSingleInstance::unusableDirectoryRunsUnguarded()
{
    SingleInstance instance("app", "/nonexistent/runtime");
    QVERIFY(instance.claim());
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
