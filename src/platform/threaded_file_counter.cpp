// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "platform/threaded_file_counter.h"

#include "platform/directory_counter.h"
#include "platform/remembered_counts.h"

#include "core/logging.h"

#include <QFile>

#include <cerrno>
#include <string>

namespace {

struct Outcome
{
    FileCounter::Result result;
    int error = 0;
};

// Runs on a worker thread, with nothing shared but the memory, which locks.
Outcome countFolder(const std::string& path, const std::shared_ptr<RememberedCounts>& memory)
{
    DirectoryCounter counter(memory);
    if (!counter.setFolderAndRefresh(QByteArray(path.data(), qsizetype(path.size()))))
        return {std::nullopt, counter.lastError()};
    return {counter.count(), 0};
}

} // namespace

ThreadedFileCounter::ThreadedFileCounter() : m_memory(std::make_shared<RememberedCounts>()) {}

ThreadedFileCounter::~ThreadedFileCounter() = default;

void ThreadedFileCounter::startCount(const QString& folder, ResultHandler done)
{
    const std::uint64_t id = ++m_lastId;
    m_pending.emplace(id, Pending{folder, std::move(done)});
    const QByteArray encoded = QFile::encodeName(folder);
    std::string path(encoded.constData(), std::size_t(encoded.size()));
    const bool started = m_runner.run(
        [this, id, path = std::move(path), memory = m_memory]() -> OffThreadRunner::Delivery {
            const Outcome outcome = countFolder(path, memory);
            return [this, id, outcome] { finish(id, outcome.result, outcome.error); };
        });
    if (!started)
        m_runner.post([this, id] { finish(id, std::nullopt, EAGAIN); });
}

void ThreadedFileCounter::finish(std::uint64_t id, Result result, int error)
{
    const auto it = m_pending.find(id);
    if (it == m_pending.end())
        return;
    const Pending pending = std::move(it->second);
    m_pending.erase(it);
    reportChange(pending.folder, result, error);
    if (pending.done)
        pending.done(result);
}

void ThreadedFileCounter::reportChange(const QString& folder, const Result& result, int error)
{
    if (result) {
        qCDebug(lcCounter).noquote() << folder << "holds" << *result << "files";
        if (m_failing.remove(folder))
            qCWarning(lcCounter).noquote() << "Folder" << folder << "can be read again";
        return;
    }
    if (!m_failing.contains(folder)) {
        m_failing.insert(folder);
        qCWarning(lcCounter).noquote() << "Cannot read folder" << folder << "-" << errorText(error)
                                       << "- it is skipped until it can be read";
    }
}
