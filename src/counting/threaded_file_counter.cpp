// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "counting/threaded_file_counter.h"

#include "counting/directory_counter.h"
#include "counting/remembered_counts.h"

#include "core/logging.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <string>

namespace {

std::int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string pathOf(const QString& folder)
{
    const QByteArray encoded = QFile::encodeName(folder);
    return std::string(encoded.constData(), std::size_t(encoded.size()));
}

} // namespace

ThreadedFileCounter::ThreadedFileCounter() : m_memory(std::make_shared<RememberedCounts>()) {}

ThreadedFileCounter::~ThreadedFileCounter() = default;

void ThreadedFileCounter::startCount(const QString& folder, ResultHandler done)
{
    const std::int64_t now = nowMs();
    if (!m_lastAsked.isEmpty() && m_lastAsked != folder)
        m_followedBy[m_lastAsked] = folder;
    m_lastAsked = folder;

    for (auto it = m_readAhead.begin(); it != m_readAhead.end();) {
        if (now - it->endedMs > READ_AHEAD_FRESH_MS)
            it = m_readAhead.erase(it);
        else
            ++it;
    }
    if (const auto ahead = m_readAhead.find(folder); ahead != m_readAhead.end()) {
        const Outcome outcome = ahead->outcome;
        m_readAhead.erase(ahead);
        m_runner.post([this, folder, outcome, done = std::move(done)] {
            reportChange(folder, outcome);
            done(outcome.result);
        });
        return;
    }
    if (const auto reading = m_reading.find(folder); reading != m_reading.end()) {
        if (reading->chain->claimed[reading->index].exchange(true)) {
            reading->waiting.push_back(std::move(done)); // being read: its count serves
            return;
        }
        // Not begun, and now never to be by that job: read on its own, for whoever waits.
        std::vector<ResultHandler> waiting = std::move(reading->waiting);
        m_reading.erase(reading);
        waiting.push_back(std::move(done));
        startChain(folder, std::move(waiting));
        return;
    }
    startChain(folder, {std::move(done)});
}

void ThreadedFileCounter::startChain(const QString& folder, std::vector<ResultHandler> waiting)
{
    QStringList folders{folder};
    for (QString next = m_followedBy.value(folder);
         folders.size() <= READ_AHEAD_FOLDERS && !next.isEmpty() && !folders.contains(next) &&
         !m_reading.contains(next);
         next = m_followedBy.value(next)) {
        folders << next;
    }
    const auto chain = std::make_shared<Chain>(std::size_t(folders.size()));
    std::vector<std::string> paths;
    for (qsizetype i = 0; i < folders.size(); ++i) {
        m_reading.insert(folders[i], Reading{chain, std::size_t(i), {}});
        paths.push_back(pathOf(folders[i]));
    }
    m_reading[folder].waiting = std::move(waiting);

    // Runs on a worker, with nothing shared but the memory, which locks, and the claims.
    const bool started =
        m_runner.runInSteps([this, chain, paths = std::move(paths),
                             memory = m_memory](const OffThreadRunner::Post& post) {
            for (std::size_t i = 0; i < paths.size(); ++i) {
                if (chain->claimed[i].exchange(true))
                    continue;
                DirectoryCounter counter(memory);
                Outcome outcome;
                if (counter.setFolderAndRefresh(
                        QByteArray(paths[i].data(), qsizetype(paths[i].size())))) {
                    outcome.result = counter.count();
                } else {
                    outcome.error = counter.lastError();
                }
                const std::int64_t endedMs = nowMs();
                post([this, chain, i, outcome, endedMs] { readEnded(chain, i, outcome, endedMs); });
            }
        });
    if (!started) {
        for (std::size_t i = 0; i < std::size_t(folders.size()); ++i)
            m_runner.post([this, chain, i] {
                readEnded(chain, i, {std::nullopt, EAGAIN}, nowMs());
            });
    }
}

void ThreadedFileCounter::readEnded(const std::shared_ptr<Chain>& chain, std::size_t index,
                                    const Outcome& outcome, std::int64_t endedMs)
{
    auto reading = m_reading.begin();
    while (reading != m_reading.end() && (reading->chain != chain || reading->index != index))
        ++reading;
    if (reading == m_reading.end())
        return; // asked for before the job came to it, and read on its own
    const QString folder = reading.key();
    const std::vector<ResultHandler> waiting = std::move(reading->waiting);
    m_reading.erase(reading);
    if (waiting.empty()) {
        m_readAhead.insert(folder, ReadAhead{outcome, endedMs});
        return;
    }
    reportChange(folder, outcome);
    for (const ResultHandler& done : waiting)
        done(outcome.result);
}

void ThreadedFileCounter::reportChange(const QString& folder, const Outcome& outcome)
{
    if (outcome.result) {
        qCDebug(lcCounter).noquote() << folder << "holds" << *outcome.result << "files";
        if (m_failing.remove(folder))
            qCWarning(lcCounter).noquote() << "Folder" << folder << "can be read again";
        return;
    }
    if (!m_failing.contains(folder)) {
        m_failing.insert(folder);
        qCWarning(lcCounter).noquote()
            << "Cannot read folder" << folder << "-" << errorText(outcome.error)
            << "- it is skipped until it can be read";
    }
}
