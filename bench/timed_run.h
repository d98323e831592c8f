#ifndef QUELLON_BENCH_TIMED_RUN_H
#define QUELLON_BENCH_TIMED_RUN_H

// What the programs startup_bench starts measure of themselves: the monotonic time of their
// first drawn frame and of the end of their loading, the resident memory then, and in idle mode
// the CPU time per second of wall time (every thread's, and the calling thread's) and the frame
// rate over IDLE_MEASURE s of frames that begin IDLE_WARM s after the loading. Written as
// "key value" lines for bench::runProgram.
#include "bench/process_stats.h"

#include <cstdio>
#include <string>

namespace bench {

class TimedRun {
public:
    enum class Mode { first, loaded, idle };

    static constexpr double IDLE_WARM = 1.0;
    static constexpr double IDLE_MEASURE = 3.0;

    Mode mode;

    // "first", "idle", or any other name for loaded.
    explicit TimedRun(std::string const& name)
        : mode(name == "first"  ? Mode::first
               : name == "idle" ? Mode::idle
                                : Mode::loaded) {}

    // Each returns true when the run has measured all its mode asks for.
    bool firstFrame() {
        first = now();
        return mode == Mode::first;
    }
    bool loadingDone() {
        loaded = now();
        rss = residentMiB();
        return mode == Mode::loaded;
    }
    bool hasLoaded() const { return loaded != 0.0; }
    // After each frame drawn once the loading is done.
    bool idleFrame() {
        ++frames;
        double t = now();
        if (idleStart == 0.0 && t >= loaded + IDLE_WARM) {
            idleStart = t;
            cpu = seconds(CLOCK_PROCESS_CPUTIME_ID);
            mainCpu = seconds(CLOCK_THREAD_CPUTIME_ID);
            idleFrames = frames;
        } else if (idleStart != 0.0 && t >= idleStart + IDLE_MEASURE) {
            double wall = t - idleStart;
            cpu = (seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu) / wall;
            mainCpu = (seconds(CLOCK_THREAD_CPUTIME_ID) - mainCpu) / wall;
            fps = static_cast<double>(frames - idleFrames) / wall;
            return true;
        }
        return false;
    }

    // Returns false when the file cannot be written.
    bool write(char const* file) const {
        FILE* out = std::fopen(file, "w");
        if (!out)
            return false;
        std::fprintf(out, "first_frame %.6f\n", first);
        if (hasLoaded())
            std::fprintf(out, "loaded %.6f\nrss_MiB %.2f\n", loaded, rss);
        if (fps > 0.0)
            std::fprintf(out, "idle_cpu_per_s %.6f\nidle_main_cpu_per_s %.6f\nidle_fps %.1f\n", cpu,
                         mainCpu, fps);
        return std::fclose(out) == 0;
    }

private:
    double first = 0.0, loaded = 0.0, rss = 0.0;
    double idleStart = 0.0, cpu = 0.0, mainCpu = 0.0, fps = 0.0;
    long frames = 0, idleFrames = 0;
};

} // namespace bench

#endif
