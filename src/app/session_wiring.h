// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

class DesktopWindows;
class Form1;
class QGuiApplication;
class SingleInstance;
class TerminationSignals;

// Ties the window to what the session asks of it: a termination signal closes it as its close
// box would, and so saves; the session manager's request for the settings saves them and keeps
// the window (the session may still be cancelled); a later start brings it to the user.
void connectToSession(QGuiApplication& app, Form1& window, TerminationSignals& termination,
                      SingleInstance& instance, DesktopWindows& desktop);
