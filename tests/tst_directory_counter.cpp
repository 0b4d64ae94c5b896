// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "counting/directory_counter.h"
#include "counting/remembered_counts.h"
#include "test_main.h"
#include "unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes an entry in `folder`. A recipe is "f|name" (file), "d|name" (folder), "p|name" (FIFO)
// or "l|target|name" (symbolic link); names are raw bytes.
void makeEntry(const QByteArray& folder, const QByteArray& recipe)
{
    const QList<QByteArray> parts = recipe.split('|');
    const QByteArray path = folder + '/' + parts.last();
    int result = -1;
    switch (parts.first().at(0)) {
    case 'f':
        result = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (result >= 0)
            result = ::close(result);
        break;
    case 'd':
        result = ::mkdir(path.constData(), 0755);
        break;
    case 'p':
        result = ::mkfifo(path.constData(), 0644);
        break;
    case 'l':
        result = ::symlink(parts.at(1).constData(), path.constData());
        break;
    }
    QVERIFY2(result == 0, recipe.constData());
}

// Removes what makeEntry made, by its raw name: QDir cannot remove a name that is not valid
// UTF-8.
void removeEntries(const QByteArray& folder, const QByteArrayList& recipes)
{
    for (const QByteArray& recipe : recipes) {
        const QByteArray entry = folder + '/' + recipe.split('|').last();
        QVERIFY2((recipe.startsWith('d') ? ::rmdir(entry) : ::unlink(entry)) == 0, entry);
    }
}

void makeFiles(const QByteArray& folder, int count)
{
    for (int i = 0; i < count; ++i)
        makeEntry(folder, "f|file" + QByteArray::number(i));
}

// Sets the folder's times that many seconds back.
void setAge(const QString& folder, int seconds)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const timespec then{now.tv_sec - seconds, now.tv_nsec};
    const timespec times[2] = {then, then};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(folder).constData(), times, 0) == 0);
}

// As if nothing had changed in the folder for an hour.
void makeOld(const QString& folder)
{
    setAge(folder, 3600);
}

bool timesTrackEntriesIn(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    const auto stamp = stampOf(fd);
    ::close(fd);
    return stamp && stamp->timesTrackEntries;
}

// One tick's use of the counter, as the program makes it.
qint64 tick(DirectoryCounter& counter, const QString& folder)
{
    if (!counter.setFolderAndRefresh(QFile::encodeName(folder)))
        return -1;
    return counter.count();
}

QByteArray path(const QTemporaryDir& dir, const char* name = nullptr)
{
    const QByteArray root = QFile::encodeName(dir.path());
    return name ? root + '/' + name : root;
}

} // namespace

class TestDirectoryCounter : public QObject
{
    Q_OBJECT

private slots:
    void countsEveryEntryThatIsNotAFolder_data();
    void countsEveryEntryThatIsNotAFolder();
    void countsFortyThousandFiles();
    void failedSetKeepsPreviousFolder_data();
    void failedSetKeepsPreviousFolder();
    void unreadableFolderCannotBeSet();
    void refreshReadsTheFolderAgain();
    void refreshFailsWhenFolderIsGoneAndKeepsCount();
    void startsInWorkingDirectoryAndResolvesRelativeText();
    void everyChangeBetweenTicksIsSeen_data();
    void everyChangeBetweenTicksIsSeen();
    void countIsTrustedOnlyWhenTheFolderWasOldByTheMargin_data();
    void countIsTrustedOnlyWhenTheFolderWasOldByTheMargin();
    void recentlyChangedFolderIsReadInFullUntilSafelyOld();
    void linkRetargetedOrTargetReplacedIsSeen();
    void folderWithLinksCountsAsAFullReadWithoutOne_data();
    void folderWithLinksCountsAsAFullReadWithoutOne();
    void onlyLocalFilesystemsAreTrustedToTrackEntries_data();
    void onlyLocalFilesystemsAreTrustedToTrackEntries();
};

