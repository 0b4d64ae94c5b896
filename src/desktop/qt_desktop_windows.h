// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "desktop/desktop_windows.h"

// What Qt's own calls do on any platform: stay-on-top and activation requests, Qt's alert
// (the urgency hint, or the compositor's attention request) until the window is activated,
// restoring and raising.
class QtDesktopWindows : public DesktopWindows
{
public:
    void prepareAlert(QWidget* box, QWidget* owner) override;
    bool hasKeyboard() override;
    void alertShown(QWidget* box, bool activate) override;
    void setAttention(QWidget* window, bool on) override;
    void bringToUser(QWidget* window, const QString& activationToken) override;
    void centreWhenFramed(QWidget* window, const QRect& screen) override;
};
