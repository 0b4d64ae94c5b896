// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/app_identity.h"
#include "settings/qsettings_store.h"
#include "settings/settings_layout.h"
#include "slot_model.h"
#include "test_main.h"
#include "unprivileged.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A save to its end, as the program makes it when its window closes: whether it was written.
bool saveAndWait(const SlotFields& fields, QSettingsStore& store)
{
    return SaveSettings(fields, store) && store.waitForSaves();
}

void setMode(const QString& path, mode_t mode)
{
    QVERIFY2(::chmod(QFile::encodeName(path).constData(), mode) == 0, qPrintable(path));
}

// Lets a save that opened a FIFO to read it go on, rather than wait for a writer for ever: once
// the save has run for a generous bound, opens the FIFO for writing and closes it again, which
// ends the read.
class ReleaseIfBlocked
{
public:
    explicit ReleaseIfBlocked(const QString& fifo)
        : m_thread([this, path = QFile::encodeName(fifo)] {
              const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(5);
              while (!m_saveEnded) {
                  if (!m_released && std::chrono::steady_clock::now() > bound) {
                      const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                      m_released = fd >= 0 && ::close(fd) == 0;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              }
          })
    {
    }
    ~ReleaseIfBlocked() { m_saveEnded = true; }

    // Called when the save has ended: whether it had to be let go.
    bool saveWasBlocked()
    {
        m_saveEnded = true;
        m_thread.join();
        return m_released;
    }

private:
    std::atomic<bool> m_saveEnded = false;
    std::atomic<bool> m_released = false;
    std::jthread m_thread;
};

} // namespace

// The settings against a real file, with the user's config folder in a temporary place.
class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstCloseOfFreshInstallationWritesDefaults();
    void folderTextSurvivesTheFile_data();
    void folderTextSurvivesTheFile();
    void checkTextWithOrWithoutSpaceLoadsAsSet();
    void garbageFileLoadsDefaultsAndIsReplacedOnSave();
    void damagedFileKeepsWhatCanBeRead();
    void storeThatCannotBeWrittenLosesOnlyTheSave_data();
    void storeThatCannotBeWrittenLosesOnlyTheSave();
    void unreadableFileIsNeverWrittenOver();
    void fileIsWrittenAsQSettingsWritesIt_data();
    void fileIsWrittenAsQSettingsWritesIt();
    void otherKeysAndSectionsAreKept();
    void saveThatWouldPassTheLimitIsNotWritten();
    void fileSwappedBeforeTheSaveIsLeftAsItIs_data();
    void fileSwappedBeforeTheSaveIsLeftAsItIs();
    void whatOthersKeepIsReadBackAfterASave_data();
    void whatOthersKeepIsReadBackAfterASave();
    void closeOrSyncThatFailsLeavesTheOldFile_data();
    void closeOrSyncThatFailsLeavesTheOldFile();
    void relativeLinkThroughALinkedFolderIsFollowedAsTheKernelDoes();
    void valueEqualToNothingElsewhereDoesNotBlockTheSave();

private:
    QString configDir() const { return m_scope->filePath(APPLICATION_NAME); }
    QString settingsFile() const { return configDir() + "/Marrowquill.conf"; }

    QTemporaryDir m_configHome;
    std::unique_ptr<QTemporaryDir> m_scope;
};

void TestSettingsFile::initTestCase()
{
    QVERIFY(m_configHome.isValid());
    setMode(m_configHome.path(), 0755); // so that "nobody" can reach the files below
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_configHome.path()));

    QSettingsStore store(APPLICATION_NAME);
    QCOMPARE(store.fileName(), m_configHome.path() + "/Marrowquill/Marrowquill.conf");
}

// Each test gets a config folder of its own, so no file or cached value carries over.
void TestSettingsFile::init()
{
    m_scope = std::make_unique<QTemporaryDir>(m_configHome.filePath("scope-XXXXXX"));
    QVERIFY(m_scope->isValid());
    setMode(m_scope->path(), 0755);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_scope->path()));
}

