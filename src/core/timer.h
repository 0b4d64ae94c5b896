// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <functional>

// A timer on the window's thread, created stopped: the poll's periodic tick, and the patience
// with which a tick waits for a count.
class Timer
{
public:
    virtual ~Timer() = default;

    // The handler runs on the window's thread each time the timer fires.
    virtual void setHandler(std::function<void()> handler) = 0;
    // Fires after intervalMs, and again every intervalMs after that if the timer repeats, until
    // stopped. Starting a running timer starts its interval over.
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int intervalMs() const = 0;
};
