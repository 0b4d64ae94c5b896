// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "fakes.h"

#include <QTest>

namespace {

const QString folderA = QStringLiteral("/watch/a");
const QString folderB = QStringLiteral("/watch/b b");

QString alertFor(const QString& folder)
{
    return QStringLiteral("box:Change in folder ") + folder;
}

// Slot 0 watches folder A, which holds `files`; the first tick has recorded that count.
void startWatchingA(PollFixture& f, std::int64_t files)
{
    f.counter.setFiles(folderA, files);
    f.fields.setFolder(0, folderA);
    f.fields.setActive(0, CHECK_CHECKED);
    f.poll.state().firstPass = true;
    f.tick();
    f.log.clear();
}

// Slot 1 watches folder B, which holds `files`.
void watchBInSlot1(PollFixture& f, std::int64_t files)
{
    f.counter.setFiles(folderB, files);
    f.fields.setFolder(1, folderB);
    f.fields.setActive(1, CHECK_CHECKED);
}

} // namespace

class TestPollCycle : public QObject
{
    Q_OBJECT

private slots:
    void firstTickRecordsActiveSlotsOnly();
    void firstTickClearsFlagWithNoSlotActive();
    void countChange_data();
    void countChange();
    void beepComesBeforeBoxOncePerAlert_data();
    void beepComesBeforeBoxOncePerAlert();
    void inactiveSlotIsNotCountedAndKeepsItsCount();
    void slotSwitchedOnLaterComparesWithItsOldCount();
    void newFolderComparesWithOldFolderCount();
    void folderThatCannotBeListedIsSkipped_data();
    void folderThatCannotBeListedIsSkipped();
    void tickDueWhileAlertIsOpenIsDropped();
    void countsBeyondSixteenBitsStillAlert();
    void stoppingDuringAnAlertEndsThePoll();
    void countThatDoesNotComeIsSkippedAndTheNextSlotStillAlerts();
    void lateResult_data();
    void lateResult();
    void hungFolderIsReadOnceAndResumesWithItsOldCount();
    void stoppingWhileACountIsAwaitedEndsTheTick();
    void onlyActiveSlotsAreCounted_data();
    void onlyActiveSlotsAreCounted();
    void firstCountThatComesLate_data();
    void firstCountThatComesLate();
    void hungSlotsHoldTheOthersBackOnce_data();
    void hungSlotsHoldTheOthersBackOnce();
    void slowFolderIsWaitedForOnceItAnswered_data();
    void slowFolderIsWaitedForOnceItAnswered();
    void slowFolderThatHangsIsSkippedAfterItsLongerPatience();
    void countIsReadAfterTheAlertBoxBefore_data();
    void countIsReadAfterTheAlertBoxBefore();
};

void TestPollCycle::firstTickRecordsActiveSlotsOnly()
{
    PollFixture f;
    f.counter.setFiles(folderA, 3);
    f.counter.setFiles(folderB, 7);
    f.fields.setFolder(0, folderA);
    f.fields.setActive(0, CHECK_CHECKED);
    f.fields.setAlertAdded(0, CHECK_CHECKED);
    f.fields.setFolder(1, folderB); // inactive: not recorded
    f.fields.setFolder(2, folderB);
    f.fields.setActive(2, CHECK_CHECKED);
    f.poll.state().firstPass = true;

    f.tick();

    const std::array<std::int64_t, SLOT_COUNT> expected{3, 0, 7, 0, 0};
    QCOMPARE(f.poll.state().previousCount, expected);
    QVERIFY(!f.poll.state().firstPass);
    QVERIFY2(f.alerts().isEmpty(), qPrintable(f.alerts().join(", ")));
    QCOMPARE(f.log, (CallLog{"count:/watch/a", "count:/watch/b b"}));
}

void TestPollCycle::firstTickClearsFlagWithNoSlotActive()
{
    PollFixture f;
    f.poll.state().firstPass = true;
    f.tick();
    QVERIFY(!f.poll.state().firstPass);
    QVERIFY(f.log.isEmpty());
}

