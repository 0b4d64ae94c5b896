// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "counting/threaded_file_counter.h"
#include "support/off_thread_runner.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <future>
#include <memory>
#include <pthread.h>
#include <thread>
#include <vector>

namespace {

void makeFiles(const QString& folder, int files)
{
    for (int i = 0; i < files; ++i) {
        QFile file(QDir(folder).filePath(QString::number(i)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

} // namespace

// The program's counter on the real file system: reads on threads of their own, results on
// the thread that asked.
class TestThreadedFileCounter : public QObject
{
    Q_OBJECT

private slots:
    void answersOnTheAskingThread_data();
    void answersOnTheAskingThread();
    void manyFoldersAtOnceShareTheMemoryOfCounts();
    void failingFolderIsReportedOnceAndAgainWhenItRecovers();
    void runnerReusesItsWorkersAndReplacesAStuckOne();
    void sharedRunnerKeepsToItsWorkersAndToReceiversStillThere();
};

void TestThreadedFileCounter::answersOnTheAskingThread_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("files");
    QTest::addColumn<bool>("readable");
    QTest::newRow("a folder of 3 files") << "folder" << 3 << true;
    QTest::newRow("an empty folder") << "folder" << 0 << true;
    QTest::newRow("no such folder") << "missing" << 0 << false;
    QTest::newRow("a file, not a folder") << "folder/0" << 1 << false;
}

void TestThreadedFileCounter::answersOnTheAskingThread()
{
    QFETCH(QString, name);
    QFETCH(int, files);
    QFETCH(bool, readable);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkdir("folder"));
    makeFiles(root.filePath("folder"), files);

    ThreadedFileCounter counter;
    bool answered = false;
    FileCounter::Result result;
    QThread* answeredOn = nullptr;
    counter.startCount(root.filePath(name), [&](FileCounter::Result count) {
        answered = true;
        result = count;
        answeredOn = QThread::currentThread();
    });
    QVERIFY(!answered); // never before startCount returns

    QTRY_VERIFY(answered);
    QCOMPARE(answeredOn, QThread::currentThread());
    QCOMPARE(result.has_value(), readable);
    if (readable)
        QCOMPARE(*result, std::int64_t(files));
}

void TestThreadedFileCounter::manyFoldersAtOnceShareTheMemoryOfCounts()
{
    constexpr int FOLDERS = 6;
    constexpr int ROUNDS = 4;
    QTemporaryDir root;
    for (int folder = 0; folder < FOLDERS; ++folder) {
        const QString path = root.filePath(QString::number(folder));
        QVERIFY(QDir().mkdir(path));
        makeFiles(path, folder * 10);
    }

    ThreadedFileCounter counter;
    std::vector<std::int64_t> counts;
    for (int round = 0; round < ROUNDS; ++round) {
        for (int folder = 0; folder < FOLDERS; ++folder) {
            counter.startCount(root.filePath(QString::number(folder)),
                               [&counts, folder](FileCounter::Result count) {
                                   counts.push_back(count ? *count - folder * 10 : -1);
                               });
        }
    }
    QTRY_COMPARE(counts.size(), std::size_t(FOLDERS * ROUNDS));
    QCOMPARE(counts, std::vector<std::int64_t>(FOLDERS * ROUNDS, 0));
}

void TestThreadedFileCounter::failingFolderIsReportedOnceAndAgainWhenItRecovers()
{
    QTemporaryDir root;
    const QString folder = root.filePath("comes later");
    ThreadedFileCounter counter;
    int answers = 0;
    const auto countOnce = [&] {
        const int before = answers;
        counter.startCount(folder, [&](FileCounter::Result) { ++answers; });
        QTRY_COMPARE(answers, before + 1);
    };
    QTest::failOnWarning(QRegularExpression("."));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot read folder .*comes later.* - "
                                                          "No such file or directory"));
    countOnce();
    countOnce(); // still failing: nothing more is said
    QVERIFY(QDir().mkdir(folder));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("comes later.* can be read again"));
    countOnce();
    countOnce();
}

namespace {

// What a job saw of the thread it ran on.
struct JobThread
{
    std::thread::id id;
    bool termBlocked = false;
};

JobThread thisJobThread()
{
    sigset_t blocked;
    pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
    return {std::this_thread::get_id(), sigismember(&blocked, SIGTERM) == 1};
}

} // namespace

void TestThreadedFileCounter::runnerReusesItsWorkersAndReplacesAStuckOne()
{
    OffThreadRunner runner;
    std::vector<JobThread> seen;
    const auto runJob = [&](std::shared_future<void> release = {}) {
        return runner.run([&seen, release] {
            if (release.valid())
                release.wait();
            const JobThread thread = thisJobThread();
            return OffThreadRunner::Delivery([&seen, thread] { seen.push_back(thread); });
        });
    };

    // One count after another, as ticks make them: one worker serves them all.
    for (std::size_t job = 1; job <= 3; ++job) {
        QVERIFY(runJob());
        QTRY_COMPARE(seen.size(), job);
    }
    QCOMPARE(seen[1].id, seen[0].id);
    QCOMPARE(seen[2].id, seen[0].id);

    // A job stuck in the kernel ties up its worker; the next job runs on another one.
    std::promise<void> stuck;
    QVERIFY(runJob(stuck.get_future().share()));
    QVERIFY(runJob());
    QTRY_COMPARE(seen.size(), std::size_t(4));
    stuck.set_value();
    QTRY_COMPARE(seen.size(), std::size_t(5));
    QVERIFY(seen[3].id != seen[4].id);
    for (const JobThread& thread : seen)
        QVERIFY(thread.termBlocked);
}

// A runner of one worker, as the choosers share one of a few: a second job waits for the first,
// and the delivery of a job whose receiver has gone is dropped.
void TestThreadedFileCounter::sharedRunnerKeepsToItsWorkersAndToReceiversStillThere()
{
    OffThreadRunner runner(1);
    auto gone = std::make_unique<QObject>();
    const QObject there;
    std::promise<void> stuck;
    bool goneDelivered = false;
    bool thereDelivered = false;
    QVERIFY(runner.run(gone.get(), [&goneDelivered, release = stuck.get_future().share()] {
        release.wait();
        return OffThreadRunner::Delivery([&goneDelivered] { goneDelivered = true; });
    }));
    QVERIFY(runner.run(&there, [&thereDelivered] {
        return OffThreadRunner::Delivery([&thereDelivered] { thereDelivered = true; });
    }));
    QTest::qWait(200);
    QVERIFY2(!thereDelivered, "the second job waits for the one worker");
    gone.reset();
    stuck.set_value();
    QTRY_VERIFY(thereDelivered);
    QVERIFY(!goneDelivered);
}

QTEST_GUILESS_MAIN(TestThreadedFileCounter)
#include "tst_threaded_file_counter.moc"
