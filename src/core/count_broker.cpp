// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/count_broker.h"

#include "core/timer.h"

#include <chrono>
#include <utility>

namespace {

class SteadyClock final : public Clock
{
public:
    std::int64_t nowMs() const override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

} // namespace

const Clock& steadyClock()
{
    static const SteadyClock clock;
    return clock;
}

CountBroker::CountBroker(FileCounter& counter, const Clock& clock, int patienceMs)
    : m_counter(counter), m_clock(clock), m_patienceMs(patienceMs),
      m_self(std::make_shared<CountBroker*>(this))
{
}

CountBroker::~CountBroker()
{
    *m_self = nullptr;
}

int CountBroker::request(const QString& folder, FileCounter::ResultHandler ready)
{
    m_waiting = nullptr;
    Folder& state = m_folders[folder];
    if (state.hasKeptResult) {
        state.hasKeptResult = false;
        if (!state.reading)
            startRead(folder);
        ready(std::exchange(state.keptResult, std::nullopt));
        return 0;
    }
    if (!state.reading) {
        m_waitingFolder = folder;
        m_waiting = std::move(ready);
        startRead(folder); // a counter on this thread may answer before it returns
        return m_patienceMs;
    }
    const std::int64_t left =
        state.givenUp ? 0 : m_patienceMs - (m_clock.nowMs() - state.readStartMs);
    if (left <= 0)
        return 0;
    m_waitingFolder = folder;
    m_waiting = std::move(ready);
    return int(left);
}

void CountBroker::stopWaiting()
{
    if (!m_waiting)
        return;
    m_waiting = nullptr;
    if (const auto it = m_folders.find(m_waitingFolder); it != m_folders.end())
        it->givenUp = true;
}

void CountBroker::tickStarted()
{
    m_tickInProgress = true;
}

void CountBroker::tickEnded()
{
    m_tickInProgress = false;
    m_waiting = nullptr;
    for (auto it = m_folders.begin(); it != m_folders.end();) {
        Folder& state = it.value();
        if (state.hasKeptResult && !state.keptDuringTick) {
            state.hasKeptResult = false;
            state.keptResult.reset();
        }
        state.keptDuringTick = false;
        if (!state.reading && !state.hasKeptResult)
            it = m_folders.erase(it);
        else
            ++it;
    }
}

void CountBroker::startRead(const QString& folder)
{
    Folder& state = m_folders[folder];
    state.reading = true;
    state.givenUp = false;
    state.readStartMs = m_clock.nowMs();
    const std::weak_ptr<CountBroker*> self = m_self;
    m_counter.startCount(folder, [self, folder](FileCounter::Result result) {
        if (const auto broker = self.lock(); broker && *broker)
            (*broker)->readEnded(folder, result);
    });
}

void CountBroker::readEnded(const QString& folder, FileCounter::Result result)
{
    Folder& state = m_folders[folder];
    state.reading = false;
    const bool slow = state.givenUp || m_clock.nowMs() - state.readStartMs > m_patienceMs;
    state.givenUp = false;
    if (m_waiting && m_waitingFolder == folder) {
        // The handler may ask for the next count at once, so it is taken out first.
        const FileCounter::ResultHandler ready = std::exchange(m_waiting, nullptr);
        ready(result);
        return;
    }
    if (!slow)
        return;
    state.hasKeptResult = true;
    state.keptResult = result;
    state.keptDuringTick = m_tickInProgress;
}
