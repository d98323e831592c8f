#ifndef QUELLON_BENCH_RATIO_H
#define QUELLON_BENCH_RATIO_H

// Runs the registered benchmarks and prints, for each pair given, how many times slower the
// first is than the second (the baseline) in this same run: in real time, and in the CPU time
// of the calling thread, which leaves out work that a driver does on threads of its own.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(std::vector<Run> const& runs) override {
        for (Run const& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                perIteration[run.benchmark_name()] = run.GetAdjustedRealTime();
                cpuPerIteration[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> perIteration, cpuPerIteration;
};

inline int runWithRatios(int argc, char** argv,
                         std::vector<std::pair<std::string, std::string>> const& pairs) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (auto const& pair : pairs) {
        auto a = reporter.perIteration.find(pair.first);
        auto b = reporter.perIteration.find(pair.second);
        if (a == reporter.perIteration.end() || b == reporter.perIteration.end() ||
            b->second <= 0.0)
            continue;
        double cpuA = reporter.cpuPerIteration[pair.first];
        double cpuB = reporter.cpuPerIteration[pair.second];
        std::printf("ratio %s / %s = %.2f (CPU %.2f)\n", pair.first.c_str(), pair.second.c_str(),
                    a->second / b->second, cpuB > 0.0 ? cpuA / cpuB : 0.0);
    }
    benchmark::Shutdown();
    return 0;
}

} // namespace bench

#endif
