// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/file_counter.h"
#include "core/timer.h"
#include "core/watch_core.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class Beeper;
class MessageBox;

// The periodic poll: counts the files of every active slot's folder, compares each count with
// the slot's previous one and raises the alert the slot asks for.
//
// A tick takes the slots in turn, and a slot's folder is read only when its turn comes: after
// the count of the slot before has come and its alert, if any, has been dismissed. So every
// count the tick compares was read after everything the user saw before it. Counting happens
// away from the window's thread, and while a tick waits for a count the window's event loop goes
// on. A count that has not come within FILE_SYSTEM_PATIENCE_MS is taken as a folder that cannot be
// read now: the slot is skipped for this tick and keeps its previous count. A folder is never
// read twice at once, so a folder whose filesystem hangs ties up one read: while that read is in
// flight, later turns of the folder skip it at once, and its result, when it comes, is too old
// to serve and is dropped.
//
// A folder whose read does end, but only after its patience ran out, is slow rather than gone:
// from then on its turn waits up to SLOW_COUNT_PATIENCE_MS for it, until a read of it ends
// within FILE_SYSTEM_PATIENCE_MS again. So a folder that takes seconds to list is watched, and one
// that hangs holds the other slots back only at its first turn.
//
// A slot without a folder is never counted. A slot that was active at the first tick but whose
// count did not come then has no count to compare with: the first count of that folder that
// does come is recorded without comparing.
class PollCycle
{
public:
    PollCycle(const SlotFields& fields, FileCounter& counter, Beeper& beeper,
              MessageBox& messageBox, Timer& patience);
    PollCycle(const PollCycle&) = delete;
    PollCycle& operator=(const PollCycle&) = delete;
    ~PollCycle();

    // One tick of the poll timer. Returns once the tick waits for a count, or has ended.
    void Timer1_Timer();
    // Ends the poll for good, as the window closes: a tick waiting for a count or in its alert
    // box goes no further, and later ticks do nothing.
    void stop();

    bool isTickRunning() const { return m_tick.has_value(); }
    PollState& state() { return m_state; }
    const PollState& state() const { return m_state; }

private:
    struct Tick
    {
        bool firstPass = false;
        int slot = -1;
        QString folder;
        bool waiting = false;
        // The read is being started: a counter may answer before it returns.
        bool starting = false;
        int patienceMs = FILE_SYSTEM_PATIENCE_MS;
    };

    struct Read
    {
        QElapsedTimer started;
        // Its patience ran out before it ended.
        bool late = false;
    };

    void countNextSlot();
    void startRead(const QString& folder);
    void readEnded(const QString& folder, FileCounter::Result count);
    void countArrived(FileCounter::Result count);
    void patienceRanOut();
    void skipUnanswered();
    void noteHowLongItTook(const QString& folder, const Read& read);
    void takeCount(int slot, std::int64_t count);
    void endTick();
    void raiseAlert(const QString& folder);

    const SlotFields& m_fields;
    FileCounter& m_counter;
    Beeper& m_beeper;
    MessageBox& m_messageBox;
    Timer& m_patience;
    PollState m_state;
    std::optional<Tick> m_tick;
    // The folders whose read is in flight, those stuck in a hung filesystem included.
    QHash<QString, Read> m_reading;
    // Folders whose last read ended only after its patience ran out.
    QSet<QString> m_slow;
    // For each slot whose count did not come at the first tick, the folder it was counting.
    std::array<std::optional<QString>, SLOT_COUNT> m_firstCountOwed;
    // Folders whose count did not come in time, so that each is reported once.
    QSet<QString> m_notAnswering;
    bool m_stopped = false;
    // Reads that end after the poll is gone find it gone through this.
    std::shared_ptr<PollCycle*> m_self;
};