void TestDirectoryCounter::countsEveryEntryThatIsNotAFolder_data()
{
    QTest::addColumn<QByteArrayList>("entries");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("empty") << QByteArrayList{} << qint64(0);
    QTest::newRow("plain files") << QByteArrayList{"f|a", "f|b.txt", "f|c"} << qint64(3);
    QTest::newRow("hidden files") << QByteArrayList{"f|.hidden", "f|..dots"} << qint64(2);
    QTest::newRow("folders, hidden too") << QByteArrayList{"d|sub", "d|.git"} << qint64(0);
    QTest::newRow("link to a file") << QByteArrayList{"f|a", "l|a|to-a"} << qint64(2);
    QTest::newRow("link to a folder") << QByteArrayList{"d|sub", "l|sub|to-sub"} << qint64(0);
    QTest::newRow("link to the folder itself") << QByteArrayList{"l|.|self"} << qint64(0);
    QTest::newRow("broken link") << QByteArrayList{"l|nowhere|broken"} << qint64(1);
    QTest::newRow("link to itself") << QByteArrayList{"l|loop|loop"} << qint64(1);
    QTest::newRow("FIFO") << QByteArrayList{"p|pipe"} << qint64(1);
    QTest::newRow("name with a newline") << QByteArrayList{"f|two\nlines"} << qint64(1);
    QTest::newRow("name not valid UTF-8")
        << QByteArrayList{"f|\xff\xfe\x80", "d|\xc3"} << qint64(1);
    QTest::newRow("mixed") << QByteArrayList{"f|a", "d|b", "l|a|c", "l|b|d", "p|e", "f|.f"}
                           << qint64(4);
}

void TestDirectoryCounter::countsEveryEntryThatIsNotAFolder()
{
    QFETCH(QByteArrayList, entries);
    QFETCH(qint64, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QByteArray& entry : entries)
        makeEntry(path(dir), entry);

    DirectoryCounter counter;
    QVERIFY(counter.setFolder(dir.path()));
    QVERIFY(counter.refresh());
    QCOMPARE(counter.count(), expected);
    removeEntries(path(dir), entries);
}

void TestDirectoryCounter::countsFortyThousandFiles()
{
    QTemporaryDir dir;
    makeFiles(path(dir), 40'000);
    makeEntry(path(dir), "d|sub");

    DirectoryCounter counter;
    QVERIFY(counter.setFolder(dir.path()));
    QVERIFY(counter.refresh());
    QCOMPARE(counter.count(), qint64(40'000));
}

void TestDirectoryCounter::failedSetKeepsPreviousFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << "missing";
    QTest::newRow("a file") << "file";
    QTest::newRow("a FIFO, without blocking") << "pipe";
    QTest::newRow("a link to a file") << "link-to-file";
    QTest::newRow("empty text") << "";
    QTest::newRow("no folder chosen") << "(None presently selected)";
    QTest::newRow("NUL inside the text") << QStringLiteral("sub") + QChar(0) + "x";
}

void TestDirectoryCounter::failedSetKeepsPreviousFolder()
{
    QFETCH(QString, name);

    QTemporaryDir dir;
    makeEntry(path(dir), "f|file");
    makeEntry(path(dir), "p|pipe");
    makeEntry(path(dir), "l|file|link-to-file");
    makeEntry(path(dir), "d|sub");
    makeEntry(path(dir), "f|sub/one");
    QVERIFY(QDir::setCurrent(dir.path()));

    DirectoryCounter counter;
    QVERIFY(counter.setFolder(dir.path() + "/sub"));
    const QByteArray before = counter.folder();

    QVERIFY(!counter.setFolder(name.isEmpty() ? name : dir.path() + '/' + name));
    QVERIFY(!counter.setFolder(name)); // the same text, relative to the working directory
    QCOMPARE(counter.folder(), before);
    QVERIFY(counter.refresh());
    QCOMPARE(counter.count(), qint64(1));
}

void TestDirectoryCounter::unreadableFolderCannotBeSet()
{
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::ExeOther));
    makeEntry(path(dir), "d|locked");
    makeEntry(path(dir), "f|locked/inside");
    QVERIFY(::chmod(path(dir, "locked").constData(), 0) == 0);

    DirectoryCounter counter;
    QVERIFY(counter.setFolder(dir.path()));
    {
        Unprivileged asNobody;
        if (!asNobody.holds())
            QSKIP("running as root without the right to become nobody: no permission to test");
        QVERIFY(!counter.setFolder(dir.path() + "/locked"));
    }
    QCOMPARE(counter.folder(), path(dir));
}

