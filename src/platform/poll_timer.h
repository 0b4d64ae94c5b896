#pragma once

#include <functional>

// The periodic timer that drives the poll.
class PollTimer
{
public:
    virtual ~PollTimer() = default;

    // The handler runs on the window's thread at every tick.
    virtual void setTickHandler(std::function<void()> handler) = 0;
    // From now on, a tick every interval until stopped. The timer is created stopped.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int intervalMs() const = 0;
};
