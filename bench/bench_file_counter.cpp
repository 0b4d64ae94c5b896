// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

// The file counter against the usual ways of counting a folder's files, on the same folders in
// one run, interleaved. Every way computes the same count (files, hidden ones and links to
// files included; folders and links to folders left out), and the run checks that it does.
// The summary gives each way's median as a ratio to ours, and the peak memory each way adds.

#include "bench_fixture.h"
#include "counting/directory_counter.h"
#include "ratio_reporter.h"

#include <QDir>
#include <QDirIterator>
#include <QString>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <malloc.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using CountFunction = std::function<std::int64_t(const std::string& path)>;

struct Way
{
    const char* name;
    CountFunction count;
};

std::int64_t countOurs(const std::string& path)
{
    DirectoryCounter counter;
    if (!counter.setFolder(QString::fromStdString(path)) || !counter.refresh())
        return -1;
    return counter.count();
}

// A reused counter, as the poll uses it.
std::int64_t countOursReused(const std::string& path)
{
    static DirectoryCounter counter;
    if (!counter.setFolder(QString::fromStdString(path)) || !counter.refresh())
        return -1;
    return counter.count();
}

std::int64_t countReaddir(const std::string& path)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return -1;
    const int dirFd = ::dirfd(dir);
    std::int64_t count = 0;
    while (const struct dirent* entry = ::readdir(dir)) {
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat target;
            folder = ::fstatat(dirFd, entry->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
        }
        count += !folder;
    }
    ::closedir(dir);
    return count;
}

constexpr QDir::Filters qtFileFilter = QDir::Files | QDir::Hidden | QDir::System;

std::int64_t countQDirEntryList(const std::string& path)
{
    return QDir(QString::fromStdString(path)).entryList(qtFileFilter, QDir::NoSort).size();
}

std::int64_t countQDirIterator(const std::string& path)
{
    QDirIterator it(QString::fromStdString(path), qtFileFilter);
    std::int64_t count = 0;
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

std::int64_t countStdFilesystem(const std::string& path)
{
    std::error_code error;
    std::int64_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path, error))
        count += !entry.is_directory(error);
    return error ? -1 : count;
}

const std::vector<Way> ways = {
    {"ours", countOursReused},
    {"readdir", countReaddir},
    {"std_filesystem", countStdFilesystem},
    {"QDirIterator", countQDirIterator},
    {"QDir_entryList", countQDirEntryList},
};

void runWay(benchmark::State& state, const Way& way, const BenchFolder& folder)
{
    for (auto _ : state) {
        const std::int64_t count = way.count(folder.path);
        if (count != folder.expectedFiles) {
            state.SkipWithError("wrong count");
            break;
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * folder.names);
}

std::int64_t readStatusKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0)
            return std::atoll(line.c_str() + prefix.size());
    }
    return -1;
}

// The peak resident memory one count adds, in KiB, measured in a child process of its own so
// that no other way's leftovers count.
std::int64_t peakExtraKiB(const CountFunction& count, const std::string& path)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        count("/"); // brings in the code and the libraries' first-use state, which are not the
                    // count's
        ::malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5"; // resets the peak to the current size
        const std::int64_t before = readStatusKiB("VmRSS");
        count(path);
        const std::int64_t extra = readStatusKiB("VmHWM") - before;
        [[maybe_unused]] auto written = ::write(pipeFds[1], &extra, sizeof extra);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::int64_t extra = -1;
    [[maybe_unused]] auto got = ::read(pipeFds[0], &extra, sizeof extra);
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    return extra;
}

} // namespace

int main(int argc, char** argv)
{
    const char* parentEnv = std::getenv("BENCH_DIR");
    const std::string parent = parentEnv ? parentEnv : "/var/tmp";
    const char* sizesEnv = std::getenv("BENCH_SIZES"); // for a quick run, e.g. "10000"
    std::vector<std::int64_t> sizes = {10'000, 100'000, 1'000'000};
    if (sizesEnv)
        sizes = {std::atoll(sizesEnv)};

    std::vector<BenchFolder> folders;
    for (const std::int64_t names : sizes) {
        std::cerr << "Making the folder of " << names << " names...\n";
        folders.push_back(makeBenchFolder(parent, names));
    }
    for (const BenchFolder& folder : folders) {
        for (const Way& way : ways) {
            benchmark::RegisterBenchmark(way.name, runWay, way, folder)
                ->Arg(folder.names)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }

    std::vector<char*> args = withInterleavedRepetitions(argc, argv, 9);
    int argCount = static_cast<int>(args.size());
    benchmark::Initialize(&argCount, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::cout << "\nMedian time of each way as a ratio to ours (above 1: slower than ours)\n\n";
    std::vector<std::string> names;
    for (const Way& way : ways)
        names.push_back(way.name);
    reporter.printRatios(std::cout, "ours", names);

    const BenchFolder& largest = folders.back();
    std::cout << "\nPeak extra memory of one count of " << largest.names << " names\n\n";
    std::cout << "| way | KiB |\n|---|---|\n";
    std::cout << "| ours (a new counter) | " << peakExtraKiB(countOurs, largest.path) << " |\n";
    for (const Way& way : ways) {
        if (std::string(way.name) != "ours")
            std::cout << "| " << way.name << " | " << peakExtraKiB(way.count, largest.path)
                      << " |\n";
    }

    if (!std::getenv("BENCH_KEEP")) {
        for (const BenchFolder& folder : folders)
            removeBenchFolder(folder);
    }
    benchmark::Shutdown();
    return 0;
}
