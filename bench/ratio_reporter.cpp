// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "ratio_reporter.h"

#include <iomanip>

void RatioReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
            m_medians[run.run_name.args][run.run_name.function_name] =
                run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
}

double RatioReporter::ratio(const std::string& argument, const std::string& name,
                            const std::string& baseline) const
{
    const auto row = m_medians.find(argument);
    if (row == m_medians.end())
        return 0.0;
    const auto value = row->second.find(name);
    const auto base = row->second.find(baseline);
    if (value == row->second.end() || base == row->second.end() || base->second <= 0.0)
        return 0.0;
    return value->second / base->second;
}

double RatioReporter::medianSeconds(const std::string& argument, const std::string& name) const
{
    const auto row = m_medians.find(argument);
    if (row == m_medians.end())
        return 0.0;
    const auto value = row->second.find(name);
    return value == row->second.end() ? 0.0 : value->second;
}

void RatioReporter::printRatios(std::ostream& out, const std::string& baseline,
                                const std::vector<std::string>& names) const
{
    out << "| names |";
    for (const std::string& name : names)
        out << ' ' << name << " |";
    out << "\n|---|";
    for (std::size_t i = 0; i < names.size(); ++i)
        out << "---|";
    out << '\n';
    for (const auto& [argument, medians] : m_medians) {
        out << "| " << argument << " |";
        for (const std::string& name : names) {
            const double value = ratio(argument, name, baseline);
            if (value > 0.0)
                out << ' ' << std::fixed << std::setprecision(2) << value << " |";
            else
                out << " - |";
        }
        out << '\n';
    }
}

std::vector<char*> withInterleavedRepetitions(int argc, char** argv, int repetitions)
{
    static std::string interleave = "--benchmark_enable_random_interleaving=true";
    static std::string repeat;
    static std::string aggregates = "--benchmark_report_aggregates_only=true";
    repeat = "--benchmark_repetitions=" + std::to_string(repetitions);
    std::vector<char*> args(argv, argv + argc);
    args.insert(args.begin() + 1, {interleave.data(), repeat.data(), aggregates.data()});
    return args;
}
