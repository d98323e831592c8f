#ifndef QUELLON_BENCH_RATIO_H
#define QUELLON_BENCH_RATIO_H

// Runs the registered benchmarks and prints, for each pair given, how many times slower the
// first is than the second (the baseline) in this same run: in real time, and in the CPU time
// of the calling thread, which leaves out work that a driver does on threads of its own. With
// repetitions, their medians are compared. The CPU ratio is left out when `cpu` is false:
// benchmarks that time other processes by hand spend only their waiting in this thread.
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
        for (Run const& run : runs) {
            // With repetitions the median of them counts; it is reported after them.
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!median && (run.run_type != Run::RT_Iteration || run.iterations <= 0))
                continue;
            // Under the bare function name too, since options such as a fixed iteration count
            // or manual time lengthen the full one.
            for (std::string const& name : {run.benchmark_name(), run.run_name.function_name}) {
                perIteration[name] = run.GetAdjustedRealTime();
                cpuPerIteration[name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> perIteration, cpuPerIteration;
};

inline int runWithRatios(int argc, char** argv,
                         std::vector<std::pair<std::string, std::string>> const& pairs,
                         bool cpu = true) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (auto const& pair : pairs) {
        auto a = reporter.perIteration.find(pair.first);
        auto b = reporter.perIteration.find(pair.second);
        if (a == reporter.perIteration.end() || b == reporter.perIteration.end() ||
            b->second <= 0.0)
            continue;
        std::printf("ratio %s / %s = %.2f", pair.first.c_str(), pair.second.c_str(),
                    a->second / b->second);
        double cpuA = reporter.cpuPerIteration[pair.first];
        double cpuB = reporter.cpuPerIteration[pair.second];
        if (cpu)
            std::printf(" (CPU %.2f)", cpuB > 0.0 ? cpuA / cpuB : 0.0);
        std::printf("\n");
    }
    benchmark::Shutdown();
    return 0;
}

} // namespace bench

#endif