void TestDirectoryCounter::refreshReadsTheFolderAgain()
{
    QTemporaryDir dir;
    makeFiles(path(dir), 2);
    DirectoryCounter counter;
    QVERIFY(counter.setFolder(dir.path()));
    QVERIFY(counter.refresh());
    QCOMPARE(counter.count(), qint64(2));

    makeEntry(path(dir), "f|new");
    QCOMPARE(counter.count(), qint64(2)); // the count is that of the last refresh
    QVERIFY(counter.refresh());
    QCOMPARE(counter.count(), qint64(3));

    QVERIFY(QFile::remove(dir.filePath("file0")));
    QVERIFY(QFile::remove(dir.filePath("file1")));
    QVERIFY(counter.refresh());
    QCOMPARE(counter.count(), qint64(1));
}

void TestDirectoryCounter::refreshFailsWhenFolderIsGoneAndKeepsCount()
{
    QTemporaryDir dir;
    makeEntry(path(dir), "d|sub");
    makeEntry(path(dir), "f|sub/one");
    DirectoryCounter counter;
    QVERIFY(counter.setFolder(dir.path() + "/sub"));
    QVERIFY(counter.refresh());

    QVERIFY(QDir(dir.filePath("sub")).removeRecursively());
    QVERIFY(!counter.refresh());
    QCOMPARE(counter.count(), qint64(1));
}

void TestDirectoryCounter::startsInWorkingDirectoryAndResolvesRelativeText()
{
    QTemporaryDir dir;
    makeFiles(path(dir), 3);
    makeEntry(path(dir), "d|sub");
    makeEntry(path(dir), "f|sub/one");
    QVERIFY(QDir::setCurrent(dir.path()));

    DirectoryCounter counter;
    QVERIFY(counter.refresh());
    QCOMPARE(counter.count(), qint64(3));

    QVERIFY(counter.setFolder("sub"));
    QVERIFY(counter.refresh());
    QCOMPARE(counter.count(), qint64(1));
}

void TestDirectoryCounter::everyChangeBetweenTicksIsSeen_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("nothing") << "nothing" << qint64(2);
    QTest::newRow("file created") << "create" << qint64(3);
    QTest::newRow("file removed") << "remove" << qint64(1);
    QTest::newRow("file renamed in") << "rename in" << qint64(3);
    QTest::newRow("file renamed out") << "rename out" << qint64(1);
    QTest::newRow("file renamed inside") << "rename inside" << qint64(2);
    QTest::newRow("folder created") << "mkdir" << qint64(2);
    QTest::newRow("folder replaced at the same path") << "replace" << qint64(1);
}

// The folder looks unchanged for an hour, so its count is remembered; then one change.
void TestDirectoryCounter::everyChangeBetweenTicksIsSeen()
{
    QFETCH(QString, change);
    QFETCH(qint64, expected);

    QTemporaryDir root;
    if (!timesTrackEntriesIn(root.path()))
        QSKIP("the temporary folder's filesystem is always read in full");
    for (const char* entry :
         {"d|watched", "f|watched/a", "f|watched/b", "d|watched/sub", "f|elsewhere-file"}) {
        makeEntry(path(root), entry);
    }
    const QString watched = root.filePath("watched");
    makeOld(watched);

    DirectoryCounter counter;
    QCOMPARE(tick(counter, watched), qint64(2));
    QCOMPARE(tick(counter, watched), qint64(2));
    QCOMPARE(counter.fullReads(), qint64(1)); // the second tick trusted the remembered count

    QDir dir(watched);
    if (change == "create") {
        makeEntry(path(root), "f|watched/new");
    } else if (change == "remove") {
        QVERIFY(dir.remove("a"));
    } else if (change == "rename in") {
        QVERIFY(QDir(root.path()).rename("elsewhere-file", "watched/in"));
    } else if (change == "rename out") {
        QVERIFY(dir.rename("a", "../out"));
    } else if (change == "rename inside") {
        QVERIFY(dir.rename("a", "c"));
    } else if (change == "mkdir") {
        QVERIFY(dir.mkdir("newdir"));
    } else if (change == "replace") {
        QVERIFY(QDir(root.path()).rename("watched", "watched.old"));
        makeEntry(path(root), "d|watched");
        makeEntry(path(root), "f|watched/only");
        makeOld(watched); // same times as before: only the inode tells it apart
    }

    QCOMPARE(tick(counter, watched), expected);
    QCOMPARE(counter.fullReads(), qint64(change == "nothing" ? 1 : 2));
}

