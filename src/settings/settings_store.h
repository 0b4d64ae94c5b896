// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QString>

// The per-user settings store of one application: text values addressed by section and key.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The text stored under the key, or the default when nothing readable is stored there.
    virtual QString get(const QString& section, const QString& key,
                        const QString& defaultText) const = 0;
    // Creates or replaces the value; later gets return it.
    virtual void save(const QString& section, const QString& key, const QString& text) = 0;
    // Makes the saved values last into later runs, at once or soon after. False when they
    // will not be written: that save is lost, and what was stored before stays whole.
    virtual bool flush() = 0;
};
