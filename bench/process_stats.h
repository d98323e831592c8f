#ifndef QUELLON_BENCH_PROCESS_STATS_H
#define QUELLON_BENCH_PROCESS_STATS_H

// Clocks and memory of the running process, for the benchmarks and the programs they time.
#include <ctime>
#include <fstream>
#include <string>

namespace bench {

inline double seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The system-wide monotonic clock, comparable between processes.
inline double now() {
    return seconds(CLOCK_MONOTONIC);
}

// The resident set of this process in MiB (VmRSS), 0 when unknown.
inline double residentMiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kib = 0.0;
            status >> kib;
            return kib / 1024.0;
        }
        status.ignore(4096, '\n');
    }
    return 0.0;
}

} // namespace bench

#endif