void TestSettingsFile::cleanup()
{
    if (QFileInfo::exists(configDir()))
        setMode(configDir(), 0755);
    m_scope.reset();
}

void TestSettingsFile::firstCloseOfFreshInstallationWritesDefaults()
{
    SlotModel fields;
    {
        QSettingsStore store(APPLICATION_NAME);
        LoadSettings(fields, store);
        QVERIFY(saveAndWait(fields, store));
    }

    QSettings written(settingsFile(), QSettings::IniFormat);
    written.beginGroup("values");
    QStringList expectedKeys{"check4"};
    for (const char* prefix : {"check1_ ", "check2_ ", "check3_ ", "folder_ "}) {
        for (int slot = 0; slot < SLOT_COUNT; ++slot)
            expectedKeys << prefix + QString::number(slot);
    }
    QStringList keys = written.childKeys();
    keys.sort();
    expectedKeys.sort();
    QCOMPARE(keys, expectedKeys);
    for (const QString& key : keys) {
        const QString expected = key.startsWith("folder_") ? NO_FOLDER_TEXT : " 0";
        QCOMPARE(written.value(key).toString(), expected);
    }
}

void TestSettingsFile::folderTextSurvivesTheFile_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("spaces around") << "  /home/u/my folder  ";
    QTest::newRow("ini punctuation") << "/a,b;c=d#e[f]g";
    QTest::newRow("quotes and backslashes") << "/q\"uo\"te\\back\\";
    QTest::newRow("not ASCII") << "/home/jérôme/写真/ü";
    QTest::newRow("newline and tab") << "/two\nlines\tand tab";
    QTest::newRow("longer than 259 characters") << "/" + QString(5000, 'x');
    QTest::newRow("looks like a number") << " 1";
}

void TestSettingsFile::folderTextSurvivesTheFile()
{
    QFETCH(QString, folder);
    SlotModel saved;
    saved.setFolder(3, folder);
    {
        QSettingsStore store(APPLICATION_NAME);
        QVERIFY(saveAndWait(saved, store));
    }

    SlotModel loaded;
    QSettingsStore store(APPLICATION_NAME);
    LoadSettings(loaded, store);
    QCOMPARE(loaded.folder(3), folder);
}

void TestSettingsFile::checkTextWithOrWithoutSpaceLoadsAsSet()
{
    QVERIFY(QDir().mkpath(configDir()));
    writeAll(settingsFile(), "[values]\n"
                             "check1_%200=\" 1\"\n"
                             "check1_%201=1\n"
                             "check1_2=1\n"
                             "check1_%203=\" 2\"\n"
                             "check4=\" 1\"\n");
    SlotModel fields;
    QSettingsStore store(APPLICATION_NAME);
    LoadSettings(fields, store);

    QCOMPARE(fields.active(0), CHECK_CHECKED);
    QCOMPARE(fields.active(1), CHECK_CHECKED);
    QCOMPARE(fields.active(2), CHECK_UNCHECKED);
    QCOMPARE(fields.active(3), CHECK_GRAYED);
    QCOMPARE(fields.alertSound(), CHECK_CHECKED);
}

void TestSettingsFile::garbageFileLoadsDefaultsAndIsReplacedOnSave()
{
    QVERIFY(QDir().mkpath(configDir()));
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 7919 + 13) % 256);
    writeAll(settingsFile(), garbage);

    SlotModel fields;
    fields.setActive(0, CHECK_CHECKED);
    QSettingsStore store(APPLICATION_NAME);
    LoadSettings(fields, store);
    QCOMPARE(fields.active(0), CHECK_UNCHECKED);
    QCOMPARE(fields.folder(0), QString(NO_FOLDER_TEXT));

    fields.setActive(4, CHECK_CHECKED);
    QVERIFY(saveAndWait(fields, store));
    QSettings written(settingsFile(), QSettings::IniFormat);
    QCOMPARE(written.value("values/check1_ 4").toString(), QString(" 1"));
}

