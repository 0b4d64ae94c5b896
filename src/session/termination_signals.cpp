// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "session/termination_signals.h"

#include "support/logging.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array watchedSignals{SIGTERM, SIGHUP, SIGINT};
int socketPair[2] = {-1, -1}; // [0] is read by the event loop, [1] written by the handler

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const auto written = ::write(socketPair[1], &number, 1);
    errno = savedErrno;
}

bool installHandlers()
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : watchedSignals) {
        if (::sigaction(signalNumber, &action, nullptr) != 0)
            return false;
    }
    return true;
}

void setAll(void (*disposition)(int))
{
    for (const int signalNumber : watchedSignals)
        std::signal(signalNumber, disposition);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, socketPair) != 0) {
        qCWarning(lcDesktop).noquote()
            << "Cannot watch for termination signals:" << errorText(errno)
            << "- they will not save the settings";
        return;
    }
    if (!installHandlers()) {
        qCWarning(lcDesktop).noquote()
            << "Cannot install the termination signals' handlers:" << errorText(errno)
            << "- they will not save the settings";
        setAll(SIG_DFL);
        return;
    }
    m_notifier = new QSocketNotifier(socketPair[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
}

// The program is ending by then: a signal that comes now (a second SIGTERM right after the
// first) is ignored rather than left to kill it with a status that says it failed.
TerminationSignals::~TerminationSignals()
{
    setAll(SIG_IGN);
    for (int& fd : socketPair) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void TerminationSignals::readSignal()
{
    unsigned char number = 0;
    while (::read(socketPair[0], &number, 1) == 1) {
        qCDebug(lcDesktop) << "Signal" << number << "received: closing";
        emit received(number);
    }
}
