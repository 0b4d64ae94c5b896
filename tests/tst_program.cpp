// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/app_identity.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QSysInfo>
#include <QThread>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

// Starts the program, offscreen unless told, with its own config and runtime folders. Its
// standard error is kept for the test to read, or passed on.
void start(QProcess& program, const QTemporaryDir& configHome, const QTemporaryDir& runtime,
           bool keepErrors = false, const QStringList& arguments = {},
           const QString& platform = "offscreen")
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", platform);
    environment.insert("XDG_CONFIG_HOME", configHome.path());
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(keepErrors ? QProcess::SeparateChannels
                                             : QProcess::ForwardedErrorChannel);
    program.start(MARROWQUILL_BINARY, arguments);
}

// SIGTERM, then the program must end with status 0 at once.
void terminate(QProcess& program)
{
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(2000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

// What stat says of a node, to tell that nothing replaced or changed it.
QString describeNode(const QString& path)
{
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return "missing";
    QString text = QStringLiteral("mode %1 inode %2 size %3 device %4")
                       .arg(status.st_mode, 0, 8)
                       .arg(status.st_ino)
                       .arg(status.st_size)
                       .arg(status.st_rdev);
    if (S_ISREG(status.st_mode)) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            text +=
                " " + QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
    }
    return text;
}

QByteArray readAllOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A lock file as QLockFile writes it.
void writeLock(const QString& path, const QByteArray& contents)
{
    QFile lock(path);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(contents);
}

qint64 deadProcessId()
{
    QProcess exited;
    exited.start("true", {});
    exited.waitForFinished();
    return exited.processId() ? exited.processId() : 999999;
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

// A small tmpfs mounted over a folder while it lives.
class Tmpfs
{
public:
    explicit Tmpfs(const QString& at, const char* mode = "755") : m_at(QFile::encodeName(at))
    {
        if (::geteuid() != 0) {
            m_why = "mounting a tmpfs needs root";
        } else if (::mount("tmpfs", m_at.constData(), "tmpfs", 0,
                           (QByteArray("size=128k,nr_inodes=32,mode=") + mode).constData()) != 0) {
            m_why = QStringLiteral("cannot mount a tmpfs: %1").arg(std::strerror(errno));
        }
    }
    ~Tmpfs()
    {
        if (m_why.isEmpty())
            ::umount2(m_at.constData(), MNT_DETACH);
    }
    Tmpfs(const Tmpfs&) = delete;
    Tmpfs& operator=(const Tmpfs&) = delete;

    // Empty when mounted.
    QString whyNot() const { return m_why; }
    struct statvfs status() const
    {
        struct statvfs status
        {
        };
        ::statvfs(m_at.constData(), &status);
        return status;
    }
    // Fills it until only `blocks` blocks are free.
    void leaveBlocks(unsigned long blocks) const
    {
        const QByteArray filler = m_at + "/filler";
        const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const QByteArray page(4096, 'f');
        off_t size = 0;
        while (::write(fd, page.constData(), page.size()) == page.size())
            size += page.size();
        QVERIFY(::ftruncate(fd, size - off_t(blocks * status().f_bsize)) == 0);
        ::close(fd);
        QCOMPARE(status().f_bavail, blocks);
    }
    // Makes files until no inode is left.
    void leaveNoInode() const
    {
        for (int i = 0; status().f_favail > 0; ++i) {
            const QByteArray name = m_at + "/inode" + QByteArray::number(i);
            QVERIFY(::close(::open(name.constData(), O_WRONLY | O_CREAT, 0600)) == 0);
        }
    }
    void makeReadOnly() const
    {
        QVERIFY(::mount(nullptr, m_at.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
    }

private:
    QByteArray m_at;
    QString m_why;
};

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
    void settingsFileThatIsNotOursIsLeftAlone_data();
    void settingsFileThatIsNotOursIsLeftAlone();
    void lockFileLeftBehindDoesNotBlockTheStart_data();
    void lockFileLeftBehindDoesNotBlockTheStart();
    void staleSettingsLockDoesNotHoldUpTheSave();
    void secondSigtermWhileEndingStillExitsCleanly();
    void commandLine_data();
    void commandLine();
    void saveThatCannotBeWrittenLeavesTheOldFile_data();
    void saveThatCannotBeWrittenLeavesTheOldFile();
    void runtimeFolderWithoutRoomForTheLockRunsUnguarded_data();
    void runtimeFolderWithoutRoomForTheLockRunsUnguarded();
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

void TestProgram::settingsFileThatIsNotOursIsLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("link to a FIFO") << "link to fifo";
    QTest::newRow("device node") << "device";
    QTest::newRow("folder") << "folder";
    QTest::newRow("2 MiB of garbage") << "garbage";
}

// The program starts at once with its defaults, ends cleanly, says why in one line, and leaves
// what is there as it was.
void TestProgram::settingsFileThatIsNotOursIsLeftAlone()
{
    QFETCH(QString, kind);
    QTemporaryDir configHome, runtime;
    QVERIFY(QDir(configHome.path()).mkdir("Marrowquill"));
    const QString settingsFile = settingsFileIn(configHome);
    const QByteArray path = QFile::encodeName(settingsFile);
    if (kind == "fifo") {
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    } else if (kind == "link to fifo") {
        const QByteArray fifo = QFile::encodeName(configHome.filePath("elsewhere.fifo"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QCOMPARE(::symlink(fifo.constData(), path.constData()), 0);
    } else if (kind == "device") {
        if (::geteuid() != 0)
            QSKIP("making a device node needs root");
        QCOMPARE(::mknod(path.constData(), S_IFCHR | 0666, makedev(1, 5)), 0); // as /dev/zero
    } else if (kind == "folder") {
        QVERIFY(QDir().mkdir(settingsFile));
    } else {
        QFile garbage(settingsFile);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        const QByteArray block(1024, '\x7f');
        for (int i = 0; i < 2048; ++i)
            QCOMPARE(garbage.write(block), qint64(block.size()));
    }
    const QString before = describeNode(settingsFile);

    QProcess program;
    start(program, configHome, runtime, true);
    QTRY_VERIFY_WITH_TIMEOUT(isFullyUp(program, runtime), 2500);
    terminate(program);

    QCOMPARE(describeNode(settingsFile), before);
    const QStringList lines = QString::fromLocal8Bit(program.readAllStandardError())
                                  .split('\n', Qt::SkipEmptyParts)
                                  .filter("Settings file");
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].contains(settingsFile), qPrintable(lines[0]));
}

void TestProgram::lockFileLeftBehindDoesNotBlockTheStart_data()
{
    QTest::addColumn<QString>("holder");
    QTest::newRow("empty lock file") << "empty";
    QTest::newRow("a process that is gone") << "dead";
    QTest::newRow("a live process that does not answer") << "silent";
}

void TestProgram::lockFileLeftBehindDoesNotBlockTheStart()
{
    QFETCH(QString, holder);
    QTemporaryDir configHome, runtime;
    const QString lockFile = runtime.filePath("marrowquill.lock");
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    QLocalServer silentCopy; // takes the connection, never answers
    if (holder == "empty") {
        writeLock(lockFile, {});
    } else if (holder == "dead") {
        writeLock(lockFile, QByteArray::number(deadProcessId()) + "\nmarrowquill\n" + host + "\n");
    } else {
        const QByteArray self =
            QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8();
        writeLock(lockFile, QByteArray::number(QCoreApplication::applicationPid()) + "\n" + self +
                                "\n" + host + "\n");
        QVERIFY(silentCopy.listen(runtime.filePath("marrowquill.socket")));
    }

    QProcess program;
    start(program, configHome, runtime);
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(program.processId(), SIGTERM), 5000);
    QCOMPARE(program.state(), QProcess::Running);
    terminate(program);
    QVERIFY(QFileInfo::exists(settingsFileIn(configHome)));
}

void TestProgram::staleSettingsLockDoesNotHoldUpTheSave()
{
    QTemporaryDir configHome, runtime;
    QVERIFY(QDir(configHome.path()).mkdir("Marrowquill"));
    writeLock(settingsFileIn(configHome) + ".lock", {});

    QProcess program;
    start(program, configHome, runtime);
    QTRY_VERIFY_WITH_TIMEOUT(isFullyUp(program, runtime), 5000);
    QElapsedTimer closing;
    closing.start();
    terminate(program);
    QVERIFY2(closing.elapsed() < 1500, qPrintable(QString::number(closing.elapsed())));
    QSettings saved(settingsFileIn(configHome), QSettings::IniFormat);
    QCOMPARE(saved.childGroups(), QStringList{"values"});
}

void TestProgram::secondSigtermWhileEndingStillExitsCleanly()
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        QTemporaryDir configHome, runtime;
        QProcess program;
        start(program, configHome, runtime);
        QTRY_VERIFY_WITH_TIMEOUT(isFullyUp(program, runtime), 5000);
        ::kill(pid_t(program.processId()), SIGTERM);
        QThread::usleep(std::uint64_t(attempt) * 1000); // 0 to 4 ms apart
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(2000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QFileInfo::exists(settingsFileIn(configHome)));
    }
}

