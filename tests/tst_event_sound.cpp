// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "desktop/event_sound.h"
#include "fakes.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

// Plays the sounds it is told it has, and logs every request as "play:<id>".
class FakeEventSoundPlayer final : public EventSoundPlayer
{
public:
    FakeEventSoundPlayer(CallLog& log, QStringList playable) : m_log(log), m_playable(playable) {}

    bool play(const char* eventId) override
    {
        m_log << QStringLiteral("play:") + eventId;
        return m_playable.contains(QLatin1String(eventId));
    }

private:
    CallLog& m_log;
    QStringList m_playable;
};

} // namespace

class TestEventSound : public QObject
{
    Q_OBJECT

private slots:
    void looksForSoundsAtTheFirstBeepAndFallsBackInOrder_data();
    void looksForSoundsAtTheFirstBeepAndFallsBackInOrder();
    void realPlayerFallsBackToTheDisplayBellWithoutSound();
};

// The sound system is looked for ("open") when the first beep is due, not when the program
// starts, and only once.
void TestEventSound::looksForSoundsAtTheFirstBeepAndFallsBackInOrder_data()
{
    QTest::addColumn<QStringList>("playable");
    QTest::addColumn<CallLog>("oneBeep");
    QTest::newRow("theme has the window-system bell")
        << QStringList{"bell-window-system", "bell"} << CallLog{"play:bell-window-system"};
    QTest::newRow("theme has only the plain bell")
        << QStringList{"bell"} << CallLog{"play:bell-window-system", "play:bell"};
    QTest::newRow("no sound at all: the display's bell")
        << QStringList{} << CallLog{"play:bell-window-system", "play:bell", "beep"};
}

void TestEventSound::looksForSoundsAtTheFirstBeepAndFallsBackInOrder()
{
    QFETCH(QStringList, playable);
    QFETCH(CallLog, oneBeep);
    CallLog log;
    FakeBeeper displayBell(log);
    DesktopBeeper beeper(
        [&] {
            log << QStringLiteral("open");
            return std::make_unique<FakeEventSoundPlayer>(log, playable);
        },
        displayBell);
    QCOMPARE(log, CallLog{});

    beeper.beep();
    beeper.beep();

    QCOMPARE(log, CallLog{"open"} + oneBeep + oneBeep);
}

// With libcanberra told to use a driver that does not exist, as on a machine with no sound
// system, every beep falls back to the display's bell, and none holds the tick. The bound is
// loose: it catches a hang, not a slow sound server.
void TestEventSound::realPlayerFallsBackToTheDisplayBellWithoutSound()
{
    qputenv("CANBERRA_DRIVER", "no-such-driver");
    CallLog log;
    FakeBeeper displayBell(log);
    DesktopBeeper beeper(makeEventSoundPlayer, displayBell);

    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < 3; ++i)
        beeper.beep();
    qunsetenv("CANBERRA_DRIVER");
    QVERIFY2(elapsed.elapsed() < 2000, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(log, CallLog({"beep", "beep", "beep"}));
}

QTEST_GUILESS_MAIN(TestEventSound)
#include "tst_event_sound.moc"
