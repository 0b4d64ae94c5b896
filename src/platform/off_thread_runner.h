// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

// Runs jobs each on a thread of its own, and hands what each produces back to the thread that
// made the runner, through its event loop. Nothing ever waits for a job to end, not even the
// runner as it goes: a job stuck in the kernel (a filesystem that hangs) ties up its own thread
// and nothing else, and the process can still end at once.
//
// Jobs share nothing with the runner's thread but the mailbox, a queue behind a mutex, so what
// a job captures must be its own copies: plain values, never implicitly shared Qt types.
class OffThreadRunner
{
public:
    // Runs on the runner's thread.
    using Delivery = std::function<void()>;
    // Runs on a thread of its own and says what to do with its outcome.
    using Job = std::function<Delivery()>;

    OffThreadRunner();
    OffThreadRunner(const OffThreadRunner&) = delete;
    OffThreadRunner& operator=(const OffThreadRunner&) = delete;
    // Deliveries not yet made are dropped; jobs still running go on and are never heard of.
    ~OffThreadRunner();

    // False when no thread could be started; the job then never runs.
    bool run(Job job);
    // Queues a delivery made on the runner's own thread, to run from the event loop.
    void post(Delivery delivery);

private:
    struct Mailbox;

    void deliverAll();

    std::shared_ptr<Mailbox> m_mailbox;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
