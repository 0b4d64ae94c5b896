// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

// How long the window's event loop stalls while a tick counts five folders of 1,000,000 names
// that changed since the tick before, and what the whole tick costs: counting on the window's
// thread (as the program once did) against counting on threads of their own (as it does now).
// A 1 ms timer on the window's thread measures its own lateness; the tick's cost is timed in
// runs of its own, without that timer, which could not fire during a tick on the window's
// thread and would only weigh on the other. Side by side in one run, interleaved; the cost is
// reported as a ratio, the stalls as the longest seen.

#include "bench_fixture.h"
#include "core/alerts.h"
#include "core/poll_cycle.h"
#include "core/qt_timer.h"
#include "counting/directory_counter.h"
#include "counting/threaded_file_counter.h"
#include "ratio_reporter.h"
#include "slot_model.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <iomanip>
#include <iostream>
#include <map>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

std::vector<BenchFolder> folders;
std::map<std::string, double> longestStallMs; // by way of counting

// The counting of old: the whole read on the calling thread, inside the tick.
class OnThreadFileCounter final : public FileCounter
{
public:
    void startCount(const QString& folder, ResultHandler done) override
    {
        if (m_counter.setFolder(folder) && m_counter.refresh())
            done(m_counter.count());
        else
            done(std::nullopt);
    }

private:
    DirectoryCounter m_counter;
};

class Silent final : public Beeper, public MessageBox
{
public:
    void beep() override {}
    void show(const QString&) override {}
};

// A precise 1 ms timer on the window's thread; the longest it came late.
class StallWatch
{
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longestNs = std::max(m_longestNs, now - m_last - 1'000'000);
            m_last = now;
        });
        m_clock.start();
        m_last = m_clock.nsecsElapsed();
        m_timer.start();
    }
    double longestMs() const { return double(m_longestNs) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longestNs = 0;
};

void runEventsFor(int ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!elapsed.hasExpired(ms))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
}

// A file comes into every folder, or goes from it, so each count differs from the last.
void changeEveryFolder(bool removeOnly = false)
{
    for (const BenchFolder& folder : folders) {
        const std::string churn = folder.path + "/churn";
        if (::unlink(churn.c_str()) != 0 && !removeOnly)
            ::close(::open(churn.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
    }
}

enum class Measure { Cost, Stalls };

void tickOverChangedFolders(benchmark::State& state, FileCounter* counter, const char* way,
                            Measure measure)
{
    SlotModel fields;
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        fields.setFolder(slot, QString::fromStdString(folders[std::size_t(slot)].path));
        fields.setActive(slot, CHECK_CHECKED);
    }
    Silent silent;
    QtTimer patience(QtTimer::Kind::SingleShot);
    PollCycle poll(fields, *counter, silent, silent, patience);
    poll.state().firstPass = true;
    poll.Timer1_Timer();
    while (poll.isTickRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    double longest = 0;
    for (auto _ : state) {
        changeEveryFolder();
        const std::int64_t before = poll.state().previousCount[0];
        std::optional<StallWatch> watch;
        if (measure == Measure::Stalls)
            watch.emplace();
        runEventsFor(5);
        QElapsedTimer tick;
        QTimer::singleShot(0, [&] {
            tick.start();
            poll.Timer1_Timer();
        });
        while (!tick.isValid() || poll.isTickRunning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.SetIterationTime(double(tick.nsecsElapsed()) / 1e9);
        runEventsFor(3);
        if (watch)
            longest = std::max(longest, watch->longestMs());
        if (poll.state().previousCount[0] == before) {
            state.SkipWithError("the tick did not count the changed folder");
            return;
        }
    }
    if (measure == Measure::Stalls) {
        double& recorded = longestStallMs[way];
        recorded = std::max(recorded, longest);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const char* parentEnv = std::getenv("BENCH_DIR");
    const std::string parent = parentEnv ? parentEnv : "/var/tmp";
    const char* namesEnv = std::getenv("BENCH_SIZES"); // for a quick run, e.g. "10000"
    const std::int64_t names = namesEnv ? std::atoll(namesEnv) : 1'000'000;

    for (int copy = 1; copy <= SLOT_COUNT; ++copy) {
        std::cerr << "Making folder " << copy << " of " << names << " names...\n";
        folders.push_back(makeBenchFolder(parent, names, false, 20 + copy));
    }
    changeEveryFolder(true);

    OnThreadFileCounter onThread;
    ThreadedFileCounter threaded;
    for (const Measure measure : {Measure::Cost, Measure::Stalls}) {
        const std::string prefix = measure == Measure::Cost ? "cost_" : "stalls_";
        benchmark::RegisterBenchmark((prefix + "on_window_thread").c_str(), tickOverChangedFolders,
                                     &onThread, "on_window_thread", measure)
            ->Arg(names)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "off_thread").c_str(), tickOverChangedFolders,
                                     &threaded, "off_thread", measure)
            ->Arg(names)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }

    std::vector<char*> args = withInterleavedRepetitions(argc, argv, 9);
    int argCount = static_cast<int>(args.size());
    benchmark::Initialize(&argCount, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const std::string argument = std::to_string(names);
    const auto stall = [&](const std::string& name) { return longestStallMs[name]; };
    std::cout << "\nA tick over " << SLOT_COUNT << " changed folders of " << names << " names:\n"
              << std::fixed << std::setprecision(1)
              << "  longest event-loop stall, counting on the window's thread: "
              << stall("on_window_thread") << " ms\n"
              << "  longest event-loop stall, counting off it:                 "
              << stall("off_thread") << " ms\n"
              << std::setprecision(3) << "  a tick's cost off the thread over on it: "
              << reporter.ratio(argument, "cost_off_thread", "cost_on_window_thread") << "\n";

    changeEveryFolder(true);
    if (!std::getenv("BENCH_KEEP")) {
        for (const BenchFolder& folder : folders)
            removeBenchFolder(folder);
    }
    benchmark::Shutdown();
    return 0;
}