void TestSettingsFile::damagedFileKeepsWhatCanBeRead()
{
    QVERIFY(QDir().mkpath(configDir()));
    writeAll(settingsFile(), "[values]\n"
                             "folder_%201=/kept\n"
                             "\xff\xfe\"unterminated\n"
                             "[broken\n"
                             "check1_%201=\" 1\"\n");
    SlotModel fields;
    QSettingsStore store(APPLICATION_NAME);
    LoadSettings(fields, store);
    QCOMPARE(fields.folder(1), QString("/kept"));
}

void TestSettingsFile::storeThatCannotBeWrittenLosesOnlyTheSave_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<int>("folderMode");
    QTest::newRow("read-only file") << true << 0444 << 0777;
    QTest::newRow("read-only folder with file") << true << 0644 << 0555;
    QTest::newRow("read-only folder, no file yet") << false << 0 << 0555;
}

void TestSettingsFile::storeThatCannotBeWrittenLosesOnlyTheSave()
{
    QFETCH(bool, fileExists);
    QFETCH(int, fileMode);
    QFETCH(int, folderMode);

    const QByteArray before = "[values]\nfolder_%200=/mine\n";
    QVERIFY(QDir().mkpath(configDir()));
    if (fileExists) {
        writeAll(settingsFile(), before);
        setMode(settingsFile(), fileMode);
    }
    setMode(configDir(), folderMode);

    SlotModel fields;
    {
        Unprivileged asNobody;
        if (!asNobody.holds())
            QSKIP("running as root without the right to become nobody: no permission to test");
        QSettingsStore store(APPLICATION_NAME);
        LoadSettings(fields, store);
        if (fileExists)
            QCOMPARE(fields.folder(0), QString("/mine"));
        fields.setFolder(0, "/changed");
        QVERIFY(!saveAndWait(fields, store));
    }
    if (fileExists)
        QCOMPARE(readAll(settingsFile()), before);
    else
        QVERIFY(!QFileInfo::exists(settingsFile()));
}

void TestSettingsFile::unreadableFileIsNeverWrittenOver()
{
    const QByteArray before = "[values]\ncheck1_%200=\" 1\"\n";
    QVERIFY(QDir().mkpath(configDir()));
    writeAll(settingsFile(), before);
    setMode(settingsFile(), 0222); // writable, but not readable
    setMode(configDir(), 0777);

    SlotModel fields;
    {
        Unprivileged asNobody;
        if (!asNobody.holds())
            QSKIP("running as root without the right to become nobody: no permission to test");
        QSettingsStore store(APPLICATION_NAME);
        QVERIFY(!store.isReadable());
        LoadSettings(fields, store);
        QCOMPARE(fields.active(0), CHECK_UNCHECKED);
        QVERIFY(!saveAndWait(fields, store));
    }
    setMode(settingsFile(), 0644);
    QCOMPARE(readAll(settingsFile()), before);
}

void TestSettingsFile::fileIsWrittenAsQSettingsWritesIt_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("no folder") << QString(NO_FOLDER_TEXT);
    QTest::newRow("spaces, quotes, backslashes") << " /a \"b\" \\c ";
    QTest::newRow("ini punctuation, @ first") << "@/a,b;c=d#e[f]";
    QTest::newRow("control characters before hex digits") << QString("/\x01"
                                                                     "a\tb\n\r") +
                                                                 QChar(0) + "7";
    QTest::newRow("not ASCII, beyond the BMP") << "/jérôme/写真/\U0001F600";
}

// Byte for byte what QSettings itself would write, so that QSettings reads it as it was meant.
void TestSettingsFile::fileIsWrittenAsQSettingsWritesIt()
{
    QFETCH(QString, folder);
    SlotModel fields;
    fields.setActive(1, CHECK_CHECKED);
    fields.setAlertRemoved(4, CHECK_GRAYED);
    fields.setFolder(2, folder);
    {
        QSettingsStore store(APPLICATION_NAME);
        QVERIFY(saveAndWait(fields, store));
    }
    const QString byQt = m_scope->filePath("by-qt.conf");
    {
        QSettings qt(byQt, QSettings::IniFormat);
        qt.beginGroup(SETTINGS_SECTION);
        for (int slot = 0; slot < SLOT_COUNT; ++slot) {
            qt.setValue(slotKey(KEY_ACTIVE, slot), signSpace(fields.active(slot)));
            qt.setValue(slotKey(KEY_FOLDER, slot), fields.folder(slot));
            qt.setValue(slotKey(KEY_ALERT_ADDED, slot), signSpace(fields.alertAdded(slot)));
            qt.setValue(slotKey(KEY_ALERT_REMOVED, slot), signSpace(fields.alertRemoved(slot)));
        }
        qt.setValue(KEY_ALERT_SOUND, signSpace(fields.alertSound()));
    }
    QCOMPARE(readAll(settingsFile()), readAll(byQt));
}

