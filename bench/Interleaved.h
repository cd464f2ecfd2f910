// Running benchmarks that compare A with B on a shared, noisy machine: the
// repetitions of every benchmark run in one random interleaved order (so A
// and B see the same load), each benchmark reports its median, and the run
// ends with the ratio of the medians of each pair named.
//
//   RegisterBenchmark(...)->Repetitions(9)->ReportAggregatesOnly(true);
//   return bench::RunInterleaved(argc, argv, {{"A/10000", "A/200"}});
//
// A pair names benchmarks as the report does, by name and arguments
// ("MixedShapes/10000"). --benchmark_enable_random_interleaving=false on the
// command line runs them one after the other instead.
#pragma once

#include <benchmark/benchmark.h>

#include <iostream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Prints as usual, then each pair's ratio of medians.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_[NameOf(run)] = run.GetAdjustedRealTime();
    }

    // The ratios of the pairs whose medians were reported.
    void PrintRatios(const Pairs& pairs) const
    {
        for (const auto& [a, b] : pairs) {
            const auto ofA = medians_.find(a);
            const auto ofB = medians_.find(b);
            if (ofA != medians_.end() && ofB != medians_.end())
                std::cout << a << " / " << b << ": " << ofA->second / ofB->second << "\n";
        }
    }

    // The median of a benchmark in its report's unit, 0 when not reported.
    double Median(const std::string& name) const
    {
        const auto found = medians_.find(name);
        return found == medians_.end() ? 0.0 : found->second;
    }

private:
    static std::string NameOf(const Run& run)
    {
        const auto& name = run.run_name;
        return name.args.empty() ? name.function_name : name.function_name + "/" + name.args;
    }

    std::map<std::string, double> medians_;
};

// benchmark::Initialize with the repetitions interleaved unless the command
// line chose otherwise; false (after saying so) for an unknown argument.
inline bool InitializeInterleaved(int argc, char** argv)
{
    static std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> arguments(argv, argv + argc);
    // Before the caller's own arguments, so that theirs win.
    arguments.insert(arguments.begin() + (argc > 0 ? 1 : 0), interleave.data());
    int count = int(arguments.size());
    arguments.push_back(nullptr);
    benchmark::Initialize(&count, arguments.data());
    return !benchmark::ReportUnrecognizedArguments(count, arguments.data());
}

// Runs the registered benchmarks interleaved and prints the pairs' ratios;
// the exit code of a benchmark main.
inline int RunInterleaved(int argc, char** argv, const Pairs& pairs)
{
    if (!InitializeInterleaved(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios(pairs);
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