void TestDirectoryCounter::countIsTrustedOnlyWhenTheFolderWasOldByTheMargin_data()
{
    // How long before the read began the folder last changed, in milliseconds. A change in the
    // same timestamp granule as the read (on a filesystem with coarse times) can leave every
    // time as it was: only a folder older than the margin by then can be trusted.
    QTest::addColumn<int>("changedBeforeReadMs");
    QTest::addColumn<bool>("trusted");
    QTest::newRow("in the same instant") << 0 << false;
    QTest::newRow("1 s before") << 1000 << false;
    QTest::newRow("just the margin before") << 2000 << false;
    QTest::newRow("just over the margin before") << 2001 << true;
    QTest::newRow("an hour before") << 3'600'000 << true;
}

// The rule itself, with stamps made up: this kernel's fine-grained times never let the race
// it guards against happen for real.
void TestDirectoryCounter::countIsTrustedOnlyWhenTheFolderWasOldByTheMargin()
{
    QFETCH(int, changedBeforeReadMs);
    QFETCH(bool, trusted);
    const timespec readStart{1'800'000'000, 500'000'000};
    const std::int64_t changedNs = std::int64_t(readStart.tv_sec) * 1'000'000'000 +
                                   readStart.tv_nsec -
                                   std::int64_t(changedBeforeReadMs) * 1'000'000;
    FolderStamp stamp;
    stamp.device = 1;
    stamp.inode = 2;
    stamp.modified = {std::time_t(changedNs / 1'000'000'000), long(changedNs % 1'000'000'000)};
    stamp.changed = stamp.modified;
    stamp.timesTrackEntries = true;

    RememberedCounts memory;
    memory.remember(stamp, readStart, 42);
    const std::optional<std::int64_t> count = memory.countFor(stamp);
    QCOMPARE(count.has_value(), trusted);
    if (trusted)
        QCOMPARE(*count, std::int64_t(42));

    // Whatever the times, a folder whose times changed since is never trusted.
    FolderStamp touched = stamp;
    touched.changed.tv_nsec += 1;
    QVERIFY(!memory.countFor(touched));
}

void TestDirectoryCounter::recentlyChangedFolderIsReadInFullUntilSafelyOld()
{
    QTemporaryDir dir;
    if (!timesTrackEntriesIn(dir.path()))
        QSKIP("the temporary folder's filesystem is always read in full");
    makeEntry(path(dir), "f|a");
    setAge(dir.path(), 1); // changed a second ago: a change now could share its time
    DirectoryCounter counter;
    tick(counter, dir.path());
    tick(counter, dir.path());
    QCOMPARE(counter.fullReads(), qint64(2));

    makeOld(dir.path());
    tick(counter, dir.path());
    QCOMPARE(tick(counter, dir.path()), qint64(1));
    QCOMPARE(counter.fullReads(), qint64(3));
}

// What a link leads to can change while the folder holding the link stays as it was.
void TestDirectoryCounter::linkRetargetedOrTargetReplacedIsSeen()
{
    QTemporaryDir root;
    for (const char* entry : {"d|watched", "f|watched/a", "d|watched/sub", "l|a|watched/to-a",
                              "f|target", "l|../target|watched/outside"}) {
        makeEntry(path(root), entry);
    }
    const QString watched = root.filePath("watched");
    makeOld(watched);
    DirectoryCounter counter;
    QCOMPARE(tick(counter, watched), qint64(3));

    QVERIFY(QFile::remove(watched + "/to-a"));
    makeEntry(path(root), "l|sub|watched/to-a");
    makeOld(watched);
    QCOMPARE(tick(counter, watched), qint64(2));

    QVERIFY(QFile::remove(root.filePath("target")));
    makeEntry(path(root), "d|target");
    QCOMPARE(tick(counter, watched), qint64(1));
}

void TestDirectoryCounter::folderWithLinksCountsAsAFullReadWithoutOne_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<qint64>("expected");
    QTest::addColumn<qint64>("fullReads");

    // The folder holds a file, a folder, links to both, a link to a file outside it and a link
    // to that link: 4 files; and a link to a folder outside it, and one to an outside link to
    // that folder.
    QTest::newRow("nothing") << "nothing" << qint64(4) << qint64(1);
    QTest::newRow("link added") << "add" << qint64(5) << qint64(2);
    QTest::newRow("link retargeted from a file to a folder")
        << "retarget" << qint64(3) << qint64(2);
    QTest::newRow("outside target removed") << "remove target" << qint64(4) << qint64(1);
    QTest::newRow("outside target replaced by a folder")
        << "target to folder" << qint64(2) << qint64(1);
    QTest::newRow("outside folder replaced by a file")
        << "folder to file" << qint64(6) << qint64(1);
    QTest::newRow("outside folder removed") << "remove folder" << qint64(6) << qint64(1);
    QTest::newRow("outside link retargeted from a folder to a file")
        << "retarget outside" << qint64(5) << qint64(1);
}