void TestSettingsFile::otherKeysAndSectionsAreKept()
{
    QVERIFY(QDir().mkpath(configDir()));
    writeAll(settingsFile(), "; a comment\n"
                             "[values]\n"
                             "folder_%201=/old\n"
                             "theirs=\"a; b\" ; said so\n"
                             "check1_%201=\"multi\n"
                             "line\"\n"
                             "[other%20tool]\n"
                             "size=@Size(3 4)\n"
                             "list=a, b\n"
                             "[values]\n"
                             "check4=\" 1\"\n");
    SlotModel fields;
    {
        QSettingsStore store(APPLICATION_NAME);
        LoadSettings(fields, store);
        fields.setFolder(1, "/new");
        QVERIFY(saveAndWait(fields, store));
    }
    QSettings written(settingsFile(), QSettings::IniFormat);
    QCOMPARE(written.value("values/folder_ 1").toString(), QString("/new"));
    QCOMPARE(written.value("values/check4").toString(), QString(" 1"));
    QCOMPARE(written.value("values/check1_ 1").toString(), QString(" 0"));
    QCOMPARE(written.value("values/theirs").toString(), QString("a; b"));
    QCOMPARE(written.value("other tool/size").toSize(), QSize(3, 4));
    QCOMPARE(written.value("other tool/list").toStringList(), QStringList({"a", "b"}));
    QCOMPARE(written.allKeys().size(), SETTINGS_VALUE_COUNT + 3);
}

// The next start would refuse a file over the limit and never write it again.
void TestSettingsFile::saveThatWouldPassTheLimitIsNotWritten()
{
    QVERIFY(QDir().mkpath(configDir()));
    const QByteArray before =
        "[other]\nbig=" + QByteArray(int(QSettingsStore::MAX_FILE_SIZE) - 100, 'x') + "\n";
    writeAll(settingsFile(), before);

    SlotModel fields;
    QSettingsStore store(APPLICATION_NAME);
    LoadSettings(fields, store);
    QVERIFY(store.isReadable());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Settings not saved: .* would hold"));
    QVERIFY(!saveAndWait(fields, store));
    QCOMPARE(readAll(settingsFile()), before);
}

void TestSettingsFile::fileSwappedBeforeTheSaveIsLeftAsItIs_data()
{
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << false << "a FIFO";
    QTest::newRow("folder") << true << "a folder";
}

// Something else put where the settings file was while the program runs: the save neither
// waits on a FIFO nor puts a file in the place of either.
void TestSettingsFile::fileSwappedBeforeTheSaveIsLeftAsItIs()
{
    QFETCH(bool, folder);
    QFETCH(QString, kind);
    QVERIFY(QDir().mkpath(configDir()));
    writeAll(settingsFile(), "[values]\nfolder_%200=/mine\n");
    SlotModel fields;
    QSettingsStore store(APPLICATION_NAME);
    LoadSettings(fields, store);
    QCOMPARE(fields.folder(0), QString("/mine"));

    const QByteArray path = QFile::encodeName(settingsFile());
    QVERIFY(QFile::remove(settingsFile()));
    if (folder) {
        QVERIFY(QDir().mkdir(settingsFile()));
        writeAll(settingsFile() + "/theirs", "kept");
    } else {
        QVERIFY(::mkfifo(path.constData(), 0644) == 0);
    }
    QTest::failOnWarning(QRegularExpression("."));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^Settings not saved: .* is no longer a settings "
                                            "file: it is " +
                                            kind + "$"));
    ReleaseIfBlocked release(settingsFile());
    QVERIFY(!saveAndWait(fields, store));
    QVERIFY2(!release.saveWasBlocked(), "the save waited on the FIFO");

    struct stat status;
    QVERIFY(::lstat(path.constData(), &status) == 0);
    QVERIFY(folder ? S_ISDIR(status.st_mode) : S_ISFIFO(status.st_mode));
    const auto everything = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden;
    QCOMPARE(QDir(configDir()).entryList(everything), QStringList{"Marrowquill.conf"});
    if (folder) {
        QCOMPARE(QDir(settingsFile()).entryList(everything), QStringList{"theirs"});
        QCOMPARE(readAll(settingsFile() + "/theirs"), QByteArray("kept"));
    }
}

