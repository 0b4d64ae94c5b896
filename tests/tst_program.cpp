#include "core/app_identity.h"

#include <QFile>
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

} // namespace

// The real program, started as a user would start it.
class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void terminationSignalSavesAndExitsCleanly_data();
    void terminationSignalSavesAndExitsCleanly();
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
    QTemporaryDir configHome;
    const QString settingsFile = configHome.filePath("Marrowquill/Marrowquill.conf");
    {
        QSettings seeded(settingsFile, QSettings::IniFormat);
        seeded.setValue("values/folder_ 2", "/kept/as it was");
        seeded.setValue("values/check1_ 2", "1");
    }

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", configHome.path());
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(MARROWQUILL_BINARY, {});
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

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
