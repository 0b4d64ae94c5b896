// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "desktop/qt_desktop_windows.h"

// For a build without xcb: what Qt does on its own.
std::unique_ptr<DesktopWindows> makeDesktopWindows()
{
    return std::make_unique<QtDesktopWindows>();
}