void TestPollCycle::countChange_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("alertAdded");
    QTest::addColumn<int>("alertRemoved");
    QTest::addColumn<bool>("alerts");

    QTest::newRow("grows, added ticked") << 5 << 6 << 1 << 0 << true;
    QTest::newRow("grows, only removed ticked") << 5 << 6 << 0 << 1 << false;
    QTest::newRow("grows, added grayed") << 5 << 6 << 2 << 2 << false;
    QTest::newRow("shrinks, removed ticked") << 5 << 4 << 0 << 1 << true;
    QTest::newRow("shrinks, only added ticked") << 5 << 4 << 1 << 0 << false;
    QTest::newRow("shrinks, removed grayed") << 5 << 4 << 2 << 2 << false;
    QTest::newRow("shrinks to empty, both ticked") << 5 << 0 << 1 << 1 << true;
    QTest::newRow("unchanged, both ticked") << 5 << 5 << 1 << 1 << false;
}

void TestPollCycle::countChange()
{
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(int, alertAdded);
    QFETCH(int, alertRemoved);
    QFETCH(bool, alerts);

    PollFixture f;
    startWatchingA(f, before);
    f.fields.setAlertAdded(0, CheckValue(alertAdded));
    f.fields.setAlertRemoved(0, CheckValue(alertRemoved));
    f.counter.setFiles(folderA, after);

    f.tick();

    QCOMPARE(f.alerts(), alerts ? QStringList{alertFor(folderA)} : QStringList{});
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(after));

    // The change is recorded whether or not it alerted: the next tick sees no change.
    f.log.clear();
    f.tick();
    QVERIFY(f.alerts().isEmpty());
}

void TestPollCycle::beepComesBeforeBoxOncePerAlert_data()
{
    QTest::addColumn<int>("alertSound");
    QTest::addColumn<QStringList>("expected");

    const QStringList boxes{alertFor(folderA), alertFor(folderB)};
    QTest::newRow("sound ticked") << 1
                                  << QStringList{"beep", alertFor(folderA), "beep",
                                                 alertFor(folderB)};
    QTest::newRow("sound unticked") << 0 << boxes;
    QTest::newRow("sound grayed") << 2 << boxes;
}

void TestPollCycle::beepComesBeforeBoxOncePerAlert()
{
    QFETCH(int, alertSound);
    QFETCH(QStringList, expected);

    PollFixture f;
    f.counter.setFiles(folderB, 1);
    f.fields.setFolder(3, folderB);
    f.fields.setActive(3, CHECK_CHECKED);
    f.fields.setAlertRemoved(3, CHECK_CHECKED);
    startWatchingA(f, 1);
    f.fields.setAlertAdded(0, CHECK_CHECKED);
    f.fields.setAlertSound(CheckValue(alertSound));
    f.counter.setFiles(folderA, 2);
    f.counter.setFiles(folderB, 0);

    f.tick();

    QCOMPARE(f.alerts(), expected);
}

void TestPollCycle::inactiveSlotIsNotCountedAndKeepsItsCount()
{
    PollFixture f;
    startWatchingA(f, 4);
    f.fields.setAlertAdded(0, CHECK_CHECKED);
    f.fields.setActive(0, CHECK_UNCHECKED);
    f.counter.setFiles(folderA, 9);

    f.tick();

    QVERIFY(f.log.isEmpty());
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(4));
}

void TestPollCycle::slotSwitchedOnLaterComparesWithItsOldCount()
{
    PollFixture f;
    f.poll.state().firstPass = true;
    f.tick();
    f.counter.setFiles(folderB, 3);
    f.fields.setFolder(1, folderB);
    f.fields.setAlertAdded(1, CHECK_CHECKED);
    f.fields.setActive(1, CHECK_CHECKED);

    f.tick();

    QCOMPARE(f.alerts(), QStringList{alertFor(folderB)});
    QCOMPARE(f.poll.state().previousCount[1], std::int64_t(3));
}

void TestPollCycle::newFolderComparesWithOldFolderCount()
{
    PollFixture f;
    startWatchingA(f, 2);
    f.fields.setAlertRemoved(0, CHECK_CHECKED);
    f.counter.setFiles(folderB, 1);
    f.fields.setFolder(0, folderB);

    f.tick();

    QCOMPARE(f.alerts(), QStringList{alertFor(folderB)});
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(1));
}

void TestPollCycle::folderThatCannotBeListedIsSkipped_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("onFirstTick");
    // A folder of that name can be listed (the placeholder text names one in the working
    // directory): a slot without a folder still counts nothing.
    QTest::addColumn<bool>("listable");

    QTest::newRow("no folder chosen, first tick") << QString(NO_FOLDER_TEXT) << true << false;
    QTest::newRow("no folder chosen, later tick") << QString(NO_FOLDER_TEXT) << false << false;
    QTest::newRow("no folder chosen, a folder of that name")
        << QString(NO_FOLDER_TEXT) << false << true;
    QTest::newRow("missing folder, first tick") << QStringLiteral("/gone") << true << false;
    QTest::newRow("missing folder, later tick") << QStringLiteral("/gone") << false << false;
}

