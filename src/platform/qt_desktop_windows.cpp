// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "platform/qt_desktop_windows.h"

#include <QApplication>
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

void QtDesktopWindows::bringToUser(QWidget* window)
{
    window->showNormal();
    window->raise();
    window->activateWindow();
}

void QtDesktopWindows::centreWhenFramed(QWidget*, const QRect&) {}
