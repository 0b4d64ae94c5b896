// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// Counts the files directly inside a folder, away from the window's thread: every entry that
// is not a folder, hidden names included. Nothing below the folder is looked at.
class FileCounter
{
public:
    // The count, or nothing when the folder cannot be read (missing, not a folder, unreadable,
    // not a path).
    using Result = std::optional<std::int64_t>;
    using ResultHandler = std::function<void(Result)>;

    virtual ~FileCounter() = default;

    // Starts counting and returns at once. `done` runs later on the calling thread, from its
    // event loop, with the result; it never runs when the read never ends (a filesystem that
    // hangs), and never after the counter is gone.
    virtual void startCount(const QString& folder, ResultHandler done) = 0;
};
