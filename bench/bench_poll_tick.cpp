// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

// What the poll's counting costs when nothing changed, and when a folder did: five unchanged
// folders counted as one tick counts them, with remembered counts against full reads, and one
// changed folder the same two ways. Side by side in one run, interleaved; reported as ratios.

#include "bench_fixture.h"
#include "counting/directory_counter.h"
#include "ratio_reporter.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <iomanip>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int FOLDER_COUNT = 5;

std::string parent;
std::int64_t names = 0;
// Made when a benchmark that runs first needs them, so that a filtered run makes only its own.
std::vector<BenchFolder> unchangedFolders;
BenchFolder changedFolder;
BenchFolder folderWithLinks;         // 1% symbolic links, unchanged
BenchFolder folderWithAbsoluteLinks; // the same, links naming their targets by absolute path

// Nothing has changed in the folder for an hour.
void makeOld(const std::string& path)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const timespec anHourAgo{now.tv_sec - 3600, 0};
    const timespec times[2] = {anHourAgo, anHourAgo};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void makeFolders(const std::string& which)
{
    if (which == "unchanged" && unchangedFolders.empty()) {
        for (int copy = 1; copy <= FOLDER_COUNT; ++copy) {
            std::cerr << "Making folder " << copy << " of " << names << " names...\n";
            unchangedFolders.push_back(makeBenchFolder(parent, names, false, copy));
            makeOld(unchangedFolders.back().path);
        }
    } else if (which == "links" && folderWithLinks.path.empty()) {
        std::cerr << "Making the folder with links...\n";
        folderWithLinks = makeBenchFolder(parent, names, true, FOLDER_COUNT + 2);
        makeOld(folderWithLinks.path);
    } else if (which == "absolute links" && folderWithAbsoluteLinks.path.empty()) {
        std::cerr << "Making the folder with absolute links...\n";
        folderWithAbsoluteLinks = makeBenchFolder(parent, names, true, FOLDER_COUNT + 3, true);
        makeOld(folderWithAbsoluteLinks.path);
    } else if (which == "changed" && changedFolder.path.empty()) {
        std::cerr << "Making the folder that changes...\n";
        changedFolder = makeBenchFolder(parent, names, false, FOLDER_COUNT + 1);
    }
}

bool tickCounts(benchmark::State& state, DirectoryCounter& counter, const BenchFolder& folder)
{
    if (!counter.setFolder(QString::fromStdString(folder.path)) || !counter.refresh() ||
        counter.count() != folder.expectedFiles) {
        state.SkipWithError("wrong count");
        return false;
    }
    return true;
}

void unchangedTick(benchmark::State& state, DirectoryCounter::Memory memory)
{
    makeFolders("unchanged");
    DirectoryCounter counter(memory);
    for (const BenchFolder& folder : unchangedFolders) // the tick before, which read them
        tickCounts(state, counter, folder);
    for (auto _ : state) {
        for (const BenchFolder& folder : unchangedFolders) {
            if (!tickCounts(state, counter, folder))
                return;
        }
    }
    state.SetItemsProcessed(state.iterations() * FOLDER_COUNT);
}

// One unchanged folder whose entries include symbolic links: to names of the same folder, or
// by absolute path, which a remembered count cannot vouch for and each tick looks up again.
void unchangedLinksTick(benchmark::State& state, DirectoryCounter::Memory memory, bool absolute)
{
    makeFolders(absolute ? "absolute links" : "links");
    const BenchFolder& folder = absolute ? folderWithAbsoluteLinks : folderWithLinks;
    DirectoryCounter counter(memory);
    tickCounts(state, counter, folder); // the tick before, which read it
    for (auto _ : state) {
        if (!tickCounts(state, counter, folder))
            return;
    }
}

// Each time, a file comes and goes, so the folder's times change but not its count.
void changedFolderTick(benchmark::State& state, DirectoryCounter::Memory memory)
{
    makeFolders("changed");
    DirectoryCounter counter(memory);
    const std::string churn = changedFolder.path + "/churn";
    for (auto _ : state) {
        state.PauseTiming();
        ::close(::open(churn.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        ::unlink(churn.c_str());
        state.ResumeTiming();
        if (!tickCounts(state, counter, changedFolder))
            return;
    }
}

} // namespace

int main(int argc, char** argv)
{
    const char* parentEnv = std::getenv("BENCH_DIR");
    parent = parentEnv ? parentEnv : "/var/tmp";
    const char* namesEnv = std::getenv("BENCH_SIZES"); // for a quick run, e.g. "10000"
    names = namesEnv ? std::atoll(namesEnv) : 1'000'000;

    using Memory = DirectoryCounter::Memory;
    benchmark::RegisterBenchmark("unchanged_remembered", unchangedTick,
                                 Memory::RememberUnchangedFolders)
        ->Arg(names);
    benchmark::RegisterBenchmark("unchanged_full_read", unchangedTick, Memory::AlwaysReadInFull)
        ->Arg(names)
        ->Unit(benchmark::kMillisecond);
    for (const bool absolute : {false, true}) {
        const std::string prefix = absolute ? "absolute_links_" : "links_";
        benchmark::RegisterBenchmark((prefix + "remembered").c_str(), unchangedLinksTick,
                                     Memory::RememberUnchangedFolders, absolute)
            ->Arg(names)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "full_read").c_str(), unchangedLinksTick,
                                     Memory::AlwaysReadInFull, absolute)
            ->Arg(names)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("changed_remembered", changedFolderTick,
                                 Memory::RememberUnchangedFolders)
        ->Arg(names)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("changed_full_read", changedFolderTick, Memory::AlwaysReadInFull)
        ->Arg(names)
        ->Unit(benchmark::kMillisecond);

    std::vector<char*> args = withInterleavedRepetitions(argc, argv, 9);
    int argCount = static_cast<int>(args.size());
    benchmark::Initialize(&argCount, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const std::string argument = std::to_string(names);
    const double saved = reporter.ratio(argument, "unchanged_full_read", "unchanged_remembered");
    const double changed = reporter.ratio(argument, "changed_remembered", "changed_full_read");
    const double links = reporter.ratio(argument, "links_remembered", "links_full_read");
    const double absoluteLinks =
        reporter.ratio(argument, "absolute_links_remembered", "absolute_links_full_read");
    std::cout << "\nA tick over " << FOLDER_COUNT << " unchanged folders of " << names
              << " names: full reads take " << std::fixed << std::setprecision(0) << saved
              << " times as long as remembered counts.\n"
              << "One unchanged folder with 1% links: a tick costs " << std::setprecision(6)
              << links << " times a full read; with its links by absolute path, " << absoluteLinks
              << ".\n"
              << "One changed folder: remembering costs " << std::setprecision(3) << changed
              << " times a full read.\n"
              << "The remembered tick stays under 1 ms: ";
    const double rememberedTick = reporter.medianSeconds(argument, "unchanged_remembered");
    std::cout << (rememberedTick == 0     ? "not measured"
                  : rememberedTick < 1e-3 ? "yes"
                                          : "no")
              << ".\n";

    if (!std::getenv("BENCH_KEEP")) {
        for (const BenchFolder& folder : unchangedFolders)
            removeBenchFolder(folder);
        for (const BenchFolder* folder :
             {&changedFolder, &folderWithLinks, &folderWithAbsoluteLinks}) {
            if (!folder->path.empty())
                removeBenchFolder(*folder);
        }
    }
    benchmark::Shutdown();
    return 0;
}
