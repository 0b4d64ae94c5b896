// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "desktop/qt_desktop_windows.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

// On X11 the program can put its alert on the user's workspace, centre its window and raise it
// with a timestamp the window manager trusts; on Wayland it may do none of these, and Qt 6.4's
// Wayland plugin is installed on some machines and not on others.
void chooseWindowPlatform()
{
    const bool waylandSession =
        qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
    if (waylandSession && qEnvironmentVariableIsSet("DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

// A compositor hides the transients of a minimized window: the box of a minimized owner is
// shown as a window of its own, still modal to the owner.
void QtDesktopWindows::prepareAlert(QWidget* box, QWidget* owner)
{
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    if (owner && owner->isMinimized()) {
        box->winId();
        box->windowHandle()->setTransientParent(nullptr);
    }
}

bool QtDesktopWindows::hasKeyboard()
{
    return QApplication::activeWindow() != nullptr;
}

// Qt knows of no modality but its own, which the box does without.
void QtDesktopWindows::alertShown(QWidget* box, bool activate)
{
    if (!activate)
        return;
    box->raise();
    box->activateWindow();
}

// Qt ends a window's alert itself when the window is next activated, which is how the user
// answers it; a box dismissed ends its own with it.
void QtDesktopWindows::setAttention(QWidget* window, bool on)
{
    if (on)
        QApplication::alert(window, 0);
}

// On Wayland a program may take the focus only with a token from the compositor: Qt's Wayland
// plugin hands the compositor the one in XDG_ACTIVATION_TOKEN with its next activation request.
// Without one (a second start from a terminal) the compositor decides, and may only flash it.
void QtDesktopWindows::bringToUser(QWidget* window, const QString& activationToken)
{
    if (!activationToken.isEmpty() && QGuiApplication::platformName().startsWith(u"wayland"))
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    window->showNormal();
    window->raise();
    window->activateWindow();
}

void QtDesktopWindows::centreWhenFramed(QWidget*, const QRect&) {}
