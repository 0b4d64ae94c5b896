// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/file_counter.h"
#include "counting/off_thread_runner.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class RememberedCounts;

// The file counter of the running program: each count is a DirectoryCounter read on one of a
// few long-lived worker threads, so a folder whose filesystem hangs blocks only the worker that
// reads it. All reads share one memory of unchanged folders' counts.
//
// The poll asks for its folders one after another, each as soon as the count before has come.
// A read also reads ahead, on the same worker, the folders that were asked for after this one
// last time, so a tick over unchanged folders hands work to a worker and back once, not once a
// folder. A count read ahead serves only a request that comes within READ_AHEAD_FRESH_MS of its
// read (never one made after an alert box the user took time over); a folder read ahead that
// the worker has not begun yet (it is stuck on a folder before it) is read on its own when
// asked for. A folder is never read twice at once: a request for a folder being read waits for
// that read.
class ThreadedFileCounter final : public FileCounter
{
public:
    static constexpr int READ_AHEAD_FOLDERS = 4;
    static constexpr std::int64_t READ_AHEAD_FRESH_MS = 100;

    ThreadedFileCounter();
    ThreadedFileCounter(const ThreadedFileCounter&) = delete;
    ThreadedFileCounter& operator=(const ThreadedFileCounter&) = delete;
    ~ThreadedFileCounter() override;

    void startCount(const QString& folder, ResultHandler done) override;

    // Folders being read or waiting to be read ahead, those stuck in a hung filesystem included.
    std::size_t readsInFlight() const { return std::size_t(m_reading.size()); }

private:
    struct Outcome
    {
        Result result;
        int error = 0;
    };
    // The folders one job reads, one after another. Whoever claims a folder first reads it:
    // the job as it comes to it, or this thread when asked for it before then.
    struct Chain
    {
        explicit Chain(std::size_t size) : claimed(std::make_unique<std::atomic<bool>[]>(size)) {}
        std::unique_ptr<std::atomic<bool>[]> claimed;
    };
    struct Reading
    {
        std::shared_ptr<Chain> chain;
        std::size_t index = 0;
        std::vector<ResultHandler> waiting;
    };
    struct ReadAhead
    {
        Outcome outcome;
        std::int64_t endedMs = 0;
    };

    void startChain(const QString& folder, std::vector<ResultHandler> waiting);
    void readEnded(const std::shared_ptr<Chain>& chain, std::size_t index, const Outcome& outcome,
                   std::int64_t endedMs);
    void reportChange(const QString& folder, const Outcome& outcome);

    std::shared_ptr<RememberedCounts> m_memory;
    QHash<QString, Reading> m_reading;
    QHash<QString, ReadAhead> m_readAhead;
    // For each folder, the folder asked for right after it last time.
    QHash<QString, QString> m_followedBy;
    QString m_lastAsked;
    // The folders whose last read failed, so that each failure is reported once, not each tick.
    QSet<QString> m_failing;
    // Last, so it goes first: no delivery can come once the rest is gone.
    OffThreadRunner m_runner;
};