// Slot 0's folder lists fine and is counted first, so the counter holds a folder whose count
// differs from slot 1's; slot 1 must neither take that count nor alert about it.
void TestPollCycle::folderThatCannotBeListedIsSkipped()
{
    QFETCH(QString, folder);
    QFETCH(bool, onFirstTick);
    QFETCH(bool, listable);

    PollFixture f;
    if (listable)
        f.counter.setFiles(folder, 3);
    f.counter.setFiles(folderA, 12);
    f.fields.setFolder(0, folderA);
    f.fields.setActive(0, CHECK_CHECKED);
    f.fields.setFolder(1, folder);
    f.fields.setActive(1, CHECK_CHECKED);
    f.fields.setAlertAdded(1, CHECK_CHECKED);
    f.fields.setAlertRemoved(1, CHECK_CHECKED);
    f.poll.state().previousCount[1] = 5;
    f.poll.state().firstPass = onFirstTick;

    f.tick();

    QVERIFY2(f.alerts().isEmpty(), qPrintable(f.alerts().join(", ")));
    QCOMPARE(f.poll.state().previousCount[1], std::int64_t(5));
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(12));
    QCOMPARE(f.log.contains("count:" + folder), folder != QLatin1String(NO_FOLDER_TEXT));
}

void TestPollCycle::tickDueWhileAlertIsOpenIsDropped()
{
    PollFixture f;
    startWatchingA(f, 1);
    f.fields.setAlertAdded(0, CHECK_CHECKED);
    f.counter.setFiles(folderA, 2);
    int nestedTicks = 0;
    f.messageBox.whileShown = [&] {
        ++nestedTicks;
        f.poll.Timer1_Timer();
    };

    f.tick();

    QCOMPARE(nestedTicks, 1);
    QCOMPARE(f.alerts(), QStringList{alertFor(folderA)});
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(2));

    // Once the box is gone, ticks run again.
    f.messageBox.whileShown = nullptr;
    f.counter.setFiles(folderA, 3);
    f.log.clear();
    f.tick();
    QCOMPARE(f.alerts(), QStringList{alertFor(folderA)});
}

