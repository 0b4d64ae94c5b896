// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "chooser/folder_check.h"

#include "chooser/chooser_workers.h"

#include <QFile>
#include <QTimer>

#include <string>
#include <sys/stat.h>
#include <utility>

namespace {

FolderVerdict verdictOn(const std::string& path)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        return FolderVerdict::Missing;
    return S_ISDIR(status.st_mode) ? FolderVerdict::Folder : FolderVerdict::NotAFolder;
}

} // namespace

FolderCheck::FolderCheck() = default;

FolderCheck::~FolderCheck() = default;

void FolderCheck::check(const QString& path, Done done)
{
    if (m_stuck >= MAX_STUCK) {
        QTimer::singleShot(0, &m_context,
                           [done = std::move(done)] { done(FolderVerdict::NoAnswer); });
        return;
    }
    if (m_running) {
        m_waiting = Request{path, std::move(done)};
        return;
    }
    start({path, std::move(done)});
}

void FolderCheck::start(Request request)
{
    const std::uint64_t id = ++m_lastId;
    m_running = id;
    m_inFlight.emplace(id, std::move(request.done));
    const QByteArray encoded = QFile::encodeName(request.path);
    std::string path(encoded.constData(), std::size_t(encoded.size()));
    const bool started =
        !path.empty() && path.find('\0') == std::string::npos &&
        chooserWorkers().run(&m_context, [this, id, path = std::move(path)] {
            const FolderVerdict verdict = verdictOn(path);
            return OffThreadRunner::Delivery([this, id, verdict] { answered(id, verdict); });
        });
    if (!started) {
        QTimer::singleShot(0, &m_context, [this, id] { answered(id, FolderVerdict::Missing); });
        return;
    }
    QTimer::singleShot(FILE_SYSTEM_PATIENCE_MS, &m_context, [this, id] { gaveUp(id); });
}

void FolderCheck::answered(std::uint64_t id, FolderVerdict verdict)
{
    const auto it = m_inFlight.find(id);
    if (it == m_inFlight.end()) {
        --m_stuck; // a stuck check came back after all
        return;
    }
    const Done done = std::move(it->second);
    m_inFlight.erase(it);
    if (m_running == id)
        startWaiting();
    done(verdict);
}

void FolderCheck::gaveUp(std::uint64_t id)
{
    const auto it = m_inFlight.find(id);
    if (it == m_inFlight.end())
        return;
    const Done done = std::move(it->second);
    m_inFlight.erase(it);
    ++m_stuck;
    if (m_running == id)
        startWaiting();
    done(FolderVerdict::NoAnswer);
}

void FolderCheck::startWaiting()
{
    m_running = 0;
    if (!m_waiting)
        return;
    Request waiting = std::move(*m_waiting);
    m_waiting.reset();
    check(waiting.path, std::move(waiting.done));
}
