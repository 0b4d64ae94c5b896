#include "platform/single_instance.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
    SingleInstance running("app", runtime.path());
    QVERIFY(running.claim());
    QSignalSpy activations(&running, &SingleInstance::activationRequested);

    SingleInstance later("app", runtime.path());
    QVERIFY(!later.claim());
    QTRY_COMPARE(activations.size(), 1);

    SingleInstance other("another-app", runtime.path());
    QVERIFY(other.claim());
    QTest::qWait(50);
    QCOMPARE(activations.size(), 1);
}

// A socket file left by a copy that crashed must not keep the next one from listening.
void TestSingleInstance::staleSocketIsTakenOver()
{
    QTemporaryDir runtime;
    {
        QFile leftOver(runtime.filePath("app.socket"));
        QVERIFY(leftOver.open(QIODevice::WriteOnly));
    }
    SingleInstance running("app", runtime.path());
    QVERIFY(running.claim());
    QSignalSpy activations(&running, &SingleInstance::activationRequested);

    SingleInstance later("app", runtime.path());
    QVERIFY(!later.claim());
    QTRY_COMPARE(activations.size(), 1);
}

void TestSingleInstance::unusableDirectoryRunsUnguarded()
{
    SingleInstance instance("app", "/nonexistent/runtime");
    QVERIFY(instance.claim());
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
