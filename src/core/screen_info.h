// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QRect>

#include <algorithm>

// The screen the window opens on.
class ScreenInfo
{
public:
    virtual ~ScreenInfo() = default;

    // The primary screen's geometry in device-independent pixels; empty when there is none.
    virtual QRect geometry() const = 0;
};

// The top-left corner of a window of `outer` size centred on `screen`; on a screen too small
// for it, the corner stays on the screen, so that the title bar can still be reached.
inline QPoint centredTopLeft(const QRect& screen, const QSize& outer)
{
    return {screen.left() + std::max(0, (screen.width() - outer.width()) / 2),
            screen.top() + std::max(0, (screen.height() - outer.height()) / 2)};
}
