#pragma once

#include "core/file_counter.h"
#include "platform/off_thread_runner.h"

#include <cstdint>
#include <map>
#include <memory>

class RememberedCounts;

// The file counter of the running program: each count is a DirectoryCounter read on a thread
// of its own, so a folder whose filesystem hangs blocks only that thread. All reads share one
// memory of unchanged folders' counts.
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
    void finish(std::uint64_t id, Result result);

    std::shared_ptr<RememberedCounts> m_memory;
    std::map<std::uint64_t, ResultHandler> m_pending;
    std::uint64_t m_lastId = 0;
    // Last, so it goes first: no delivery can come once the rest is gone.
    OffThreadRunner m_runner;
};
