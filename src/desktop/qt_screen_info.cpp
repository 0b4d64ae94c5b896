// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "desktop/qt_screen_info.h"

#include <QGuiApplication>
#include <QScreen>

QRect QtScreenInfo::geometry() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}
