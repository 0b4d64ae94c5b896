#include "platform/threaded_file_counter.h"

#include "platform/directory_counter.h"
#include "platform/remembered_counts.h"

#include <QFile>

#include <string>

namespace {

// Runs on the read's own thread, with nothing shared but the memory, which locks.
FileCounter::Result countFolder(const std::string& path,
                                const std::shared_ptr<RememberedCounts>& memory)
{
    DirectoryCounter counter(memory);
    if (!counter.setFolderPath(QByteArray(path.data(), qsizetype(path.size()))) ||
        !counter.refresh())
        return std::nullopt;
    return counter.count();
}

} // namespace

ThreadedFileCounter::ThreadedFileCounter() : m_memory(std::make_shared<RememberedCounts>()) {}

ThreadedFileCounter::~ThreadedFileCounter() = default;

void ThreadedFileCounter::startCount(const QString& folder, ResultHandler done)
{
    const std::uint64_t id = ++m_lastId;
    m_pending.emplace(id, std::move(done));
    const QByteArray encoded = QFile::encodeName(folder);
    std::string path(encoded.constData(), std::size_t(encoded.size()));
    const bool started =
        m_runner.run([this, id, path = std::move(path), memory = m_memory]() -> OffThreadRunner::Delivery {
            const Result result = countFolder(path, memory);
            return [this, id, result] { finish(id, result); };
        });
    if (!started)
        m_runner.post([this, id] { finish(id, std::nullopt); });
}

void ThreadedFileCounter::finish(std::uint64_t id, Result result)
{
    const auto it = m_pending.find(id);
    if (it == m_pending.end())
        return;
    const ResultHandler done = std::move(it->second);
    m_pending.erase(it);
    if (done)
        done(result);
}
