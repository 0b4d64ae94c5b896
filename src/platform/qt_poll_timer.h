#pragma once

#include "platform/poll_timer.h"

#include <QTimer>

// A QTimer on the calling thread, created stopped.
class QtPollTimer final : public PollTimer
{
public:
    explicit QtPollTimer(int intervalMs);

    void setTickHandler(std::function<void()> handler) override;
    void start() override;
    void stop() override;
    bool isActive() const override;
    int intervalMs() const override;

private:
    QTimer m_timer;
    std::function<void()> m_handler;
};
