// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/file_counter.h"

#include <QHash>
#include <QString>

#include <memory>

// Stands between the poll and the file counter, so that a folder whose filesystem hangs ties
// up one read at most, and a read that takes longer than a tick waits for still serves:
// - no second read of a folder starts while one is in flight; a request for it waits for that
//   read;
// - a result that comes after the tick stopped waiting for it is kept, and the next tick that
//   asks for that folder takes it instead of reading again; a kept result that the next tick
//   does not take is dropped at its end, as by then it is out of date.
// Everything here runs on the window's thread.
class CountBroker
{
public:
    explicit CountBroker(FileCounter& counter);
    CountBroker(const CountBroker&) = delete;
    CountBroker& operator=(const CountBroker&) = delete;
    ~CountBroker();

    // Asks for the folder's count for the tick in progress. `ready` runs once with the
    // result: before this returns when a kept result serves, later when a read has to end
    // first. One request waits at a time; a new one replaces it.
    void request(const QString& folder, FileCounter::ResultHandler ready);
    // The tick stops waiting; the read goes on, and its result will be kept.
    void stopWaiting();
    void tickStarted();
    // The tick is over: kept results that were there when it started and went unused are
    // dropped.
    void tickEnded();

private:
    struct Folder
    {
        bool reading = false;
        bool hasKeptResult = false;
        FileCounter::Result keptResult;
        // Kept while a tick was in progress: it serves the tick after that one.
        bool keptDuringTick = false;
    };

    void startRead(const QString& folder);
    void readEnded(const QString& folder, FileCounter::Result result);

    FileCounter& m_counter;
    QHash<QString, Folder> m_folders;
    QString m_waitingFolder;
    FileCounter::ResultHandler m_waiting;
    bool m_tickInProgress = false;
    // Reads that end after the broker is gone find it gone through this.
    std::shared_ptr<CountBroker*> m_self;
};