void TestProgram::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode"); // -1: the program runs, and says nothing
    QTest::addColumn<QString>("says"); // on its standard output or error
    QTest::newRow("-session from a session manager")
        << QStringList{"-session", "abc_123"} << -1 << "";
    QTest::newRow("-reverse") << QStringList{"-reverse"} << -1 << "";
    QTest::newRow("Qt options with two dashes")
        << QStringList{"--reverse", "--style", "Fusion"} << -1 << "";
    QTest::newRow("-style=, -stylesheet")
        << QStringList{"-style=Fusion", "-stylesheet", "/dev/null"} << -1 << "";
    // Taken by Qt's X11 platform, so run on it: the display is a private X server's.
    QTest::newRow("X11 options") << QStringList{"-name",     "mq",      "-title",  "T",
                                                "-geometry", "300x200", "-display"}
                                 << -1 << "";
    QTest::newRow("--help-all on X11")
        << QStringList{"--help-all", "-display"} << 0 << "--title <title>";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "Marrowquill";
    QTest::newRow("-session --version")
        << QStringList{"-session", "abc", "--version"} << 0 << "Marrowquill";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "Unknown option 'bogus'";
    QTest::newRow("unknown single-dash option") << QStringList{"-sessionx"} << 2 << "";
    QTest::newRow("an argument") << QStringList{"folder"} << 2 << "";
    QTest::newRow("-session without its value")
        << QStringList{"-session"} << 2 << "Missing value after '-session'";
    QTest::newRow("-style without its value")
        << QStringList{"-style"} << 2 << "Missing value after '-style'";
}

