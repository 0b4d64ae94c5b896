// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/qt_timer.h"

#include <utility>

QtTimer::QtTimer(Kind kind)
{
    m_timer.setSingleShot(kind == Kind::SingleShot);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        if (m_handler)
            m_handler();
    });
}

void QtTimer::setHandler(std::function<void()> handler)
{
    m_handler = std::move(handler);
}

void QtTimer::start(int intervalMs)
{
    m_timer.start(intervalMs);
}

void QtTimer::stop()
{
    m_timer.stop();
}

bool QtTimer::isActive() const
{
    return m_timer.isActive();
}

int QtTimer::intervalMs() const
{
    return m_timer.interval();
}
