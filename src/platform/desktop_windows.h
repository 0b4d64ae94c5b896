// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QRect>

#include <memory>

class QWidget;

// What the desktop's window manager is asked for, beyond what Qt does the same way everywhere:
// that an alert reaches the user on whatever workspace they are, that a second start brings the
// window to them, and that the window's frame is centred. The window and the alerts know
// nothing of how: on X11 it is EWMH, through xcb; elsewhere what Qt offers.
class DesktopWindows
{
public:
    virtual ~DesktopWindows() = default;

    // The alert box, before it is shown: it is to appear on the workspace the user is on now,
    // above other windows.
    virtual void prepareAlert(QWidget* box) = 0;
    // The alert box has just been shown: it is asked to be activated, and it and its owner
    // demand attention (a taskbar flashes them) until alertDismissed.
    virtual void alertShown(QWidget* box, QWidget* owner) = 0;
    virtual void alertDismissed(QWidget* owner) = 0;
    // A second start asked for the window: it comes to the user's workspace, restored if
    // minimized, raised and asked to be activated, with the token the second start's launcher
    // gave it where the desktop wants one (Wayland's xdg-activation).
    virtual void bringToUser(QWidget* window, const QString& activationToken) = 0;
    // Once the window manager has framed the shown window, it is moved so that its frame is
    // centred on `screen`. Where a program may not place its windows (Wayland), nothing.
    virtual void centreWhenFramed(QWidget* window, const QRect& screen) = 0;
};

// The X11 implementation when the program runs on X11, else the one Qt's own calls make.
std::unique_ptr<DesktopWindows> makeDesktopWindows();