void TestPollCycle::countsBeyondSixteenBitsStillAlert()
{
    PollFixture f;
    startWatchingA(f, 40'000);
    f.fields.setAlertAdded(0, CHECK_CHECKED);
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(40'000));

    f.counter.setFiles(folderA, 5'000'000'001);
    f.tick();
    QCOMPARE(f.alerts(), QStringList{alertFor(folderA)});
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(5'000'000'001));
}

void TestPollCycle::stoppingDuringAnAlertEndsThePoll()
{
    PollFixture f;
    watchBInSlot1(f, 1);
    f.fields.setAlertAdded(1, CHECK_CHECKED);
    startWatchingA(f, 1);
    f.fields.setAlertAdded(0, CHECK_CHECKED);
    f.counter.setFiles(folderA, 2);
    f.counter.setFiles(folderB, 2);
    f.messageBox.whileShown = [&] { f.poll.stop(); }; // the window closes under the first box

    f.tick();
    QCOMPARE(f.alerts(), QStringList{alertFor(folderA)});

    f.log.clear();
    f.tick();
    QVERIFY(f.log.isEmpty());
}

// Slot 0 watches folder A, whose read hangs; slot 1 watches folder B, which gains a file.
void TestPollCycle::countThatDoesNotComeIsSkippedAndTheNextSlotStillAlerts()
{
    PollFixture f;
    watchBInSlot1(f, 1);
    f.fields.setAlertAdded(1, CHECK_CHECKED);
    startWatchingA(f, 4);
    f.fields.setAlertRemoved(0, CHECK_CHECKED);
    f.counter.hold(folderA);
    f.counter.setFiles(folderB, 2);

    f.tick();
    QVERIFY(f.poll.isTickRunning());
    QCOMPARE(f.log, CallLog{"count:" + folderA}); // slot 1 waits for slot 0
    QVERIFY(f.patience.isActive());
    QCOMPARE(f.patience.intervalMs(), FILE_SYSTEM_PATIENCE_MS);

    f.patience.fire();
    f.counter.answerPending();

    QVERIFY(!f.poll.isTickRunning());
    QCOMPARE(f.alerts(), QStringList{alertFor(folderB)});
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(4));
    QCOMPARE(f.poll.state().previousCount[1], std::int64_t(2));
}

void TestPollCycle::lateResult_data()
{
    QTest::addColumn<int>("ticksBetween");
    QTest::addColumn<bool>("comesDuringTheTick");

    // The read that outlived its tick found 3 files where 1 was, and the folder has 1 again:
    // whenever that count comes, it is out of date, and the slot's next turn reads afresh.
    QTest::newRow("during the tick") << 0 << true;
    QTest::newRow("between ticks") << 0 << false;
    QTest::newRow("a tick without the slot between") << 1 << false;
}

void TestPollCycle::lateResult()
{
    QFETCH(int, ticksBetween);
    QFETCH(bool, comesDuringTheTick);

    PollFixture f;
    watchBInSlot1(f, 0);
    startWatchingA(f, 1);
    f.fields.setAlertAdded(0, CHECK_CHECKED);
    f.fields.setAlertAdded(1, CHECK_CHECKED); // alerts were slot 0's count taken as slot 1's
    f.counter.hold(folderB);                  // keeps the tick going after slot 0 gives up
    f.counter.hold(folderA);
    f.tick();
    f.patience.fire();
    if (comesDuringTheTick)
        f.counter.release(folderA, 3);
    f.patience.fire();
    f.counter.release(folderB, 0);
    QVERIFY(!f.poll.isTickRunning());
    if (!comesDuringTheTick)
        f.counter.release(folderA, 3);
    QCOMPARE(f.alerts(), QStringList{}); // slot 0's count was not taken for slot 1

    f.fields.setActive(0, CHECK_UNCHECKED);
    for (int i = 0; i < ticksBetween; ++i)
        f.tick();
    f.fields.setActive(0, CHECK_CHECKED);
    f.counter.setFiles(folderA, 1);
    f.log.clear();
    f.tick();

    QVERIFY(!f.patience.isActive());
    QCOMPARE(f.log.count("count:" + folderA), 1);
    QCOMPARE(f.alerts(), QStringList{});
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(1));
}

void TestPollCycle::hungFolderIsReadOnceAndResumesWithItsOldCount()
{
    PollFixture f;
    startWatchingA(f, 7);
    f.fields.setAlertAdded(0, CHECK_CHECKED);
    f.counter.hold(folderA);
    f.tick();
    f.patience.fire();
    for (int tick = 0; tick < 2; ++tick) {
        f.tick();
        QVERIFY(!f.poll.isTickRunning()); // no second wait for the read in flight
    }
    QCOMPARE(f.counter.readsInFlight(folderA), 1);
    QCOMPARE(f.log.count("count:" + folderA), 1);
    QVERIFY(f.alerts().isEmpty());
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(7));

    // The folder answers again, now with 8 files: the next tick reads that count.
    f.counter.setFiles(folderA, 8);
    f.counter.release(folderA, 8);
    f.tick();
    QCOMPARE(f.alerts(), QStringList{alertFor(folderA)});
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(8));
}

void TestPollCycle::stoppingWhileACountIsAwaitedEndsTheTick()
{
    PollFixture f;
    startWatchingA(f, 1);
    f.fields.setAlertAdded(0, CHECK_CHECKED);
    f.counter.hold(folderA);
    f.tick();

    f.poll.stop();
    QVERIFY(!f.poll.isTickRunning());
    QVERIFY(!f.patience.isActive());
    f.counter.release(folderA, 2); // the read ends after the window has gone
    f.tick();
    QVERIFY(f.alerts().isEmpty());
}

void TestPollCycle::onlyActiveSlotsAreCounted_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("active");

    QTest::newRow("slot 1 active") << 0 << 1;
    QTest::newRow("slot 5 active") << 4 << 1;
    QTest::newRow("slot 5 grayed") << 4 << 2;
    QTest::newRow("slot 3 grayed") << 2 << 2;
}

void TestPollCycle::onlyActiveSlotsAreCounted()
{
    QFETCH(int, slot);
    QFETCH(int, active);

    PollFixture f;
    f.counter.setFiles(folderA, 1);
    f.fields.setFolder(slot, folderA);
    f.fields.setAlertAdded(slot, CHECK_CHECKED);
    f.fields.setActive(slot, CheckValue(active));
    f.poll.state().firstPass = true;
    f.tick();
    f.counter.setFiles(folderA, 2);
    f.tick();

    const bool counted = active == CHECK_CHECKED;
    QCOMPARE(f.log.count("count:" + folderA), counted ? 2 : 0);
    QCOMPARE(f.alerts(), counted ? QStringList{alertFor(folderA)} : QStringList{});
    QCOMPARE(f.poll.state().previousCount[slot], std::int64_t(counted ? 2 : 0));
}

