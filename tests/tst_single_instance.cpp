// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "session/single_instance.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <latch>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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
                claimed = m_instance->claim() == SingleInstance::Claim::Run;
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
    void leftoversOfACopyThatDiedAreTakenOver();
    void unusableDirectoryRunsUnguarded();
    void startsAtTheSameInstantMakeOneCopy();
};

void TestSingleInstance::laterStartAsksTheRunningCopyToComeToTheFront()
{
    QTemporaryDir runtime;
    RunningCopy running("app", runtime.path());
    QVERIFY(running.claimed);

    SingleInstance later("app", runtime.path());
    QCOMPARE(later.claim(), SingleInstance::Claim::HandedOver);
    QTRY_COMPARE(running.activations.load(), 1);

    // The launcher's token goes along, for Wayland's activation.
    qputenv("XDG_ACTIVATION_TOKEN", "token-from-the-launcher");
    SingleInstance launched("app", runtime.path());
    launched.setLaunchToken(SingleInstance::launchTokenFromEnvironment());
    QCOMPARE(launched.claim(), SingleInstance::Claim::HandedOver);
    qunsetenv("XDG_ACTIVATION_TOKEN");
    QTRY_COMPARE(running.activations.load(), 2);
    QCOMPARE(running.tokens(), (QStringList{QString(), "token-from-the-launcher"}));

    SingleInstance other("another-app", runtime.path());
    QCOMPARE(other.claim(), SingleInstance::Claim::Run);
    QTest::qWait(50);
    QCOMPARE(running.activations.load(), 2);
}

// A copy that died leaves its lock file, no longer locked, and its socket, no longer listened
// on: the next start runs, and the one after it hands over to that one.
void TestSingleInstance::leftoversOfACopyThatDiedAreTakenOver()
{
    QTemporaryDir runtime;
    {
        QFile lockFile(runtime.filePath("app.lock"));
        QVERIFY(lockFile.open(QIODevice::WriteOnly));
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(runtime.filePath("app.socket"));
    std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
    const int dead = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QVERIFY(::bind(dead, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
    ::close(dead);

    RunningCopy running("app", runtime.path());
    QVERIFY(running.claimed);

    SingleInstance later("app", runtime.path());
    QCOMPARE(later.claim(), SingleInstance::Claim::HandedOver);
    QTRY_COMPARE(running.activations.load(), 1);
}

void TestSingleInstance::unusableDirectoryRunsUnguarded()
{
    SingleInstance instance("app", "/nonexistent/runtime");
    QCOMPARE(instance.claim(), SingleInstance::Claim::Run);
}

// Each round, several copies claim at once, each on a thread of its own as separate processes
// would: one runs, every other hands over to it.
void TestSingleInstance::startsAtTheSameInstantMakeOneCopy()
{
    constexpr int copies = 4;
    for (int round = 0; round < 20; ++round) {
        QTemporaryDir runtime;
        std::array<std::unique_ptr<RunningCopy>, copies> running;
        std::latch ready(copies);
        std::vector<std::thread> starts;
        for (auto& copy : running) {
            starts.emplace_back([&] {
                ready.arrive_and_wait();
                copy = std::make_unique<RunningCopy>("app", runtime.path());
            });
        }
        for (std::thread& start : starts)
            start.join();
        const auto claimed = std::count_if(running.cbegin(), running.cend(),
                                           [](const auto& copy) { return copy->claimed; });
        QCOMPARE(claimed, 1);
        const auto winner = std::find_if(running.cbegin(), running.cend(),
                                         [](const auto& copy) { return copy->claimed; });
        QTRY_COMPARE((*winner)->activations.load(), copies - 1);
        QVERIFY(QFileInfo::exists(runtime.filePath("app.lock")));
    }
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
