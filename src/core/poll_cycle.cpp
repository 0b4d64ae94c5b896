// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/poll_cycle.h"

#include "core/alerts.h"
#include "support/logging.h"

PollCycle::PollCycle(const SlotFields& fields, FileCounter& counter, Beeper& beeper,
                     MessageBox& messageBox, Timer& patience)
    : m_fields(fields), m_counter(counter), m_beeper(beeper), m_messageBox(messageBox),
      m_patience(patience), m_self(std::make_shared<PollCycle*>(this))
{
    m_patience.setHandler([this] { patienceRanOut(); });
}

PollCycle::~PollCycle()
{
    *m_self = nullptr;
    m_patience.stop();
    m_patience.setHandler(nullptr);
}

void PollCycle::Timer1_Timer()
{
    // A tick that falls due while another one is still going (waiting for a count, or in its
    // alert box) is dropped: the previous count is recorded only after the box is dismissed,
    // so a nested tick would raise the same alert again.
    if (m_tick || m_stopped)
        return;
    m_tick.emplace();
    m_tick->firstPass = m_state.firstPass;
    countNextSlot();
}

void PollCycle::stop()
{
    m_stopped = true;
    m_patience.stop();
    if (m_tick && m_tick->waiting)
        endTick();
}

// Moves on through the slots until one has to wait for its count, or the tick is over. A count
// that comes before its read has even been handed over, and a folder still tied up in an
// earlier read, are dealt with in this loop.
void PollCycle::countNextSlot()
{
    while (m_tick && !m_stopped) {
        const int slot = ++m_tick->slot;
        if (slot == SLOT_COUNT) {
            endTick();
            return;
        }
        // The placeholder text names no folder: counting it would count whatever folder of
        // that name the working directory holds.
        const QString folder = m_fields.folder(slot);
        if (!isSet(m_fields.active(slot)) || folder == QLatin1String(NO_FOLDER_TEXT))
            continue;
        m_tick->folder = folder;
        if (m_reading.contains(folder)) {
            skipUnanswered();
            continue;
        }
        m_tick->waiting = true;
        m_tick->starting = true;
        startRead(folder);
        if (!m_tick)
            return; // stopped while the slot's alert was open
        m_tick->starting = false;
        if (m_tick->waiting) {
            m_tick->patienceMs = FILE_SYSTEM_PATIENCE_MS;
            m_patience.start(FILE_SYSTEM_PATIENCE_MS);
            return;
        }
    }
}

void PollCycle::startRead(const QString& folder)
{
    m_reading[folder].started.start();
    const std::weak_ptr<PollCycle*> self = m_self;
    m_counter.startCount(folder, [self, folder](FileCounter::Result count) {
        if (const auto poll = self.lock(); poll && *poll)
            (*poll)->readEnded(folder, count);
    });
}

// Only the read the tick waits for began at its slot's turn: any other is one a tick gave up
// on, and its count is out of date.
void PollCycle::readEnded(const QString& folder, FileCounter::Result count)
{
    noteHowLongItTook(folder, m_reading.take(folder));
    if (m_tick && m_tick->waiting && m_tick->folder == folder)
        countArrived(count);
}

void PollCycle::countArrived(FileCounter::Result count)
{
    m_tick->waiting = false;
    m_patience.stop();
    if (m_notAnswering.remove(m_tick->folder))
        qCWarning(lcPoll).noquote() << "Folder" << m_tick->folder << "answers again";
    // A folder that cannot be read is skipped for the tick: counting whatever folder was read
    // before would alert about a folder the user never changed.
    if (count)
        takeCount(m_tick->slot, *count);
    if (m_stopped) {
        endTick();
        return;
    }
    if (!m_tick->starting)
        countNextSlot();
}

void PollCycle::patienceRanOut()
{
    if (!m_tick || !m_tick->waiting)
        return;
    m_reading[m_tick->folder].late = true;
    // A folder known to be slow is waited for longer, the window staying live meanwhile.
    if (m_slow.contains(m_tick->folder) && m_tick->patienceMs < SLOW_COUNT_PATIENCE_MS) {
        m_patience.start(SLOW_COUNT_PATIENCE_MS - m_tick->patienceMs);
        m_tick->patienceMs = SLOW_COUNT_PATIENCE_MS;
        return;
    }
    m_patience.stop();
    skipUnanswered();
    countNextSlot();
}

// Whether a folder is slow is decided by whether its read ended before its patience ran out,
// not by the time it took, which is only told.
void PollCycle::noteHowLongItTook(const QString& folder, const Read& read)
{
    const qint64 tookMs = read.started.elapsed();
    if (read.late && !m_slow.contains(folder)) {
        m_slow.insert(folder);
        m_notAnswering.remove(folder);
        qCWarning(lcPoll).noquote()
            << "Folder" << folder << "is slow: its count took" << tookMs << "ms - its slot now"
            << "waits up to" << SLOW_COUNT_PATIENCE_MS / 1000 << "s for it";
    } else if (!read.late && m_slow.remove(folder)) {
        qCWarning(lcPoll).noquote()
            << "Folder" << folder << "is no longer slow: its count took" << tookMs << "ms";
    }
}

void PollCycle::skipUnanswered()
{
    m_tick->waiting = false;
    if (m_tick->firstPass)
        m_firstCountOwed[m_tick->slot] = m_tick->folder;
    if (!m_notAnswering.contains(m_tick->folder)) {
        m_notAnswering.insert(m_tick->folder);
        qCWarning(lcPoll).noquote()
            << "Folder" << m_tick->folder << "gave no count within" << m_tick->patienceMs
            << "ms - its slot is skipped until it answers";
    }
}

void PollCycle::takeCount(int slot, std::int64_t count)
{
    std::int64_t& previous = m_state.previousCount[slot];
    // Given a new folder meanwhile, the slot compares as any slot does.
    const bool firstCountOwed = m_firstCountOwed[slot] == m_tick->folder;
    m_firstCountOwed[slot].reset();
    if (m_tick->firstPass || firstCountOwed || count == previous) {
        previous = count;
        return;
    }
    qCDebug(lcPoll).noquote() << "Slot" << slot + 1 << "counted" << count << "files, had"
                              << previous;
    const bool grew = count > previous;
    if ((grew && isSet(m_fields.alertAdded(slot))) ||
        (!grew && isSet(m_fields.alertRemoved(slot)))) {
        raiseAlert(m_tick->folder);
    }
    previous = count;
}

void PollCycle::endTick()
{
    if (m_tick->firstPass)
        m_state.firstPass = false;
    m_tick.reset();
}

void PollCycle::raiseAlert(const QString& folder)
{
    if (isSet(m_fields.alertSound()))
        m_beeper.beep();
    m_messageBox.show(QString::fromLatin1(ALERT_PREFIX) + folder);
}
