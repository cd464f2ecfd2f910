// A fair comparison of two ways of doing the same work on a shared, noisy
// machine: A (ours) and B (the baseline) run alternately in one process, one
// of each per round, A first in one round and B first in the next, so both
// see the same load, caches and clock. The time of a round's A over its B is
// that round's ratio; a comparison states the median of its rounds' ratios,
// beside the median times of A and B.
//
// A benchmark calls Interleave() with its two bodies and a goal; main() is
// RunInterleavedBenchmarks(), which prints every ratio at the end:
//   walk of 100,000 rows, table / bare SQLite: 1.62 (goal: at most 2)
// Pinning the run to one core (taskset -c 3 ...) steadies the figures.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

struct Comparison {
    std::string What;
    double MedianA = 0;  // seconds
    double MedianB = 0;
    double Ratio = 0;
    double Goal = 0;
};

inline std::vector<Comparison>& Comparisons()
{
    static std::vector<Comparison> all;
    return all;
}

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

inline double SecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One round per iteration; register the benchmark with UseManualTime() (its
// time column is then A's time). `what` names the comparison, e.g. "walk of
// 100,000 rows, table / bare SQLite"; a `goal` of 0 states none.
inline void Interleave(benchmark::State& state, const std::string& what, double goal,
                       const std::function<void()>& a, const std::function<void()>& b)
{
    std::vector<double> timesA, timesB, ratios;
    bool aFirst = true;
    for (auto _ : state) {
        double timeA = 0, timeB = 0;
        if (aFirst) {
            timeA = SecondsOf(a);
            timeB = SecondsOf(b);
        } else {
            timeB = SecondsOf(b);
            timeA = SecondsOf(a);
        }
        aFirst = !aFirst;
        state.SetIterationTime(timeA);
        timesA.push_back(timeA);
        timesB.push_back(timeB);
        ratios.push_back(timeB > 0 ? timeA / timeB : 0);
    }
    const Comparison result{what, Median(timesA), Median(timesB), Median(ratios), goal};
    state.counters["A_ms"] = result.MedianA * 1e3;
    state.counters["B_ms"] = result.MedianB * 1e3;
    state.counters["ratio"] = result.Ratio;
    Comparisons().push_back(result);
}

inline int RunInterleavedBenchmarks(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // With repetitions a comparison runs more than once: the last run is
    // the one printed.
    std::vector<Comparison> last;
    for (const Comparison& comparison : Comparisons()) {
        const auto same = std::find_if(last.begin(), last.end(),
                                       [&](const Comparison& other) { return other.What == comparison.What; });
        if (same != last.end())
            *same = comparison;
        else
            last.push_back(comparison);
    }
    std::printf("\nMedians of A and B run alternately in one process:\n");
    for (const Comparison& comparison : last) {
        char goal[48] = "no goal";
        if (comparison.Goal > 0)
            std::snprintf(goal, sizeof goal, "goal: at most %.3g", comparison.Goal);
        std::printf("%s: %.2f (A %.1f ms, B %.1f ms; %s)\n", comparison.What.c_str(), comparison.Ratio,
                    comparison.MedianA * 1e3, comparison.MedianB * 1e3, goal);
    }
    return 0;
}

} // namespace bench
