// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/file_counter.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <memory>

class Clock;

// Stands between the poll and the file counter, so that a folder whose filesystem hangs ties
// up one read at most and holds the poll back once at most, and a folder that is slow but
// answers is still compared at every tick:
// - no second read of a folder starts while one is in flight; a request for it waits for that
//   read, but only for what is left of the read's patience (nothing, once a tick gave up on
//   it);
// - a result that comes only after the read's patience (a slow folder) is kept, and the next
//   tick that asks for that folder takes it instead of waiting for a read; that tick starts
//   the folder's next read at once, so its result is there for the tick after. A kept result
//   that the next tick does not take is dropped at its end, as by then it is out of date;
// - a read that no tick waits for and that ends within its patience (the folder answers
//   quickly again) is dropped: the next tick reads the folder afresh.
// Everything here runs on the window's thread.
class CountBroker
{
public:
    CountBroker(FileCounter& counter, const Clock& clock, int patienceMs);
    CountBroker(const CountBroker&) = delete;
    CountBroker& operator=(const CountBroker&) = delete;
    ~CountBroker();

    // Asks for the folder's count for the tick in progress, and says how long to wait for it.
    // A kept result serves at once: `ready` runs with it before this returns, and the result
    // is 0. Otherwise `ready` runs once the read ends, and the result is what is left of the
    // read's patience; 0 when none is left, and then `ready` never runs. One request waits at
    // a time; a new one replaces it.
    int request(const QString& folder, FileCounter::ResultHandler ready);
    // The tick gives up on the read it waits for; the read goes on, and its result will be
    // kept.
    void stopWaiting();
    void tickStarted();
    // The tick is over: kept results that were there when it started and went unused are
    // dropped.
    void tickEnded();

private:
    struct Folder
    {
        bool reading = false;
        std::int64_t readStartMs = 0;
        // A tick gave up waiting for the read in flight.
        bool givenUp = false;
        bool hasKeptResult = false;
        FileCounter::Result keptResult;
        // Kept while a tick was in progress: it serves the tick after that one.
        bool keptDuringTick = false;
    };

    void startRead(const QString& folder);
    void readEnded(const QString& folder, FileCounter::Result result);

    FileCounter& m_counter;
    const Clock& m_clock;
    const int m_patienceMs;
    QHash<QString, Folder> m_folders;
    QString m_waitingFolder;
    FileCounter::ResultHandler m_waiting;
    bool m_tickInProgress = false;
    // Reads that end after the broker is gone find it gone through this.
    std::shared_ptr<CountBroker*> m_self;
};