void TestProgram::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    QTemporaryDir configHome, runtime;
    QProcess program, xServer;
    const auto stopXServer = qScopeGuard([&] {
        xServer.kill();
        xServer.waitForFinished();
    });
    if (arguments.endsWith("-display")) {
        xServer.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
        if (!xServer.waitForReadyRead(10000))
            QSKIP("no X server could be started here (Xvfb missing?)");
        arguments << ":" + QString::fromLatin1(xServer.readLine().trimmed());
    }
    start(program, configHome, runtime, true, arguments, xServer.state() ? "xcb" : "offscreen");
    if (exitCode >= 0) {
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), exitCode);
        const QString said = QString::fromLocal8Bit(program.readAllStandardOutput() +
                                                    program.readAllStandardError());
        QVERIFY2(said.contains(says), qPrintable(said));
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(isFullyUp(program, runtime), 20000);
    terminate(program);
    QVERIFY2(program.readAllStandardError().isEmpty(), "nothing said about the arguments");
}

void TestProgram::saveThatCannotBeWrittenLeavesTheOldFile_data()
{
    QTest::addColumn<QString>("filesystem");
    QTest::newRow("room to spare") << "room";
    QTest::newRow("one block free") << "one block";
    QTest::newRow("no block free") << "no block";
    QTest::newRow("no inode free") << "no inode";
    QTest::newRow("read-only") << "read-only";
}

