// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QRect>
#include <QString>

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
    // above other windows, even while its owner is on another workspace or minimized.
    virtual void prepareAlert(QWidget* box, QWidget* owner) = 0;
    // Whether one of this program's windows has the keyboard now.
    virtual bool hasKeyboard() = 0;
    // The alert box has just been shown: it is modal to its owner and, when `activate`, it is
    // raised and asked to be activated.
    virtual void alertShown(QWidget* box, bool activate) = 0;
    // A window asks for the user's attention (a taskbar flashes it) until this is turned off.
    virtual void setAttention(QWidget* window, bool on) = 0;
    // A second start asked for the window: it comes to the user's workspace, restored if
    // minimized, raised and activated, with the token the second start's launcher gave it
    // (X11's startup id or Wayland's xdg-activation token; empty when none).
    virtual void bringToUser(QWidget* window, const QString& activationToken) = 0;
    // Once the window manager has framed the shown window, it is moved so that its frame is
    // centred on `screen`, its top-left corner kept on it. Where a program may not place its
    // windows (Wayland), nothing.
    virtual void centreWhenFramed(QWidget* window, const QRect& screen) = 0;
};

// The X11 implementation when the program runs on X11, else the one Qt's own calls make.
std::unique_ptr<DesktopWindows> makeDesktopWindows();

// Before the application object is built: on a Wayland session that also offers X11
// (XWayland), the program runs on X11 unless QT_QPA_PLATFORM says otherwise, so that it behaves
// the same whether or not Qt's Wayland plugin happens to be installed.
void chooseWindowPlatform();
