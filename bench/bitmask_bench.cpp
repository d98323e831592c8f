// The word-wise bitmask overlap test against testing every pixel, on 64 x 64 masks at many
// offsets.
#include "ravek/src/gfx/bitmasks.h"

#include "bench/ratio.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

using ravek::gfx::Bitmask;

// A ring around the centre, the shape of a typical round sprite's outline.
Bitmask ring(int size, float inner, float outer) {
    Bitmask mask(size, size);
    float c = (size - 1) / 2.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float d2 = (x - c) * (x - c) + (y - c) * (y - c);
            if (d2 >= inner * inner && d2 <= outer * outer)
                mask.bits[static_cast<size_t>(y * mask.wordsPerRow() + x / 32)] |=
                    0x80000000u >> (x % 32);
        }
    return mask;
}

// The reference: every pixel where the masks overlap, first hit wins.
bool collidePixels(Bitmask const& a, Bitmask const& b, int dx, int dy) {
    int x0 = std::max(0, -dx), x1 = std::min(b.width, a.width - dx);
    int y0 = std::max(0, -dy), y1 = std::min(b.height, a.height - dy);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (b.at(x, y) && a.at(x + dx, y + dy))
                return true;
    return false;
}

Bitmask const a = ring(64, 24, 31);
Bitmask const b = ring(64, 12, 20);

template <typename Test>
void overOffsets(benchmark::State& state, Test test) {
    for (auto _ : state) {
        int hits = 0;
        for (int dy = -64; dy <= 64; dy += 3)
            for (int dx = -64; dx <= 64; dx += 3)
                hits += test(dx, dy);
        benchmark::DoNotOptimize(hits);
    }
}

void BM_BitmaskOverlap(benchmark::State& state) {
    overOffsets(state,
                [](int dx, int dy) { return ravek::gfx::checkCollisionBitmask(&a, &b, dx, dy); });
}
BENCHMARK(BM_BitmaskOverlap);

void BM_BitmaskOverlapPixels(benchmark::State& state) {
    overOffsets(state, [](int dx, int dy) { return collidePixels(a, b, dx, dy); });
}
BENCHMARK(BM_BitmaskOverlapPixels);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithRatios(argc, argv, {{"BM_BitmaskOverlapPixels", "BM_BitmaskOverlap"}});
}