void TestSettingsFile::whatOthersKeepIsReadBackAfterASave_data()
{
    QTest::addColumn<QByteArray>("text"); // null: no file yet
    QTest::addColumn<int>("links");       // the settings file is a chain of this many links
    QTest::newRow("last line without newline") << QByteArray("[other]\na=1\nextra=kept") << 0;
    QTest::newRow("CR-only line ends")
        << QByteArray("[other]\ra=1\rb=2\r[values]\rtheirs=x\rfolder_%200=/old\r") << 0;
    QTest::newRow("multi-line quoted value")
        << QByteArray("[other]\nnote=\"two\nlines\"\nafter=1\n") << 0;
    QTest::newRow("continued line")
        << QByteArray("[other]\nlong=first \\\n second\nafter=1\n") << 0;
    QTest::newRow("link to a file not made yet") << QByteArray() << 1;
    QTest::newRow("chain of links") << QByteArray("[other]\na=1\n[values]\ncheck4=\" 1\"\n") << 2;
}

// Every key of another program, as QSettings reads it, is read back the same after a save; a
// link stays a link, and its target holds the values.
void TestSettingsFile::whatOthersKeepIsReadBackAfterASave()
{
    QFETCH(QByteArray, text);
    QFETCH(int, links);
    QVERIFY(QDir().mkpath(configDir()));
    QString target = settingsFile();
    for (int link = 0; link < links; ++link) {
        const QString next = m_scope->filePath(QStringLiteral("elsewhere/hop%1.conf").arg(link));
        QVERIFY(QDir().mkpath(QFileInfo(next).path()));
        // The first link absolute, the next one relative to its folder, as stow makes them.
        QVERIFY(QFile::link(link == 0 ? next : QFileInfo(next).fileName(), target));
        target = next;
    }
    QVariantMap theirs;
    if (!text.isNull()) {
        writeAll(target, text);
        const QSettings before(target, QSettings::IniFormat);
        for (const QString& key : before.allKeys()) {
            if (!key.startsWith("values/check") && !key.startsWith("values/folder_"))
                theirs.insert(key, before.value(key));
        }
        QVERIFY(!theirs.isEmpty());
    }

    SlotModel fields;
    fields.setFolder(0, "/new");
    {
        QSettingsStore store(APPLICATION_NAME);
        QVERIFY(saveAndWait(fields, store));
    }
    QSettings after(target, QSettings::IniFormat);
    QCOMPARE(after.allKeys().size(), SETTINGS_VALUE_COUNT + theirs.size());
    for (auto key = theirs.cbegin(); key != theirs.cend(); ++key)
        QCOMPARE(after.value(key.key()), key.value());
    QCOMPARE(after.value("values/folder_ 0").toString(), QString("/new"));
    QCOMPARE(QFileInfo(settingsFile()).isSymLink(), links > 0);
}

void TestSettingsFile::closeOrSyncThatFailsLeavesTheOldFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("close fails") << "--close-fails";
    QTest::newRow("sync fails") << "--sync-fails";
}

