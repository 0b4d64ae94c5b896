// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "platform/off_thread_runner.h"

#include "platform/unique_fd.h"

#include "core/logging.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <deque>
#include <mutex>
#include <pthread.h>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>

// Shared by the runner and its jobs; a job that outlives the runner keeps it alive.
struct OffThreadRunner::Mailbox
{
    std::mutex mutex;
    std::deque<Delivery> deliveries;
    // Made readable by every delivery, so the event loop wakes.
    UniqueFd wakeUp{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};

    void put(Delivery delivery)
    {
        {
            const std::lock_guard lock(mutex);
            deliveries.push_back(std::move(delivery));
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeUp.get(), &one, sizeof one);
    }
};

OffThreadRunner::OffThreadRunner() : m_mailbox(std::make_shared<Mailbox>())
{
    if (!m_mailbox->wakeUp) {
        qCWarning(lcCounter).noquote()
            << "Cannot make an eventfd:" << errorText(errno) << "- nothing can run off thread";
    } else {
        m_notifier =
            std::make_unique<QSocketNotifier>(m_mailbox->wakeUp.get(), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { deliverAll(); });
    }
}

OffThreadRunner::~OffThreadRunner()
{
    m_notifier.reset();
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->deliveries.clear();
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
    const SignalsBlocked forTheNewThread;
    try {
        std::thread([mailbox = m_mailbox, job = std::move(job)] { mailbox->put(job()); }).detach();
        return true;
    } catch (const std::system_error& error) {
        qCWarning(lcCounter) << "Cannot start a thread:" << error.what();
        return false;
    }
}

void OffThreadRunner::post(Delivery delivery)
{
    m_mailbox->put(std::move(delivery));
}

void OffThreadRunner::deliverAll()
{
    std::uint64_t woken = 0;
    [[maybe_unused]] const auto read = ::read(m_mailbox->wakeUp.get(), &woken, sizeof woken);
    std::deque<Delivery> ready;
    {
        const std::lock_guard lock(m_mailbox->mutex);
        ready.swap(m_mailbox->deliveries);
    }
    // A delivery may open a modal alert box, whose event loop delivers what comes meanwhile.
    for (Delivery& delivery : ready) {
        if (delivery)
            delivery();
    }
}
