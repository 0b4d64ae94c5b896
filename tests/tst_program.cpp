#include "core/app_identity.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// True once the process has installed a handler for the signal: /proc shows it in SigCgt.
bool catchesSignal(qint64 pid, int signalNumber)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            const quint64 mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
            return mask & (quint64(1) << (signalNumber - 1));
        }
    }
    return false;
}

// Starts the program offscreen with its own config and runtime folders.
void start(QProcess& program, const QTemporaryDir& configHome, const QTemporaryDir& runtime)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", configHome.path());
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(MARROWQUILL_BINARY, {});
}

// Running, and listening for later starts.
bool isFullyUp(const QProcess& program, const QTemporaryDir& runtime)
{
    return catchesSignal(program.processId(), SIGTERM) &&
           QFileInfo::exists(runtime.filePath("marrowquill.socket"));
}

QString settingsFileIn(const QTemporaryDir& configHome)
{
    return configHome.filePath("Marrowquill/Marrowquill.conf");
}

} // namespace

// The real program, started as a user would start it.
class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void terminationSignalSavesAndExitsCleanly_data();
    void terminationSignalSavesAndExitsCleanly();
    void secondStartLeavesTheRunningCopyAndTheSettingsAlone();
    void crashedCopyDoesNotBlockTheNextStart();
};

void TestProgram::terminationSignalSavesAndExitsCleanly_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
}

void TestProgram::terminationSignalSavesAndExitsCleanly()
{
    QFETCH(int, signalNumber);
    QTemporaryDir configHome, runtime;
    const QString settingsFile = settingsFileIn(configHome);
    {
        QSettings seeded(settingsFile, QSettings::IniFormat);
        seeded.setValue("values/folder_ 2", "/kept/as it was");
        seeded.setValue("values/check1_ 2", "1");
    }

    QProcess program;
    start(program, configHome, runtime);
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(program.processId(), signalNumber), 20000);

    ::kill(pid_t(program.processId()), signalNumber);

    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QSettings saved(settingsFile, QSettings::IniFormat);
    saved.beginGroup("values");
    QCOMPARE(saved.childKeys().size(), 21);
    QCOMPARE(saved.value("folder_ 2").toString(), QString("/kept/as it was"));
    QCOMPARE(saved.value("check1_ 2").toString(), QString(" 1"));
    QCOMPARE(saved.value("check4").toString(), QString(" 0"));
}

void TestProgram::secondStartLeavesTheRunningCopyAndTheSettingsAlone()
{
    QTemporaryDir configHome, runtime;
    QProcess first, second;
    start(first, configHome, runtime);
    QTRY_VERIFY_WITH_TIMEOUT(isFullyUp(first, runtime), 20000);

    start(second, configHome, runtime);
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(!QFileInfo::exists(settingsFileIn(configHome))); // the second copy wrote nothing

    ::kill(pid_t(first.processId()), SIGTERM);
    QVERIFY(first.waitForFinished(20000));
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(QFileInfo::exists(settingsFileIn(configHome)));
}

void TestProgram::crashedCopyDoesNotBlockTheNextStart()
{
    QTemporaryDir configHome, runtime;
    QProcess crashed;
    start(crashed, configHome, runtime);
    QTRY_VERIFY_WITH_TIMEOUT(isFullyUp(crashed, runtime), 20000);
    crashed.kill();
    QVERIFY(crashed.waitForFinished(20000));
    QVERIFY(QFileInfo::exists(runtime.filePath("marrowquill.lock")));
    QVERIFY(QFileInfo::exists(runtime.filePath("marrowquill.socket")));

    QProcess next;
    start(next, configHome, runtime);
    QTRY_VERIFY_WITH_TIMEOUT(isFullyUp(next, runtime), 20000);
    QVERIFY(!next.waitForFinished(300)); // it stays: it is the one copy now

    ::kill(pid_t(next.processId()), SIGTERM);
    QVERIFY(next.waitForFinished(20000));
    QCOMPARE(next.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
