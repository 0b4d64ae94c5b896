// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "counting/threaded_file_counter.h"

#include "counting/directory_counter.h"
#include "counting/remembered_counts.h"

#include "support/logging.h"

#include <QFile>

#include <cerrno>
#include <string>
#include <utility>

namespace {

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
    // The worker reads from its own copy of the path; the folder's text and the handler only
    // pass through it, moved on to the delivery.
    auto job = [this, path = pathOf(folder), memory = m_memory, folder,
                done]() mutable -> OffThreadRunner::Delivery {
        DirectoryCounter counter(memory);
        Outcome outcome;
        if (counter.setFolderAndRefresh(QByteArray(path.data(), qsizetype(path.size()))))
            outcome.result = counter.count();
        else
            outcome.error = counter.lastError();
        return [this, folder = std::move(folder), done = std::move(done), outcome] {
            reportChange(folder, outcome);
            done(outcome.result);
        };
    };
    if (!m_runner.run(std::move(job))) {
        m_runner.post([this, folder, done] {
            reportChange(folder, {std::nullopt, EAGAIN});
            done(std::nullopt);
        });
    }
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
