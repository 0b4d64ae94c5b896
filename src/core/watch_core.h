// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "support/patience.h"

#include <QString>

#include <array>
#include <cstdint>

inline constexpr int SLOT_COUNT = 5;
inline constexpr int POLL_INTERVAL_MS = 5000;
// How long a tick waits for a folder known to be slow: one whose last read ended, but only after
// its patience had run out (a large folder on a network share, a slow disk).
inline constexpr int SLOW_COUNT_PATIENCE_MS = 60000;
inline constexpr char NO_FOLDER_TEXT[] = "(None presently selected)";
inline constexpr char ALERT_PREFIX[] = "Change in folder ";

// A check box's value as this program keeps it: 0 unchecked, 1 checked, 2 grayed.
// Only 1 counts as set, wherever a value is tested.
using CheckValue = std::int16_t;
inline constexpr CheckValue CHECK_UNCHECKED = 0;
inline constexpr CheckValue CHECK_CHECKED = 1;
inline constexpr CheckValue CHECK_GRAYED = 2;

constexpr bool isSet(CheckValue value)
{
    return value == CHECK_CHECKED;
}

// One of the five watch slots. A slot without a folder holds NO_FOLDER_TEXT as its folder.
struct WatchSlot
{
    CheckValue active = CHECK_UNCHECKED;
    QString folder = QString::fromLatin1(NO_FOLDER_TEXT);
    CheckValue alertAdded = CHECK_UNCHECKED;
    CheckValue alertRemoved = CHECK_UNCHECKED;
};

// The operations through which the poll, the settings and the window's handlers reach the
// slot fields and the window-wide "Alert Sound" option. Slots are numbered 0 to SLOT_COUNT - 1.
class SlotFields
{
public:
    virtual ~SlotFields() = default;

    virtual CheckValue active(int slot) const = 0;
    virtual QString folder(int slot) const = 0;
    virtual CheckValue alertAdded(int slot) const = 0;
    virtual CheckValue alertRemoved(int slot) const = 0;
    virtual CheckValue alertSound() const = 0;

    // Stores the value; when it differs from the old one, the active-changed notification
    // for that slot runs before this returns.
    virtual void setActive(int slot, CheckValue value) = 0;
    virtual void setFolder(int slot, const QString& text) = 0;
    virtual void setAlertAdded(int slot, CheckValue value) = 0;
    virtual void setAlertRemoved(int slot, CheckValue value) = 0;
    virtual void setAlertSound(CheckValue value) = 0;
};

// What the poll keeps between ticks. Counts are 64-bit: a folder may hold far more files
// than a 16-bit count could tell apart.
struct PollState
{
    std::array<std::int64_t, SLOT_COUNT> previousCount{};
    // The next tick only records counts. The window's load sequence sets it.
    bool firstPass = false;
};
