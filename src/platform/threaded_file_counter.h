// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/file_counter.h"
#include "platform/off_thread_runner.h"

#include <QSet>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>

class RememberedCounts;

// The file counter of the running program: each count is a DirectoryCounter read on one of a
// few long-lived worker threads, so a folder whose filesystem hangs blocks only the worker that
// reads it. All reads share one memory of unchanged folders' counts.
class ThreadedFileCounter final : public FileCounter
{
public:
    ThreadedFileCounter();
    ThreadedFileCounter(const ThreadedFileCounter&) = delete;
    ThreadedFileCounter& operator=(const ThreadedFileCounter&) = delete;
    ~ThreadedFileCounter() override;

    void startCount(const QString& folder, ResultHandler done) override;

    // Reads started and not yet ended, the ones stuck in a hung filesystem included.
    std::size_t readsInFlight() const { return m_pending.size(); }

private:
    struct Pending
    {
        QString folder;
        ResultHandler done;
    };
    void finish(std::uint64_t id, Result result, int error);
    void reportChange(const QString& folder, const Result& result, int error);

    std::shared_ptr<RememberedCounts> m_memory;
    std::map<std::uint64_t, Pending> m_pending;
    // The folders whose last read failed, so that each failure is reported once, not each tick.
    QSet<QString> m_failing;
    std::uint64_t m_lastId = 0;
    // Last, so it goes first: no delivery can come once the rest is gone.
    OffThreadRunner m_runner;
};