// The settings folder on the project's FUSE filesystem, whose close or sync fails when a file
// was written, as a network share's does when its server refuses what was written.
void TestSettingsFile::closeOrSyncThatFailsLeavesTheOldFile()
{
    QFETCH(QString, fault);
#ifndef HANGING_FS
    QSKIP("the FUSE test filesystem was not built (libfuse3 missing)");
#else
    if (!QFile::exists("/dev/fuse") || QStandardPaths::findExecutable("fusermount3").isEmpty())
        QSKIP("FUSE cannot be used here");
#ifdef __SANITIZE_THREAD__
    QSKIP("ThreadSanitizer cannot start the filesystem's process once the saves' threads ran");
#endif
    const QString shown = m_scope->filePath("on the server");
    const QByteArray before = "[values]\nfolder_%200=/mine\n";
    QVERIFY(QDir().mkpath(shown) && QDir().mkpath(configDir()));
    writeAll(shown + "/Marrowquill.conf", before);
    QProcess fs;
    fs.start(HANGING_FS, {fault, shown, configDir()});
    const auto unmount = qScopeGuard([&] {
        QProcess::execute("fusermount3", {"-uz", configDir()});
        fs.waitForFinished();
    });
    QTRY_VERIFY_WITH_TIMEOUT(
        QFileInfo::exists(settingsFile()) || fs.state() == QProcess::NotRunning, 5000);
    if (!QFileInfo::exists(settingsFile()))
        QSKIP("the FUSE filesystem could not be mounted here");

    SlotModel fields;
    QSettingsStore store(APPLICATION_NAME);
    LoadSettings(fields, store);
    QCOMPARE(fields.folder(0), QString("/mine"));
    fields.setFolder(0, "/changed");
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^Settings not saved: .*Input/output error"));
    QVERIFY(!saveAndWait(fields, store));
    QCOMPARE(readAll(shown + "/Marrowquill.conf"), before);
    const auto everything = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden;
    QCOMPARE(QDir(shown).entryList(everything), QStringList{"Marrowquill.conf"});
#endif
}

// The config folder is a link into a synced folder, and the settings file a relative link that
// climbs out of it, as dotfile managers make them: ".." is taken from the folder the link is
// really in, not from the text of the path.
void TestSettingsFile::relativeLinkThroughALinkedFolderIsFollowedAsTheKernelDoes()
{
    const QString home = m_scope->filePath("home");
    QVERIFY(QDir().mkpath(home + "/sync/config/Marrowquill") &&
            QDir().mkpath(home + "/sync/dotfiles"));
    QVERIFY(QFile::link(home + "/sync/config", home + "/.config"));
    QVERIFY(
        QFile::link("../../dotfiles/mq.conf", home + "/sync/config/Marrowquill/Marrowquill.conf"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + "/.config"));

    SlotModel fields;
    fields.setFolder(0, "/new");
    {
        QSettingsStore store(APPLICATION_NAME);
        QVERIFY(saveAndWait(fields, store));
    }
    const QSettings written(home + "/sync/dotfiles/mq.conf", QSettings::IniFormat);
    QCOMPARE(written.value("values/folder_ 0").toString(), QString("/new"));
    QVERIFY(!QFileInfo::exists(home + "/dotfiles"));
    QVERIFY(QFileInfo(home + "/sync/config/Marrowquill/Marrowquill.conf").isSymLink());
}

// Another section holds a map with a NaN in it, as QSettings writes one: read back, it equals
// nothing, not even itself.
void TestSettingsFile::valueEqualToNothingElsewhereDoesNotBlockTheSave()
{
    QVERIFY(QDir().mkpath(configDir()));
    {
        QSettings theirs(settingsFile(), QSettings::IniFormat);
        theirs.setValue("other/point", QVariantMap{{"x", qQNaN()}});
    }
    SlotModel fields;
    fields.setFolder(0, "/new");
    {
        QSettingsStore store(APPLICATION_NAME);
        QVERIFY(saveAndWait(fields, store));
    }
    const QSettings after(settingsFile(), QSettings::IniFormat);
    QCOMPARE(after.value("values/folder_ 0").toString(), QString("/new"));
    QVERIFY(qIsNaN(after.value("other/point").toMap().value("x").toDouble()));
}

MARROWQUILL_TEST_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
