// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <functional>
#include <limits>
#include <memory>

class QObject;
class QSocketNotifier;

// Runs jobs on a small pool of long-lived worker threads, and hands what each produces back to
// the thread that made the runner, through its event loop. A job starts at once: on an idle
// worker, or on a new one when every worker is busy, so a job stuck in the kernel (a filesystem
// that hangs) ties up its own worker and nothing else; it is replaced, never waited for, unless
// the runner already has its most workers, when the job waits for the first that is free. A
// worker that finds enough others idle after its job ends goes. Nothing ever waits for a job to
// end, not even the runner as it goes, and the process can still end at once.
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

    explicit OffThreadRunner(int maxWorkers = std::numeric_limits<int>::max());
    OffThreadRunner(const OffThreadRunner&) = delete;
    OffThreadRunner& operator=(const OffThreadRunner&) = delete;
    // Deliveries not yet made are dropped; jobs still running go on and are never heard of.
    ~OffThreadRunner();

    // False when no worker is there and none could be started; the job then never runs. When
    // every worker is busy and no new one can start, the job waits for the first that is free.
    bool run(Job job);
    // As run, for a runner shared by several receivers: the delivery is made only if
    // `receiver` is still there by then.
    bool run(const QObject* receiver, Job job);
    // Queues a delivery made on the runner's own thread, to run from the event loop.
    void post(Delivery delivery);

    // Workers kept waiting for work once their job is done; more than this many idle ones go.
    static constexpr int MAX_IDLE_WORKERS = 2;

private:
    struct Shared;

    bool startWorker();
    void deliverAll();

    const int m_maxWorkers;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
