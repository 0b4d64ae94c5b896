// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "app/session_wiring.h"

#include "desktop/desktop_windows.h"
#include "session/single_instance.h"
#include "session/termination_signals.h"
#include "ui/main_window.h"

#include <QGuiApplication>

void connectToSession(QGuiApplication& app, Form1& window, TerminationSignals& termination,
                      SingleInstance& instance, DesktopWindows& desktop)
{
    QObject::connect(&termination, &TerminationSignals::received, &window, &QWidget::close);
    // The session manager itself is not needed: the settings are saved, and if the session
    // then ends, the window closes and saves as usual.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, &Form1::commitData);
    QObject::connect(
        &instance, &SingleInstance::activationRequested, &window,
        [&window, &desktop](const QString& token) { desktop.bringToUser(&window, token); });
}
