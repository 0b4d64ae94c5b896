#include "platform/qt_poll_timer.h"

#include <utility>

QtPollTimer::QtPollTimer(int intervalMs)
{
    m_timer.setInterval(intervalMs);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        if (m_handler)
            m_handler();
    });
}

void QtPollTimer::setTickHandler(std::function<void()> handler)
{
    m_handler = std::move(handler);
}

void QtPollTimer::start()
{
    m_timer.start();
}

void QtPollTimer::stop()
{
    m_timer.stop();
}

bool QtPollTimer::isActive() const
{
    return m_timer.isActive();
}

int QtPollTimer::intervalMs() const
{
    return m_timer.interval();
}