// The config folder on a tmpfs that is full, or read-only, when the window closes: the old
// file stays byte for byte, and one line says the save was lost.
void TestProgram::saveThatCannotBeWrittenLeavesTheOldFile()
{
    QFETCH(QString, filesystem);
    QTemporaryDir configHome, runtime;
    const Tmpfs tmpfs(configHome.path());
    if (!tmpfs.whyNot().isEmpty())
        QSKIP(qPrintable(tmpfs.whyNot()));
    QVERIFY(QDir(configHome.path()).mkdir("Marrowquill"));
    // Two blocks, so that the new file needs more than one.
    const QByteArray before =
        "[values]\ncheck4=\" 1\"\n\n[other]\nnote=" + QByteArray(6000, 'n') + "\n";
    {
        QFile file(settingsFileIn(configHome));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(before), before.size());
    }
    if (filesystem == "one block")
        tmpfs.leaveBlocks(1);
    else if (filesystem == "no block")
        tmpfs.leaveBlocks(0);
    else if (filesystem == "no inode")
        tmpfs.leaveNoInode();
    else if (filesystem == "read-only")
        tmpfs.makeReadOnly();

    QProcess program;
    start(program, configHome, runtime, true);
    QTRY_VERIFY_WITH_TIMEOUT(isFullyUp(program, runtime), 20000);
    terminate(program);

    const QStringList said = QString::fromLocal8Bit(program.readAllStandardError())
                                 .split('\n', Qt::SkipEmptyParts)
                                 .filter("Settings not saved");
    if (filesystem == "room") {
        QCOMPARE(said, QStringList());
        QSettings saved(settingsFileIn(configHome), QSettings::IniFormat);
        QCOMPARE(saved.value("values/check4").toString(), QString(" 1"));
        QCOMPARE(saved.value("values/folder_ 4").toString(), QString("(None presently selected)"));
        QCOMPARE(saved.value("other/note").toString(), QString(6000, 'n'));
        return;
    }
    QCOMPARE(readAllOf(settingsFileIn(configHome)), before);
    QCOMPARE(said.size(), 1);
    QVERIFY2(said[0].contains("marrowquill.settings"), qPrintable(said[0]));
}

void TestProgram::runtimeFolderWithoutRoomForTheLockRunsUnguarded_data()
{
    QTest::addColumn<QString>("filesystem");
    QTest::newRow("read-only") << "read-only";
    QTest::newRow("no inode free") << "no inode";
}

void TestProgram::runtimeFolderWithoutRoomForTheLockRunsUnguarded()
{
    QFETCH(QString, filesystem);
    QTemporaryDir configHome, runtime;
    const Tmpfs tmpfs(runtime.path(), "700"); // as a runtime folder must be
    if (!tmpfs.whyNot().isEmpty())
        QSKIP(qPrintable(tmpfs.whyNot()));
    if (filesystem == "read-only")
        tmpfs.makeReadOnly();
    else
        tmpfs.leaveNoInode();

    QProcess program;
    start(program, configHome, runtime, true);
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(program.processId(), SIGTERM), 20000);
    terminate(program);
    const QStringList said = QString::fromLocal8Bit(program.readAllStandardError())
                                 .split('\n', Qt::SkipEmptyParts)
                                 .filter("running without the guard");
    QCOMPARE(said.size(), 1);
    QVERIFY(QFileInfo::exists(settingsFileIn(configHome)));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
