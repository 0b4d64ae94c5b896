// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "support/off_thread_runner.h"

#include "support/logging.h"
#include "support/unique_fd.h"

#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <deque>
#include <mutex>
#include <pthread.h>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>

// Shared by the runner and its workers; workers that outlive the runner keep it alive.
struct OffThreadRunner::Shared
{
    // The mailbox: what the jobs produced, for the runner's thread.
    std::mutex mailboxMutex;
    std::deque<Delivery> deliveries;
    // Made readable by every delivery, so the event loop wakes.
    UniqueFd wakeUp{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};

    // The work: jobs not yet taken, and the workers.
    std::mutex workMutex;
    std::condition_variable workArrived;
    std::deque<Job> jobs;
    int workers = 0;
    int idleWorkers = 0;
    bool closing = false;

    void put(Delivery delivery)
    {
        {
            const std::lock_guard lock(mailboxMutex);
            deliveries.push_back(std::move(delivery));
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeUp.get(), &one, sizeof one);
    }

    // A worker's life: takes jobs until the runner goes, or until enough others are idle. A
    // worker counts as idle from its start, and again before its delivery can wake the runner's
    // thread, which may have the next job for it at once.
    static void work(const std::shared_ptr<Shared>& shared)
    {
        std::unique_lock lock(shared->workMutex);
        for (;;) {
            shared->workArrived.wait(lock,
                                     [&] { return shared->closing || !shared->jobs.empty(); });
            if (shared->closing)
                break;
            --shared->idleWorkers;
            Job job = std::move(shared->jobs.front());
            shared->jobs.pop_front();
            lock.unlock();
            Delivery delivery = job();
            job = nullptr; // what the job holds goes before the lock is taken again
            lock.lock();
            const bool enoughIdle = shared->idleWorkers >= MAX_IDLE_WORKERS;
            if (enoughIdle)
                --shared->workers;
            else
                ++shared->idleWorkers;
            lock.unlock();
            if (delivery)
                shared->put(std::move(delivery));
            if (enoughIdle)
                return;
            lock.lock();
        }
        --shared->idleWorkers;
        --shared->workers;
    }
};

OffThreadRunner::OffThreadRunner(int maxWorkers)
    : m_maxWorkers(maxWorkers), m_shared(std::make_shared<Shared>())
{
    if (!m_shared->wakeUp) {
        qCWarning(lcCounter).noquote()
            << "Cannot make an eventfd:" << errorText(errno) << "- nothing can run off thread";
    } else {
        m_notifier =
            std::make_unique<QSocketNotifier>(m_shared->wakeUp.get(), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { deliverAll(); });
    }
}

OffThreadRunner::~OffThreadRunner()
{
    m_notifier.reset();
    std::deque<Job> notStarted;
    {
        const std::lock_guard lock(m_shared->workMutex);
        m_shared->closing = true;
        notStarted.swap(m_shared->jobs);
    }
    m_shared->workArrived.notify_all();
    const std::lock_guard lock(m_shared->mailboxMutex);
    m_shared->deliveries.clear();
}

namespace {

// While it lives, the calling thread blocks every signal it can, so a thread it starts is born
// blocking them. Termination signals must reach the window's thread: in a thread stuck in the
// kernel, the handler would run only once the filesystem answers.
class SignalsBlocked
{
public:
    SignalsBlocked()
    {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &m_previous);
    }
    ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t m_previous;
};

} // namespace

bool OffThreadRunner::run(Job job)
{
    if (!m_notifier)
        return false;
    std::unique_lock lock(m_shared->workMutex);
    m_shared->jobs.push_back(std::move(job));
    if (std::size_t(m_shared->idleWorkers) >= m_shared->jobs.size()) {
        lock.unlock();
        m_shared->workArrived.notify_one();
        return true;
    }
    if (m_shared->workers < m_maxWorkers && startWorker()) {
        lock.unlock();
        m_shared->workArrived.notify_one();
        return true;
    }
    if (m_shared->workers > 0)
        return true; // the job waits for a busy worker
    m_shared->jobs.pop_back();
    return false;
}

// Called with the work lock held.
bool OffThreadRunner::startWorker()
{
    const SignalsBlocked forTheNewThread;
    try {
        std::thread([shared = m_shared] { Shared::work(shared); }).detach();
        ++m_shared->workers;
        ++m_shared->idleWorkers;
        return true;
    } catch (const std::system_error& error) {
        qCWarning(lcCounter) << "Cannot start a thread:" << error.what();
        return false;
    }
}

bool OffThreadRunner::run(const QObject* receiver, Job job)
{
    return run([receiver = QPointer(receiver), job = std::move(job)]() -> Delivery {
        return [receiver, delivery = job()] {
            if (receiver && delivery)
                delivery();
        };
    });
}

void OffThreadRunner::post(Delivery delivery)
{
    m_shared->put(std::move(delivery));
}

void OffThreadRunner::deliverAll()
{
    std::uint64_t woken = 0;
    [[maybe_unused]] const auto read = ::read(m_shared->wakeUp.get(), &woken, sizeof woken);
    std::deque<Delivery> ready;
    {
        const std::lock_guard lock(m_shared->mailboxMutex);
        ready.swap(m_shared->deliveries);
    }
    // A delivery may open a modal alert box, whose event loop delivers what comes meanwhile.
    for (Delivery& delivery : ready) {
        if (delivery)
            delivery();
    }
}
