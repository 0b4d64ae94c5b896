// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/count_broker.h"

#include <utility>

CountBroker::CountBroker(FileCounter& counter)
    : m_counter(counter), m_self(std::make_shared<CountBroker*>(this))
{
}

CountBroker::~CountBroker()
{
    *m_self = nullptr;
}

void CountBroker::request(const QString& folder, FileCounter::ResultHandler ready)
{
    Folder& state = m_folders[folder];
    if (state.hasKeptResult) {
        state.hasKeptResult = false;
        m_waiting = nullptr;
        ready(std::exchange(state.keptResult, std::nullopt));
        return;
    }
    m_waitingFolder = folder;
    m_waiting = std::move(ready);
    if (!state.reading)
        startRead(folder);
}

void CountBroker::stopWaiting()
{
    m_waiting = nullptr;
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
    m_folders[folder].reading = true;
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
    if (m_waiting && m_waitingFolder == folder) {
        // The handler may ask for the next count at once, so it is taken out first.
        const FileCounter::ResultHandler ready = std::exchange(m_waiting, nullptr);
        ready(result);
        return;
    }
    state.hasKeptResult = true;
    state.keptResult = result;
    state.keptDuringTick = m_tickInProgress;
}
