// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/file_counter.h"
#include "support/off_thread_runner.h"

#include <QSet>
#include <QString>

#include <memory>

class RememberedCounts;

// The file counter of the running program: each count is a DirectoryCounter read on one of a
// few long-lived worker threads, so a folder whose filesystem hangs blocks only the worker that
// reads it. Every request is a read of its own, begun when it is made; all reads share one
// memory of unchanged folders' counts.
class ThreadedFileCounter final : public FileCounter
{
public:
    ThreadedFileCounter();
    ThreadedFileCounter(const ThreadedFileCounter&) = delete;
    ThreadedFileCounter& operator=(const ThreadedFileCounter&) = delete;
    ~ThreadedFileCounter() override;

    void startCount(const QString& folder, ResultHandler done) override;

private:
    struct Outcome
    {
        Result result;
        int error = 0;
    };

    void reportChange(const QString& folder, const Outcome& outcome);

    std::shared_ptr<RememberedCounts> m_memory;
    // The folders whose last read failed, so that each failure is reported once, not each tick.
    QSet<QString> m_failing;
    // Last, so it goes first: no delivery can come once the rest is gone.
    OffThreadRunner m_runner;
};
