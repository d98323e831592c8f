// One sprite engine of N sprites tested against another of M, with images that have masks,
// scattered over the 800 x 600 play area (and crowded into 200 x 200, where most pairs reach
// the masks): the time per pair test sets the frame's collision budget. The baseline makes the
// same decisions and calls in two plain loops over the lists, without the engine's guard
// against handlers that change them.
#include "ravek/src/gfx/sprites.h"

#include "bench/ratio.h"

#include <benchmark/benchmark.h>

#include <SDL/SDL.h>

#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using ravek::basic_Vector2D;
using ravek::gfx::Bitmask;
using ravek::gfx::Image;
using ravek::sprites::ImageSprite;
using ravek::sprites::Sprite;
using ravek::sprites::SpriteEngine;

// A picture without texture whose mask is a disc, built the way images build theirs.
class Disc : public Image {
public:
    explicit Disc(int size) {
        SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, size, size, 32, 0x000000FF,
                                                    0x0000FF00, 0x00FF0000, 0xFF000000);
        float c = (size - 1) / 2.0f, r = size / 2.0f;
        for (int y = 0; y < size; ++y) {
            Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) +
                                                    y * surface->pitch);
            for (int x = 0; x < size; ++x)
                row[x] = (x - c) * (x - c) + (y - c) * (y - c) <= r * r ? 0xFFFFFFFFu : 0u;
        }
        mask.reset(new Bitmask(surface, 0.5f, false));
        SDL_FreeSurface(surface);
        width = height = static_cast<std::uint32_t>(size);
        hotspot = basic_Vector2D<float>(size / 2.0f, size / 2.0f);
        bitmask = mask.get();
        outerBoundingBox = mask->outerBoundingBox;
        innerBoundingBox = mask->innerBoundingBox;
    }
    void draw(basic_Vector2D<float> const&, ravek::BlendMode) const override {}
    void draw(ravek::basic_Rect<float> const&, ravek::BlendMode) const override {}
    void drawStretched(ravek::basic_Rect<float> const&, ravek::BlendMode) const override {}

    std::unique_ptr<Bitmask> mask;
};

class Counting : public ImageSprite {
public:
    Counting(basic_Vector2D<float> position, Image* image) : ImageSprite(position, true, image) {
        collidable = true;
    }
    void onCollision(Sprite*) override { ++hits; }
    static long hits;
};
long Counting::hits = 0;

// Ships and lasers against asteroids: small and large discs at random places.
struct Scene {
    Disc small{24}, large{64};
    std::vector<std::unique_ptr<Counting>> sprites;
    SpriteEngine first, second;

    Scene(int n, int m, float width, float height) {
        std::mt19937 random(5);
        std::uniform_real_distribution<float> x(0.0f, width), y(0.0f, height);
        for (int i = 0; i < n + m; ++i) {
            sprites.push_back(std::make_unique<Counting>(
                basic_Vector2D<float>(x(random), y(random)), i % 3 ? &small : &large));
            (i < n ? first : second).addBack(sprites.back().get());
        }
    }
};

void perPair(benchmark::State& state, int n, int m) {
    state.counters["per_pair"] = benchmark::Counter(static_cast<double>(n) * m,
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void engineCollisions(benchmark::State& state, float width, float height) {
    int n = static_cast<int>(state.range(0)), m = static_cast<int>(state.range(1));
    Scene scene(n, m, width, height);
    Counting::hits = 0;
    for (auto _ : state)
        scene.first.testCollisions(&scene.second);
    // Both sprites of a pair are told.
    state.counters["collisions"] = Counting::hits / 2.0 / static_cast<double>(state.iterations());
    perPair(state, n, m);
}

void BM_EngineCollisions(benchmark::State& state) {
    engineCollisions(state, 800.0f, 600.0f);
}

void BM_EngineCollisionsCrowded(benchmark::State& state) {
    engineCollisions(state, 200.0f, 200.0f);
}

void BM_PlainLoops(benchmark::State& state) {
    int n = static_cast<int>(state.range(0)), m = static_cast<int>(state.range(1));
    Scene scene(n, m, 800.0f, 600.0f);
    for (auto _ : state)
        for (Sprite* s : scene.first.sprites)
            if (s->collidable)
                for (Sprite* o : scene.second.sprites)
                    if (o->collidable && s->checkCollision(o)) {
                        s->onCollision(o);
                        o->onCollision(s);
                    }
    perPair(state, n, m);
}

std::vector<std::pair<int, int>> const sizes = {{10, 10}, {30, 30}, {100, 100}, {300, 300}};

void arguments(benchmark::internal::Benchmark* b) {
    for (auto const& size : sizes)
        b->Args({size.first, size.second});
}

BENCHMARK(BM_EngineCollisions)->Apply(arguments);
BENCHMARK(BM_PlainLoops)->Apply(arguments);
BENCHMARK(BM_EngineCollisionsCrowded)->Apply(arguments);

} // namespace

int main(int argc, char** argv) {
    std::vector<std::pair<std::string, std::string>> ratios;
    for (auto const& size : sizes) {
        std::string args = "/" + std::to_string(size.first) + "/" + std::to_string(size.second);
        ratios.push_back({"BM_EngineCollisions" + args, "BM_PlainLoops" + args});
    }
    return bench::runWithRatios(argc, argv, ratios);
}