void TestPollCycle::firstCountThatComesLate_data()
{
    QTest::addColumn<bool>("newFolder");
    QTest::addColumn<int>("thirdTickCount");
    QTest::addColumn<QStringList>("expectedAlerts");

    // Folder A holds 5 files, but its count comes only after the first tick gave up on it.
    QTest::newRow("then unchanged") << false << 5 << QStringList{};
    QTest::newRow("then changed") << false << 6 << QStringList{alertFor(folderA)};
    // Folder B holds 4 files: compared with the 0 the slot has, as any new folder is.
    QTest::newRow("given a new folder meanwhile") << true << 4 << QStringList{alertFor(folderB)};
}

void TestPollCycle::firstCountThatComesLate()
{
    QFETCH(bool, newFolder);
    QFETCH(int, thirdTickCount);
    QFETCH(QStringList, expectedAlerts);

    PollFixture f;
    f.fields.setFolder(0, folderA);
    f.fields.setActive(0, CHECK_CHECKED);
    f.fields.setAlertAdded(0, CHECK_CHECKED);
    f.fields.setAlertRemoved(0, CHECK_CHECKED);
    f.counter.hold(folderA);
    f.poll.state().firstPass = true;
    f.tick();
    f.patience.fire();
    QVERIFY(!f.poll.isTickRunning());
    f.counter.setFiles(folderA, 5);
    f.counter.release(folderA, 5);
    const QString folder = newFolder ? folderB : folderA;
    if (newFolder) {
        f.counter.setFiles(folderB, 4);
        f.fields.setFolder(0, folderB);
    }

    f.tick();
    f.counter.setFiles(folder, thirdTickCount);
    f.tick();

    QCOMPARE(f.alerts(), expectedAlerts);
    QCOMPARE(f.poll.state().previousCount[0], std::int64_t(thirdTickCount));
}

void TestPollCycle::hungSlotsHoldTheOthersBackOnce_data()
{
    QTest::addColumn<QList<int>>("hungSlots");
    QTest::addColumn<int>("normalSlot");

    QTest::newRow("four hung, the normal one last") << QList<int>{0, 1, 2, 3} << 4;
    QTest::newRow("hung on both sides") << QList<int>{0, 1, 3, 4} << 2;
}

// The hung slots each hold the first tick back for their patience; from then on the normal
// slot is counted at every tick, straight away.
void TestPollCycle::hungSlotsHoldTheOthersBackOnce()
{
    QFETCH(QList<int>, hungSlots);
    QFETCH(int, normalSlot);

    PollFixture f;
    for (const int slot : hungSlots) {
        const QString folder = QStringLiteral("/hung/%1").arg(slot);
        f.counter.hold(folder);
        f.fields.setFolder(slot, folder);
        f.fields.setActive(slot, CHECK_CHECKED);
    }
    f.counter.setFiles(folderA, 0);
    f.fields.setFolder(normalSlot, folderA);
    f.fields.setActive(normalSlot, CHECK_CHECKED);
    f.fields.setAlertAdded(normalSlot, CHECK_CHECKED);
    f.poll.state().firstPass = true;
    f.tick();
    int waits = 0;
    while (f.poll.isTickRunning() && f.patience.isActive()) {
        f.patience.fire();
        f.counter.answerPending();
        ++waits;
    }
    QCOMPARE(waits, int(hungSlots.size()));

    QStringList expectedAlerts;
    for (int tick = 1; tick <= 3; ++tick) {
        f.counter.setFiles(folderA, tick);
        f.tick();
        QVERIFY(!f.poll.isTickRunning());
        expectedAlerts << alertFor(folderA);
        QCOMPARE(f.alerts(), expectedAlerts);
    }
    for (const int slot : hungSlots)
        QCOMPARE(f.counter.readsInFlight(QStringLiteral("/hung/%1").arg(slot)), 1);
}

