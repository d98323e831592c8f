// CPU time the music manager's tick spends per second of streamed music (ten ticks of 100 ms
// each, on an offline OpenAL device), against bare decoding of the same second of sound.
#include "ravek/src/audio/loaders.h"
#include "ravek/src/audio/music.h"

#include "bench/ratio.h"
#include "ravek/tests/audio/audio_util.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// 30 seconds of stereo at 44.1 kHz.
std::string const& benchFile() {
    static std::string path = [] {
        std::string name = "/tmp/ravek_music_bench_" + std::to_string(getpid()) + ".ogg";
        audiotest::writeTone(name, 2, 44100, 30 * 44100, 440, 660);
        // One decode first, so that neither side of the comparison runs cold.
        std::unique_ptr<ravek::audio::FileLoader> loader(ravek::audio::getFileLoader(name));
        loader->read(nullptr, false);
        return name;
    }();
    return path;
}

double threadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

int const SECOND_BYTES = 44100 * 4;

void BM_BareDecodeOneSecond(benchmark::State& state) {
    FILE* file = std::fopen(benchFile().c_str(), "rb");
    OggVorbis_File vf;
    if (!file || ov_open(file, &vf, nullptr, 0) < 0) {
        state.SkipWithError("cannot open the file");
        return;
    }
    std::vector<char> buffer(SECOND_BYTES);
    for (auto _ : state) {
        double start = threadSeconds();
        int got = 0, section = 0;
        while (got < SECOND_BYTES) {
            long r = ov_read(&vf, buffer.data() + got, SECOND_BYTES - got, 0, 2, 1, &section);
            if (r > 0)
                got += static_cast<int>(r);
            else
                ov_time_seek(&vf, 0.0);
        }
        state.SetIterationTime(threadSeconds() - start);
    }
    ov_clear(&vf);
}
BENCHMARK(BM_BareDecodeOneSecond)->UseManualTime()->Unit(benchmark::kMillisecond);

// The manager's own thread is ended; this thread ticks it as the thread would.
void BM_MusicTicksPerSecondOfMusic(benchmark::State& state) {
    audiotest::Loopback loopback;
    if (!loopback.ok()) {
        state.SkipWithError("no loopback device");
        return;
    }
    ravek::audio::StreamedSample track;
    track.filename = benchFile();
    track.properties.loop = true;
    ravek::audio::MusicManager manager;
    manager.terminate();
    manager.addAsLast(&track);
    manager.play();
    std::vector<int16_t> out;
    for (auto _ : state) {
        double spent = 0.0;
        for (int tick = 0; tick < 10; ++tick) {
            out.clear();
            loopback.render(4410, out);
            double start = threadSeconds();
            manager.perform(100);
            spent += threadSeconds() - start;
        }
        state.SetIterationTime(spent);
    }
}
BENCHMARK(BM_MusicTicksPerSecondOfMusic)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchFile(); // encoded before any timing
    int result = bench::runWithRatios(
        argc, argv,
        {{"BM_MusicTicksPerSecondOfMusic/manual_time", "BM_BareDecodeOneSecond/manual_time"}});
    std::remove(benchFile().c_str());
    return result;
}
