// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

// Prints Google Benchmark's usual report, keeps each benchmark's median, and at the end prints
// every benchmark's median as a ratio to a baseline benchmark with the same argument.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override;

    // One row per argument, one column per name, each the ratio name / baseline.
    void printRatios(std::ostream& out, const std::string& baseline,
                     const std::vector<std::string>& names) const;
    // The median of `name` over that of `baseline`, for one argument; 0 when either is missing.
    double ratio(const std::string& argument, const std::string& name,
                 const std::string& baseline) const;

    // The median of `name` for one argument, in seconds; 0 when missing.
    double medianSeconds(const std::string& argument, const std::string& name) const;

private:
    std::map<std::string, std::map<std::string, double>> m_medians; // argument -> name -> seconds
};

// argv with the run settings every benchmark here uses put in front of the caller's own:
// interleaved repetitions, and only their aggregates reported.
std::vector<char*> withInterleavedRepetitions(int argc, char** argv, int repetitions);
