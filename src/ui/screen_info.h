// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QRect>

// The screen the window opens on.
class ScreenInfo
{
public:
    virtual ~ScreenInfo() = default;

    // The primary screen's geometry in device-independent pixels; empty when there is none.
    virtual QRect geometry() const = 0;
};
