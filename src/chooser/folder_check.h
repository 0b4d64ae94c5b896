// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "support/patience.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

// What a path turned out to be.
enum class FolderVerdict { Folder, Missing, NotAFolder, NoAnswer };

// Tells, away from the window's thread, whether a path is an existing folder, so that a path
// on a hung network mount cannot freeze the window. One check runs at a time and only the
// latest request waits behind it; a check that does not answer within the patience counts as
// stuck and no longer holds the others back, and once a few are stuck every new request is
// answered NoAnswer at once, so a hung mount ties up a few threads at most.
class FolderCheck
{
public:
    static constexpr int MAX_STUCK = 3;

    using Done = std::function<void(FolderVerdict)>;

    FolderCheck();
    FolderCheck(const FolderCheck&) = delete;
    FolderCheck& operator=(const FolderCheck&) = delete;
    ~FolderCheck();

    // `done` runs later on this thread, once; a request made while another waits replaces it
    // (the one replaced is never answered).
    void check(const QString& path, Done done);

private:
    struct Request
    {
        QString path;
        Done done;
    };
    void start(Request request);
    void answered(std::uint64_t id, FolderVerdict verdict);
    void gaveUp(std::uint64_t id);
    void startWaiting();

    std::uint64_t m_lastId = 0;
    std::uint64_t m_running = 0; // 0: none
    std::map<std::uint64_t, Done> m_inFlight;
    std::optional<Request> m_waiting;
    int m_stuck = 0;
    QObject m_context; // the patience timers and the answers go with the check
};
