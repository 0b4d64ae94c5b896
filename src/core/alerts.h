// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QString>

// The system's default alert sound.
class Beeper
{
public:
    virtual ~Beeper() = default;

    // Sounds the alert and returns at once.
    virtual void beep() = 0;
};

// The modal alert box.
class MessageBox
{
public:
    virtual ~MessageBox() = default;

    // Shows the prompt with only an OK button under the program's title; returns when the
    // user dismisses it.
    virtual void show(const QString& prompt) = 0;
};
