#include "core/watch_core.h"

#include "platform/alerts.h"
#include "platform/file_counter.h"

#include <QScopeGuard>

PollCycle::PollCycle(const SlotFields& fields, FileCounter& counter, Beeper& beeper,
                     MessageBox& messageBox)
    : m_fields(fields), m_counter(counter), m_beeper(beeper), m_messageBox(messageBox)
{
}

void PollCycle::Timer1_Timer()
{
    // A tick that falls due while another one waits in its alert box is dropped: the previous
    // count is recorded only after the box is dismissed, so a nested tick would raise the same
    // alert again.
    if (m_tickRunning || m_stopped)
        return;
    m_tickRunning = true;
    const auto tickDone = qScopeGuard([this] { m_tickRunning = false; });

    if (m_state.firstPass) {
        recordActiveSlots();
        m_state.firstPass = false;
        return;
    }
    for (int slot = 0; slot < SLOT_COUNT && !m_stopped; ++slot) {
        if (isSet(m_fields.active(slot)))
            compareSlot(slot);
    }
}

void PollCycle::stop()
{
    m_stopped = true;
}

void PollCycle::recordActiveSlots()
{
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        if (!isSet(m_fields.active(slot)))
            continue;
        if (const auto count = countFiles(m_fields.folder(slot)))
            m_state.previousCount[slot] = *count;
    }
}

void PollCycle::compareSlot(int slot)
{
    const QString folder = m_fields.folder(slot);
    const auto count = countFiles(folder);
    if (!count)
        return;

    std::int64_t& previous = m_state.previousCount[slot];
    if (*count == previous)
        return;
    const bool grew = *count > previous;
    if ((grew && isSet(m_fields.alertAdded(slot))) ||
        (!grew && isSet(m_fields.alertRemoved(slot)))) {
        raiseAlert(folder);
    }
    previous = *count;
}

void PollCycle::raiseAlert(const QString& folder)
{
    if (isSet(m_fields.alertSound()))
        m_beeper.beep();
    m_messageBox.show(QString::fromLatin1(ALERT_PREFIX) + folder);
}

// The number of files in the folder, or nothing when the counter cannot list it (missing, not
// a folder, unreadable, or the text of a slot without a folder). Such a folder is skipped for
// the tick: counting whatever folder the counter held before would alert about a folder the
// user never changed.
std::optional<std::int64_t> PollCycle::countFiles(const QString& folder)
{
    if (!m_counter.setFolder(folder) || !m_counter.refresh())
        return std::nullopt;
    return m_counter.count();
}
