// A sprite engine of 150 image sprites of the game's data set (asteroids, foes, lasers,
// containers and ships drawn normally; explosions, extras, crystals and engine flames
// additively, so the engine switches blending for them) in an 800 x 600 window, against the
// bare OpenGL loop drawing the same quads with the same textures. Grouped: each kind in a run,
// as sprites stand in the game's engines, so lasers and other still images share a texture
// with their neighbours; mixed: every kind shuffled among the others, so nearly every sprite
// binds a texture. Each frame is cleared and finished, so rasterising counts on both sides.
// Needs a display (the test command's Xvfb).
#include "ravek/src/debug.h"
#include "ravek/src/gfx/animations.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gfx/sprites.h"
#include "ravek/src/ravek.h"
#include "ravek/src/resources.h"

#include "bench/bare_quads.h"
#include "bench/ratio.h"

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using ravek::basic_Vector2D;
using ravek::sprites::ImageSprite;

float const WIDTH = 800.0f, HEIGHT = 600.0f;

// Only the game's pictures of the data set.
struct GameImages : ravek::ResourceManager {
    ~GameImages() override {
        for (auto& bank : banks)
            delete bank.second;
    }
    ravek::BasicResourceBank* createResourceBank(std::string const& type) override {
        return type == "images" || type == "animations" ? ResourceManager::createResourceBank(type)
                                                        : nullptr;
    }
    template <typename T>
    T* bank(char const* name) {
        auto it = banks.find(name);
        return it == banks.end() ? nullptr : dynamic_cast<T*>(it->second);
    }
};

// How many sprites of a picture the scene has and how they blend; names without an animation
// of that name are still images.
struct Kind {
    char const* name;
    int count;
    ravek::BlendMode blend;
};

Kind const KINDS[] = {
    {"asteroidSmall", 36, 0},   {"asteroidLarge", 18, 0}, {"container_0", 2, 0},
    {"container_1", 2, 0},      {"container_2", 2, 0},    {"foeLeft", 5, 0},
    {"foeRight", 5, 0},         {"laserRayGreen", 20, 0}, {"laserRoundRed", 16, 0},
    {"laserRoundGreen", 10, 0}, {"player1", 1, 1},        {"player2", 1, 1},
    {"engine", 2, 2},           {"explosionFast", 10, 2}, {"explosionSlow", 8, 2},
    {"extraLaserType", 2, 2},   {"extraSpeedup", 2, 2},   {"extraFireRate", 2, 2},
    {"extraShield", 2, 2},      {"crystal", 4, 2}};

struct Scene {
    std::vector<std::unique_ptr<ImageSprite>> sprites;
    ravek::sprites::SpriteEngine engine;
    bench::BareQuads bare;

    // Throws a std::string when the data set lacks a picture.
    Scene(ravek::gfx::ImageBank* images, ravek::gfx::AnimationBank* animations, bool mixed) {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> x(0.0f, WIDTH), y(0.0f, HEIGHT), ms(0.0f, 2000.0f);
        for (Kind const& kind : KINDS)
            for (int i = 0; i < kind.count; ++i) {
                auto sprite = std::make_unique<ImageSprite>(
                    basic_Vector2D<float>(x(random), y(random)), true, nullptr);
                auto animation = animations->resources.find(kind.name);
                auto image = images->resources.find(kind.name);
                if (animation != animations->resources.end()) {
                    sprite->setAnimation(animation->second, 1.0f);
                    sprite->perform(ms(random));
                } else if (image != images->resources.end()) {
                    sprite->setImage(image->second);
                } else {
                    throw std::string("no picture ") + kind.name;
                }
                sprite->blendMode = kind.blend;
                sprites.push_back(std::move(sprite));
            }
        if (mixed)
            std::shuffle(sprites.begin(), sprites.end(), random);
        for (auto& sprite : sprites)
            engine.addBack(sprite.get());
        bare.addSprites(engine);
        if (bare.quads.size() != sprites.size())
            throw std::string("a sprite of the scene shows nothing");
    }
};

std::unique_ptr<Scene> grouped, mixed;

void frame(benchmark::State& state, std::function<void()> const& draw) {
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        draw();
        glFinish();
    }
}

void BM_EngineGrouped(benchmark::State& state) {
    frame(state, [] { grouped->engine.draw(); });
}
BENCHMARK(BM_EngineGrouped)->Unit(benchmark::kMicrosecond);

void BM_BareGrouped(benchmark::State& state) {
    frame(state, [] { grouped->bare.draw(); });
}
BENCHMARK(BM_BareGrouped)->Unit(benchmark::kMicrosecond);

void BM_EngineMixed(benchmark::State& state) {
    frame(state, [] { mixed->engine.draw(); });
}
BENCHMARK(BM_EngineMixed)->Unit(benchmark::kMicrosecond);

void BM_BareMixed(benchmark::State& state) {
    frame(state, [] { mixed->bare.draw(); });
}
BENCHMARK(BM_BareMixed)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    // Mesa's software renderer allocates and frees large blocks every frame; with glibc's
    // adaptive trimming, whether the heap is given back and faulted in again each frame
    // depends on the process's allocation history and can slow every draw after it by half,
    // whichever side happens to run then. A fixed threshold keeps that out of the comparison.
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s\n", SDL_GetError());
        return 1;
    }
    // The banks this benchmark leaves out are skipped with a warning.
    ravek::debug::setGroup(ravek::dbgResources, "ravek:resources", ravek::debug::LEVEL_ERROR);
    GameImages data;
    try {
        ravek::setResolution(static_cast<int>(WIDTH), static_cast<int>(HEIGHT), 32, false, 0, 0);
        data.load(QUELLON_SOURCE_DIR "/resources/resources.xml", "");
        auto* images = data.bank<ravek::gfx::ImageBank>("imagesGame");
        auto* animations = data.bank<ravek::gfx::AnimationBank>("animationsGame");
        if (!images || !animations)
            throw std::string("no imagesGame or animationsGame in the data set");
        images->refresh(nullptr);
        grouped = std::make_unique<Scene>(images, animations, false);
        mixed = std::make_unique<Scene>(images, animations, true);
    } catch (std::string const& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return 1;
    }
    ravek::RenderContext2D context(basic_Vector2D<float>(WIDTH, HEIGHT));
    context.blending = true;
    context.apply();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    // The driver compiles its drawing code on first use; keep that out of the first benchmark.
    grouped->engine.draw();
    grouped->bare.draw();
    glFinish();
    int status = bench::runWithRatios(
        argc, argv, {{"BM_EngineGrouped", "BM_BareGrouped"}, {"BM_EngineMixed", "BM_BareMixed"}});
    // Sprites before the animations they play, which go with the banks.
    grouped.reset();
    mixed.reset();
    // SDL stays up: shutting it down unloads the OpenGL driver before the leak check.
    return status;
}
