// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QLoggingCategory>

// The program's logging categories, one per subsystem, under "marrowquill". Warnings and
// above are on by default; QT_LOGGING_RULES="marrowquill.*.debug=true" turns on the rest.
Q_DECLARE_LOGGING_CATEGORY(lcPoll)     // marrowquill.poll
Q_DECLARE_LOGGING_CATEGORY(lcCounter)  // marrowquill.counter
Q_DECLARE_LOGGING_CATEGORY(lcSettings) // marrowquill.settings
Q_DECLARE_LOGGING_CATEGORY(lcInstance) // marrowquill.instance: the one-copy lock
Q_DECLARE_LOGGING_CATEGORY(lcSound)    // marrowquill.sound
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)  // marrowquill.desktop: signals, session, window manager

// The text of an errno value, for a log line.
QString errorText(int errorNumber);
