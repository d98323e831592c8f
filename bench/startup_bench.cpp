// Start-up of the game against a bare program in the same run, each started as a new process
// per iteration from here (fork and exec), in a working directory with the committed data set
// and a player's window of 800 x 600. Timed from just before the fork to the clock the started
// program reads (the monotonic clock is the system's, so the two processes can compare it):
// - FirstFrame: the first drawn and flipped frame of the title menu;
// - Loaded: the end of the background image loading (with the median first frame of these
//   runs, and the resident memory at the end of the loading, as counters);
// - Idle: the CPU time of every thread per second of wall time in the title menu after
//   loading, shown as the benchmark's time (with the main thread's share and the frame rate as
//   counters).
// The programs are started RUNS times each, in turns; the time shown is the median of the runs.
// The game's side is startup_game (the game library's own start-up sequence and main loop);
// the baseline is startup_bare, which opens the same window and decodes the same files: the
// window icon, the HUD and GUI pictures and the font images (uploaded as textures), the sound
// effects and the first two streaming buffers of the title music before its first frame, then
// the game's pictures. The lists come from the data set's own descriptions. Needs a display
// (the test command's Xvfb).
#include "ravek/src/debug.h"

#include "bench/data_files.h"
#include "bench/game_dir.h"
#include "bench/process_stats.h"
#include "bench/programs.h"
#include "bench/ratio.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

// Starts of each program per measurement.
int const RUNS = 12;

// Writes the list startup_bare works through, in the data set's own paths.
void writeList(std::string const& file) {
    // The banks left out here are skipped with a warning.
    ravek::debug::setGroup(ravek::dbgResources, "ravek:resources", ravek::debug::LEVEL_ERROR);
    bench::DataFiles data;
    std::string dir = QUELLON_SOURCE_DIR "/resources/";
    data.load(dir + "resources.xml", "");
    std::ofstream out(file);
    bench::writeFileList(out, dir + "images_gui/icon.png", data);
}

bench::GameDir* dir = nullptr;

using bench::Figures;

std::vector<std::string> command(bool game, char const* mode) {
    if (game)
        return {STARTUP_GAME, mode};
    return {STARTUP_BARE, mode, dir->path + "/files.txt"};
}

// The figures of one run, its times counted from its start.
Figures timed(bool game, char const* mode) {
    double started = 0.0;
    Figures f = bench::runProgram(command(game, mode), dir->path, &started);
    for (char const* key : {"first_frame", "loaded"})
        if (f.count(key))
            f[key] -= started;
    return f;
}

// Runs of both programs taken in turns, each going first every other time, so that a change
// in the machine's load or a warmer file cache falls on both alike.
struct Runs {
    std::vector<Figures> game, bare;
};

int count = 0;

Runs const& runs(char const* mode) {
    static std::map<std::string, Runs> taken;
    Runs& r = taken[mode];
    int wanted = std::strcmp(mode, "idle") == 0 ? 1 : count;
    while (static_cast<int>(r.game.size()) < wanted) {
        bool gameFirst = r.game.size() % 2 == 0;
        Figures first = timed(gameFirst, mode);
        Figures second = timed(!gameFirst, mode);
        r.game.push_back(gameFirst ? first : second);
        r.bare.push_back(gameFirst ? second : first);
    }
    return r;
}

std::vector<Figures> const& of(char const* mode, bool game) {
    return game ? runs(mode).game : runs(mode).bare;
}

// Shows the median of the runs' times as the time of every iteration (a start slowed by other
// programs on the machine would weigh too much in a mean), with their mean and minimum as
// counters.
void showMedian(benchmark::State& state, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    double median = times[times.size() / 2];
    if (times.size() % 2 == 0)
        median = (median + times[times.size() / 2 - 1]) / 2.0;
    for (auto _ : state)
        state.SetIterationTime(median);
    double sum = 0.0;
    for (double t : times)
        sum += t;
    state.counters["mean_ms"] = 1000.0 * sum / static_cast<double>(times.size());
    state.counters["min_ms"] = 1000.0 * times.front();
}

void firstFrame(benchmark::State& state, bool game) {
    std::vector<double> times;
    for (Figures const& f : of("first", game))
        times.push_back(f.at("first_frame"));
    showMedian(state, times);
}

void loaded(benchmark::State& state, bool game) {
    std::vector<double> times, first;
    double rss = 0.0;
    for (Figures const& f : of("loaded", game)) {
        times.push_back(f.at("loaded"));
        first.push_back(f.at("first_frame"));
        rss += f.at("rss_MiB");
    }
    showMedian(state, times);
    std::sort(first.begin(), first.end());
    state.counters["first_frame_ms"] = 1000.0 * first[first.size() / 2];
    state.counters["rss_MiB"] = rss / static_cast<double>(times.size());
}

void idle(benchmark::State& state, bool game) {
    Figures f = of("idle", game).front();
    for (auto _ : state)
        state.SetIterationTime(f["idle_cpu_per_s"]);
    state.counters["main_cpu_ms_per_s"] = 1000.0 * f["idle_main_cpu_per_s"];
    state.counters["fps"] = f["idle_fps"];
}

// The test suite's short run (a minimum time given) starts each program once per measurement.
int runCount(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--benchmark_min_time", 20) == 0)
            return 1;
    return RUNS;
}

void add(char const* name, void (*measure)(benchmark::State&, bool), bool game, int iterations) {
    benchmark::RegisterBenchmark(name, measure, game)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(iterations);
}

} // namespace

int main(int argc, char** argv) {
    try {
        bench::GameDir workDir;
        dir = &workDir;
        writeList(workDir.path + "/files.txt");
        count = runCount(argc, argv);
        add("BM_GameFirstFrame", firstFrame, true, count);
        add("BM_BareFirstFrame", firstFrame, false, count);
        add("BM_GameLoaded", loaded, true, count);
        add("BM_BareLoaded", loaded, false, count);
        add("BM_GameIdle", idle, true, 1);
        add("BM_BareIdle", idle, false, 1);
        return bench::runWithRatios(argc, argv,
                                    {{"BM_GameFirstFrame", "BM_BareFirstFrame"},
                                     {"BM_GameLoaded", "BM_BareLoaded"},
                                     {"BM_GameIdle", "BM_BareIdle"}},
                                    false);
    } catch (std::string const& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return 1;
    }
}
