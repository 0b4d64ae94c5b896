// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "platform/qt_desktop_windows.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

void QtDesktopWindows::prepareAlert(QWidget* box)
{
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
}

void QtDesktopWindows::alertShown(QWidget* box, QWidget* owner)
{
    box->raise();
    box->activateWindow();
    QApplication::alert(box, 0);
    if (owner)
        QApplication::alert(owner, 0);
}

void QtDesktopWindows::alertDismissed(QWidget* owner)
{
    // Qt ends an alert when its window is next activated, or through this slot of QWindow's,
    // which is what QApplication::alert's own timeout calls.
    if (owner && owner->windowHandle())
        QMetaObject::invokeMethod(owner->windowHandle(), "_q_clearAlert");
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
