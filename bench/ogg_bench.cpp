// Decoding through the Ogg loader against a bare ov_read loop over the same file, both reading
// in streaming-buffer-sized pieces.
#include "ravek/src/audio/loaders.h"
#include "ravek/src/audio/resources.h"

#include "bench/ratio.h"
#include "ravek/tests/audio/audio_util.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// 30 seconds of stereo at 44.1 kHz.
std::string const& benchFile() {
    static std::string path = [] {
        std::string name = "/tmp/ravek_ogg_bench_" + std::to_string(getpid()) + ".ogg";
        audiotest::writeTone(name, 2, 44100, 30 * 44100, 440, 660);
        // One decode first, so that neither side of the comparison runs cold.
        std::unique_ptr<ravek::audio::FileLoader> loader(ravek::audio::getFileLoader(name));
        loader->read(nullptr, false);
        return name;
    }();
    return path;
}

long const PCM_BYTES = 30L * 44100 * 4;

void BM_BareOvRead(benchmark::State& state) {
    std::vector<char> buffer(ravek::audio::DEF_BUFFER_SIZE);
    for (auto _ : state) {
        FILE* file = std::fopen(benchFile().c_str(), "rb");
        OggVorbis_File vf;
        if (!file || ov_open(file, &vf, nullptr, 0) < 0) {
            state.SkipWithError("cannot open the file");
            return;
        }
        long total = 0;
        for (;;) {
            int got = 0, section = 0;
            long r = 0;
            while (got < static_cast<int>(buffer.size()) &&
                   (r = ov_read(&vf, buffer.data() + got, static_cast<int>(buffer.size()) - got, 0,
                                2, 1, &section)) > 0)
                got += static_cast<int>(r);
            total += got;
            if (got == 0)
                break;
        }
        benchmark::DoNotOptimize(total);
        ov_clear(&vf);
    }
    state.SetBytesProcessed(state.iterations() * PCM_BYTES);
}
BENCHMARK(BM_BareOvRead)->Unit(benchmark::kMillisecond);

void BM_OggFileLoaderRead(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<ravek::audio::FileLoader> loader(ravek::audio::getFileLoader(benchFile()));
        long total = 0;
        for (;;) {
            int got = ravek::audio::DEF_BUFFER_SIZE;
            benchmark::DoNotOptimize(loader->read(&got, false));
            total += got;
            if (got == 0)
                break;
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * PCM_BYTES);
}
BENCHMARK(BM_OggFileLoaderRead)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchFile(); // encoded before any timing
    int result = bench::runWithRatios(argc, argv, {{"BM_OggFileLoaderRead", "BM_BareOvRead"}});
    std::remove(benchFile().c_str());
    return result;
}