void TestDirectoryCounter::folderWithLinksCountsAsAFullReadWithoutOne()
{
    QFETCH(QString, change);
    QFETCH(qint64, expected);
    QFETCH(qint64, fullReads);

    QTemporaryDir root;
    if (!timesTrackEntriesIn(root.path()))
        QSKIP("the temporary folder's filesystem is always read in full");
    for (const char* entry :
         {"d|watched", "f|watched/a", "d|watched/sub", "l|a|watched/to-a", "l|sub|watched/to-sub",
          "f|target", "l|../target|watched/outside", "l|outside|watched/to-outside", "d|elsewhere",
          "l|../elsewhere|watched/to-elsewhere", "l|elsewhere|hop", "l|../hop|watched/to-hop"}) {
        makeEntry(path(root), entry);
    }
    const QString watched = root.filePath("watched");
    makeOld(watched);
    DirectoryCounter counter;
    QCOMPARE(tick(counter, watched), qint64(4));

    if (change == "add") {
        makeEntry(path(root), "l|../target|watched/new");
    } else if (change == "retarget") {
        QVERIFY(QFile::remove(watched + "/to-a"));
        makeEntry(path(root), "l|sub|watched/to-a");
    } else if (change == "remove target") {
        QVERIFY(QFile::remove(root.filePath("target")));
    } else if (change == "target to folder") {
        QVERIFY(QFile::remove(root.filePath("target")));
        makeEntry(path(root), "d|target");
    } else if (change == "folder to file") {
        QVERIFY(QDir(root.filePath("elsewhere")).removeRecursively());
        makeEntry(path(root), "f|elsewhere");
    } else if (change == "remove folder") {
        QVERIFY(QDir(root.filePath("elsewhere")).removeRecursively());
    } else if (change == "retarget outside") {
        QVERIFY(QFile::remove(root.filePath("hop")));
        makeEntry(path(root), "l|target|hop");
    }

    DirectoryCounter fullRead(DirectoryCounter::Memory::AlwaysReadInFull);
    QCOMPARE(tick(fullRead, watched), expected);
    QCOMPARE(tick(counter, watched), expected);
    QCOMPARE(counter.fullReads(), fullReads);
}

// Network and user-space filesystems cache attributes; overlayfs merges the entries of layers
// whose times it does not combine; /proc lists entries that no time tracks.
void TestDirectoryCounter::onlyLocalFilesystemsAreTrustedToTrackEntries_data()
{
    QTest::addColumn<long>("filesystemType");
    QTest::addColumn<bool>("trusted");
    QTest::newRow("ext4") << long(EXT4_SUPER_MAGIC) << true;
    QTest::newRow("xfs") << long(XFS_SUPER_MAGIC) << true;
    QTest::newRow("btrfs") << long(BTRFS_SUPER_MAGIC) << true;
    QTest::newRow("tmpfs") << long(TMPFS_MAGIC) << true;
    QTest::newRow("nfs") << long(NFS_SUPER_MAGIC) << false;
    QTest::newRow("cifs") << long(CIFS_SUPER_MAGIC) << false;
    QTest::newRow("smb2") << long(SMB2_SUPER_MAGIC) << false;
    QTest::newRow("fuse") << long(FUSE_SUPER_MAGIC) << false;
    QTest::newRow("overlayfs") << long(OVERLAYFS_SUPER_MAGIC) << false;
    QTest::newRow("proc") << long(PROC_SUPER_MAGIC) << false;
}

void TestDirectoryCounter::onlyLocalFilesystemsAreTrustedToTrackEntries()
{
    QFETCH(long, filesystemType);
    QFETCH(bool, trusted);
    QCOMPARE(timesTrackEntriesOnFilesystem(filesystemType), trusted);
}

MARROWQUILL_TEST_MAIN(TestDirectoryCounter)
#include "tst_directory_counter.moc"
