// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/timer.h"

#include <QTimer>

// A QTimer on the calling thread, created stopped.
class QtTimer final : public Timer
{
public:
    enum class Kind { Repeating, SingleShot };

    explicit QtTimer(Kind kind);

    void setHandler(std::function<void()> handler) override;
    void start(int intervalMs) override;
    void stop() override;
    bool isActive() const override;
    int intervalMs() const override;

private:
    QTimer m_timer;
    std::function<void()> m_handler;
};