void TestPollCycle::slowFolderIsWaitedForOnceItAnswered_data()
{
    QTest::addColumn<bool>("inTime");
    QTest::addColumn<int>("expectedAlerts");

    // A file comes before each of 4 ticks. A read within the patience serves its own tick. A
    // slower one is dropped the first time, being older than the slot's next turn; from then on
    // the folder is known to be slow, and its turn waits for it.
    QTest::newRow("within the patience") << true << 4;
    QTest::newRow("after the patience") << false << 3;
}

void TestPollCycle::slowFolderIsWaitedForOnceItAnswered()
{
    QFETCH(bool, inTime);
    QFETCH(int, expectedAlerts);

    PollFixture f;
    startWatchingA(f, 0);
    f.fields.setAlertAdded(0, CHECK_CHECKED);
    for (int files = 1; files <= 4; ++files) {
        f.counter.setFiles(folderA, files);
        f.counter.hold(folderA);
        f.tick();
        if (!inTime)
            f.patience.fire();
        QCOMPARE(f.counter.readsInFlight(folderA), 1);
        f.counter.release(folderA, files);
        QVERIFY(!f.poll.isTickRunning());
    }

    QCOMPARE(int(f.alerts().size()), expectedAlerts);
    QCOMPARE(f.log.count("count:" + folderA), 4);
}

// A slow folder that stops answering holds its tick back for the longer patience, once; the
// next slot is still counted, and later turns skip the folder at once while its read hangs.
void TestPollCycle::slowFolderThatHangsIsSkippedAfterItsLongerPatience()
{
    PollFixture f;
    watchBInSlot1(f, 0);
    f.fields.setAlertAdded(1, CHECK_CHECKED);
    startWatchingA(f, 0);
    f.counter.hold(folderA);
    f.tick();
    f.patience.fire();
    f.counter.answerPending();
    f.counter.release(folderA, 0); // late: A is slow

    f.counter.hold(folderA);
    f.counter.setFiles(folderB, 1);
    f.tick();
    f.patience.fire();
    QVERIFY(f.poll.isTickRunning());
    QCOMPARE(f.patience.intervalMs(), SLOW_COUNT_PATIENCE_MS - FILE_SYSTEM_PATIENCE_MS);
    f.patience.fire();
    f.counter.answerPending();
    QVERIFY(!f.poll.isTickRunning());
    QCOMPARE(f.alerts(), QStringList{alertFor(folderB)});

    f.tick();
    QVERIFY(!f.poll.isTickRunning());
    QCOMPARE(f.counter.readsInFlight(folderA), 1);
}

void TestPollCycle::countIsReadAfterTheAlertBoxBefore_data()
{
    QTest::addColumn<QList<int>>("duringTheBox");
    QTest::addColumn<QStringList>("expectedAlerts");
    QTest::addColumn<int>("nextTickFiles");
    QTest::addColumn<QStringList>("nextTickAlerts");

    // Folders A (slot 1) and B (slot 2) hold 1 file each; A gains one, and its box is open
    // while B's files come and go.
    const QString a = alertFor(folderA);
    const QString b = alertFor(folderB);
    QTest::newRow("changed during the box")
        << QList<int>{2} << QStringList{a, b} << 1 << QStringList{b};
    QTest::newRow("changed and back during the box")
        << QList<int>{2, 1} << QStringList{a} << 1 << QStringList{};
    QTest::newRow("changed after the box") << QList<int>{} << QStringList{a} << 2 << QStringList{b};
}

void TestPollCycle::countIsReadAfterTheAlertBoxBefore()
{
    QFETCH(QList<int>, duringTheBox);
    QFETCH(QStringList, expectedAlerts);
    QFETCH(int, nextTickFiles);
    QFETCH(QStringList, nextTickAlerts);

    PollFixture f;
    watchBInSlot1(f, 1);
    startWatchingA(f, 1);
    for (const int slot : {0, 1}) {
        f.fields.setAlertAdded(slot, CHECK_CHECKED);
        f.fields.setAlertRemoved(slot, CHECK_CHECKED);
    }
    f.counter.setFiles(folderA, 2);
    f.messageBox.whileShown = [&] {
        for (const int files : std::as_const(duringTheBox))
            f.counter.setFiles(folderB, files);
        f.messageBox.whileShown = nullptr;
    };

    f.tick();
    QCOMPARE(f.alerts(), expectedAlerts);

    f.log.clear();
    f.counter.setFiles(folderB, nextTickFiles);
    f.tick();
    QCOMPARE(f.alerts(), nextTickAlerts);
}

QTEST_GUILESS_MAIN(TestPollCycle)
#include "tst_poll_cycle.moc"
