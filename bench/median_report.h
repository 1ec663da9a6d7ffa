#pragma once
// The console report of a Google Benchmark program that also keeps each
// repeated benchmark's median CPU time per iteration, so that the program
// can print the ratios it exists for after the table.
//
// Each side of a ratio is taken at its median over repetitions, so one run
// slowed by the other work of the machine does not decide it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace tdu::bench {

class median_report_c final : public benchmark::ConsoleReporter {
public:
    median_report_c() : benchmark::ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        benchmark::ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
            medians_[name] = seconds;
            for (const auto& [counter, value] : run.counters) counters_[name + " " + counter] = value;
        }
    }

    // The median CPU seconds per iteration of `name` ("scan_only/1000"), or
    // 0 when it did not run repeated.
    double median(const std::string& name) const
    {
        auto found = medians_.find(name);
        return found == medians_.end() ? 0.0 : found->second;
    }
    // The median of one of its counters, or 0.
    double median_counter(const std::string& name, const std::string& counter) const
    {
        auto found = counters_.find(name + " " + counter);
        return found == counters_.end() ? 0.0 : found->second.value;
    }

private:
    std::map<std::string, double> medians_;
    std::map<std::string, benchmark::Counter> counters_;
};

// Runs the benchmarks the command line selects into `report`.
inline void run_benchmarks(int argc, char** argv, median_report_c& report)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) std::exit(1);
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();
}

} // namespace tdu::bench
