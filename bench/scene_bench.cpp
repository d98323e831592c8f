// A busy frame of the game as a good player meets it at stage 10 with two players: about 150
// sprites over the six engines (asteroids large and small with containers and explosions, both
// ships with flames and shields, volleys of every player laser, extras and crystals, two foes
// with their shots and wrecks), the starfield, both HUDs and both scores. The program starts as
// the game does (the real start-up sequence, its window of 800 x 600, the background loading),
// and the game is started from the title menu. One frame is the main loop's: the held fire of
// both players, the queued events, perform and draw with the buffer flip. The scene is built
// again before every frame (untimed) from a seeded random generator, so every frame timed is
// the same: its perform meets the same collisions, and it draws the same sprites.
// Baseline: a bare OpenGL loop clearing, drawing the same stars and the same textured quads
// as that frame (sprites, HUD pictures and score glyphs with their textures, colours and
// blending, one glBegin per quad) and flipping the buffers.
// Unless repetitions are asked for, the frames are measured in repetitions run in random order
// and their medians compared, since other programs on the machine slow the software renderer's
// threads by turns.
// Also the resident memory: in the busy scene, against startup_bare having read the same files
// and drawn the same frame as often; and over ten games played in a row from the title menu to
// the game-over page, with the heap in use after each. Needs a display (the test command's
// Xvfb).
#include "quellon/src/game.h"
#include "quellon/src/gameover.h"
#include "quellon/src/menu.h"
#include "quellon/src/player.h"
#include "quellon/src/quellon.h"
#include "quellon/src/resources.h"
#include "quellon/src/sprites.h"
#include "quellon/src/tuning.h"

#include "ravek/src/controls.h"
#include "ravek/src/gfx/animations.h"
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gfx/sprites.h"
#include "ravek/src/gfx/starfield.h"
#include "ravek/src/gui/text.h"
#include "ravek/src/xml.h"

#include "bench/bare_quads.h"
#include "bench/data_files.h"
#include "bench/game_dir.h"
#include "bench/process_stats.h"
#include "bench/programs.h"
#include "bench/ratio.h"

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using ravek::basic_Vector2D;
using ravek::sprites::SpriteEngine;
using namespace quellon;

// Removed at exit, after the game's shut-down has saved its settings there.
std::unique_ptr<bench::GameDir> workDir;

unsigned const SEED = 10;
unsigned const FRAME_MS = 10;
int const GAMES = 10;
// Frames of play in each of the ten games before both ships are wrecked.
int const PLAY_FRAMES = 300;
// Frames of the busy scene before its resident memory is read (startup_bare draws as many).
int const SCENE_FRAMES = 100;

// The game's engines in the order it draws them.
std::array<SpriteEngine*, 6> drawOrder(Game* g) {
    return {&g->extras, &g->playerLasers, &g->foeLasers, &g->ships, &g->foes, &g->asteroids};
}

// Shows the animation at a random point of its first `ms` milliseconds.
void advance(ravek::sprites::ImageSprite* sprite, float ms) {
    sprite->ImageSprite::perform(ravek::random(ms));
}

basic_Vector2D<float> anywhere(float bottom, float top) {
    return {ravek::random(20.0f, 780.0f), ravek::random(bottom, top)};
}

// A ship at full strength and its volleys in flight.
void equip(Player* p, float x, unsigned score) {
    p->laserType = static_cast<short>(specs.maxLaserType);
    p->setFireRateCount(specs.maxFireRate);
    p->setSpeedupCount(3);
    p->timeWarps = specs.maxTimeWarps;
    p->shieldEnergy = p->shownShield = specs.maxShield;
    p->setShield(true);
    p->shield->visible = true;
    p->shield->color.alpha = 1.0f;
    p->score = score;
    p->nextContainerScore = (score / 5000 + 1) * 5000;
    p->updateHud(false);
    p->position = basic_Vector2D<float>(x, 130.0f);
    p->engineFlame->position = p->shield->position = p->position;
    // Volleys in flight: the ship fires each from where it now is.
    for (int volley = 3; volley >= 0; --volley) {
        p->position.y = 190.0f + 110.0f * static_cast<float>(volley);
        p->reload = p->sideReload = 0.0f;
        p->fire();
    }
    p->position.y = 130.0f;
}

// The busy scene in the current game: ships 6, player lasers 48, foe lasers 20, asteroids 56,
// containers 2, explosions 12, foes 2, extras 6.
void populate() {
    Game* g = game;
    g->initLevel(10);
    equip(g->player[0], 560.0f, 48350);
    equip(g->player[1], 240.0f, 51200);
    short stage = static_cast<short>(g->stage);
    for (int i = 0; i < 56; ++i) {
        bool large = i % 7 < 2;
        int energy = ravek::random(1.0f) < specs.getChanceAsteroidEnergy(stage)
                         ? ravek::random_int(specs.getMaxAsteroidEnergy(stage))
                         : 0;
        auto* a = new Asteroid(large ? asteroidLarge : asteroidSmall, energy, true);
        a->position = anywhere(200.0f, 640.0f);
        a->velocity = specs.getAsteroidVelocity(g->scrollSpeed);
        advance(a, 3000.0f);
        g->asteroids.addFront(a);
    }
    for (int i = 0; i < 2; ++i) {
        auto* c = new Container();
        c->position = anywhere(300.0f, 600.0f);
        advance(c, 2000.0f);
        g->asteroids.addFront(c);
    }
    for (int i = 0; i < 10; ++i) {
        auto* e = new ExplosionSprite(resources->explosionFast, false);
        e->position = anywhere(150.0f, 600.0f);
        e->velocity = basic_Vector2D<float>(0.0f, -g->scrollSpeed);
        advance(e, 300.0f);
        g->asteroids.addBack(e);
    }
    g->spawnFoe(-1);
    g->spawnFoe(1);
    for (int side = 0; side < 2; ++side) {
        Foe* foe = g->foeSlot[side];
        foe->position.y = 420.0f - 60.0f * static_cast<float>(side);
        float direction = side == 1 ? -1.0f : 1.0f;
        for (int i = 0; i < 10; ++i) {
            auto* shot = new Laser(resources->laserRoundRed, foe, specs.getFoeLaserTtl(stage),
                                   specs.foeLaserFade);
            float out = 40.0f * static_cast<float>(i + 1);
            shot->position = basic_Vector2D<float>(foe->position.x + direction * out,
                                                   foe->position.y - 0.3f * out);
            shot->velocity = basic_Vector2D<float>(direction * specs.foeLaserSpeedX,
                                                   -0.3f * specs.foeLaserSpeedY);
            g->foeLasers.addFront(shot);
        }
        auto* wreck = new ExplosionSprite(resources->explosionSlow, true);
        wreck->position = anywhere(250.0f, 550.0f);
        advance(wreck, 800.0f);
        g->foes.addBack(wreck);
    }
    for (int type = extraLaserType; type <= extraScore; ++type) {
        auto* extra = new Extra(static_cast<ExtraType>(type), anywhere(250.0f, 600.0f));
        advance(extra, 1000.0f);
        g->extras.addFront(extra);
    }
}

ravek::Trigger* triggerOf(ravek::InputEvaluator* evaluator, char const* name) {
    auto found = evaluator->resources.find(name);
    return found == evaluator->resources.end() ? nullptr : found->second;
}

// Both players hold fire, as the control queue hands the held trigger over every frame.
void holdFire() {
    for (ravek::InputEvaluator* evaluator : game->evaluators)
        if (ravek::Trigger* fire = evaluator ? triggerOf(evaluator, "fire") : nullptr)
            game->handleEvent(fire);
}

void frame() {
    holdFire();
    ravek::application->perform(FRAME_MS);
}

int visibleSprites() {
    int n = 0;
    for (SpriteEngine* engine : drawOrder(game))
        for (ravek::sprites::Sprite* s : engine->sprites)
            if (s->visible)
                ++n;
    return n;
}

// A trigger handed to the current state as the main loop hands it.
void send(int code) {
    ravek::Trigger t(nullptr, code, "bench", "bench", ravek::KS_DOWN);
    t.value = 1.0f;
    ravek::application->currentState->handleEvent(&t);
}

void startGame() {
    send(102); // multiplayer, from the title menu
    std::srand(SEED);
    populate();
}

void rebuild() {
    std::srand(SEED);
    game->restart();
    populate();
}

// The quads the game draws this frame, collected for the bare loop.
struct Bare {
    bench::BareQuads quads;
    std::vector<float> stars;
    std::vector<ravek::particles::StarClass> classes;
    std::map<char, ravek::fonts::BitmapFontCharacterData> glyphs;
    ravek::fonts::BitmapFont* font = nullptr;
    int spriteQuads = 0;

    // Throws a std::string when the font's description cannot be read.
    void collect() {
        for (SpriteEngine* engine : drawOrder(game))
            quads.addSprites(*engine);
        spriteQuads = static_cast<int>(quads.quads.size());
        readFont();
        text(red, 770.0f, 450.0f, ravek::JustificationHorizontal::right, game->player[0]->score);
        text(blue, 30.0f, 450.0f, ravek::JustificationHorizontal::left, game->player[1]->score);
        hud(game->player[0], specs.hudPosition);
        hud(game->player[1], basic_Vector2D<float>(60.0f, 540.0f));
        ravek::particles::Starfield* field = resources->starfield;
        stars.assign(field->stars.begin(), field->stars.begin() + 2 * field->total);
        classes = field->classes;
    }

    // The glyphs as the font's display lists draw them.
    void readFont() {
        font = dynamic_cast<ravek::fonts::BitmapFont*>(resources->fontStandard);
        if (!font)
            throw std::string("the standard font is no bitmap font");
        std::unique_ptr<ravek::xml::Node> root(ravek::xml::loadXML(font->dir + "bitmapfont.xml"));
        if (!root)
            throw std::string("cannot read the standard font");
        glyphs = font->readCharacters(
            root.get(), font->dir, static_cast<std::uint8_t>(root->getAttributeLong("width", 0)),
            static_cast<std::uint16_t>(root->getAttributeLong("hPadding", 0)),
            static_cast<std::uint16_t>(root->getAttributeLong("vPadding", 0)));
    }

    void text(ravek::Color const& color, float x, float y, ravek::JustificationHorizontal h,
              unsigned value) {
        char line[32];
        std::snprintf(line, sizeof line, "%5d", static_cast<int>(value));
        float pen = x + static_cast<float>(ravek::fonts::justifiedOffset(h, font->getWidth(line)));
        for (char const* c = line; *c; ++c) {
            auto found = glyphs.find(*c);
            if (found == glyphs.end())
                continue;
            ravek::fonts::BitmapFontCharacterData const& glyph = found->second;
            if (glyph.image) {
                ravek::gfx::SingleTextureImage const* image = glyph.image;
                ravek::gfx::TexturedQuad q = ravek::fonts::glyphQuad(
                    glyph, static_cast<float>(image->width), static_cast<float>(image->height),
                    image->getTexCoordRect().width, image->getTexCoordRect().height);
                q.left += pen;
                q.right += pen;
                q.bottom += y;
                q.top += y;
                quads.quads.push_back({image->texture, true, color, q});
            }
            pen += static_cast<float>(glyph.width + font->spacing);
        }
    }

    void picture(ravek::gfx::Image* image, basic_Vector2D<float> at, ravek::Color const& color) {
        if (image)
            quads.addImage(image, {at.x, at.y - static_cast<float>(image->height)}, color, true);
    }

    // As Game::drawHud draws it.
    void hud(Player* p, basic_Vector2D<float> at) {
        picture(resources->hudFull, at, specs.hudBackground);
        auto const* bar = bench::BareQuads::textureImage(resources->hudShield);
        float height =
            std::trunc(p->shownShield / specs.maxShield * static_cast<float>(bar->height));
        float top = at.y + bar->hotspot.y;
        ravek::gfx::tileQuads(
            ravek::basic_Rect<float>(at.x - bar->hotspot.x, top - height,
                                     static_cast<float>(bar->width), height),
            static_cast<float>(bar->width), static_cast<float>(bar->height), bar->textureWidth,
            bar->textureHeight, bar->getRightTexCoord(), bar->getLowerTexCoord(),
            [&](ravek::gfx::TexturedQuad const& q) {
                quads.quads.push_back({bar->texture, true, specs.hudForeground, q});
            });
        if (p->speedups > 0)
            picture(resources->hudSpeed[p->speedups - 1], at, specs.hudForeground);
        picture(resources->hudFire[p->laserType][p->fireRate], at, specs.hudForeground);
        if (p->timeWarps > 0)
            picture(resources->hudTimewarp[p->timeWarps - 1], at, specs.hudForeground);
    }

    // The scene for startup_bare: its stars and quads, each quad with its picture's file.
    void write(std::ostream& out) const {
        std::map<unsigned, std::string> files;
        auto note = [&files](ravek::gfx::ImageBank* bank) {
            for (auto const& entry : bank->resources)
                if (auto* image = dynamic_cast<ravek::gfx::SingleTextureImage*>(entry.second))
                    files[image->texture] = image->filename;
        };
        note(resources->imagesGame);
        note(resources->imagesHud);
        note(font->imageBank.get());
        size_t star = 0;
        for (ravek::particles::StarClass const& c : classes)
            for (int i = 0; i < c.count; ++i, ++star)
                out << "point " << stars[2 * star] << " " << stars[2 * star + 1] << " "
                    << c.color.red << " " << c.color.green << " " << c.color.blue << "\n";
        for (bench::BareQuad const& q : quads.quads) {
            auto file = files.find(q.texture);
            if (file == files.end())
                throw std::string("a quad shows a picture of no bank");
            out << "quad " << file->second << " " << q.additive << " " << q.color.red << " "
                << q.color.green << " " << q.color.blue << " " << q.color.alpha << " "
                << q.quad.left << " " << q.quad.bottom << " " << q.quad.right << " " << q.quad.top
                << " " << q.quad.sLeft << " " << q.quad.sRight << " " << q.quad.tTop << " "
                << q.quad.tBottom << "\n";
        }
    }

    void draw() const {
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, stars.data());
        GLint first = 0;
        for (ravek::particles::StarClass const& c : classes) {
            glColor4f(c.color.red, c.color.green, c.color.blue, c.color.alpha);
            glDrawArrays(GL_POINTS, first, c.count);
            first += c.count;
        }
        glDisableClientState(GL_VERTEX_ARRAY);
        quads.draw();
    }
};

Bare bare;

void BM_GameFrame(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        rebuild();
        state.ResumeTiming();
        frame();
    }
    state.counters["sprites"] = visibleSprites();
    state.counters["rss_MiB"] = bench::residentMiB();
}
BENCHMARK(BM_GameFrame)->Unit(benchmark::kMicrosecond);

// The draw layers alone (starfield, engines, texts, GUI and flip) of that frame.
void BM_GameDraw(benchmark::State& state) {
    rebuild();
    frame();
    for (auto _ : state)
        ravek::application->currentState->draw();
    state.counters["sprites"] = visibleSprites();
}
BENCHMARK(BM_GameDraw)->Unit(benchmark::kMicrosecond);

void BM_BareFrame(benchmark::State& state) {
    resources->renderContext.apply();
    ravek::resetCursor();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        bare.draw();
        SDL_GL_SwapBuffers();
    }
    state.counters["sprites"] = bare.spriteQuads;
    state.counters["quads"] = static_cast<double>(bare.quads.quads.size());
}
BENCHMARK(BM_BareFrame)->Unit(benchmark::kMicrosecond);

// The game's hub banks, as the list of the data set's files reads them.
struct HubBanks {
    template <typename T>
    T* bank(char const* name) {
        auto it = resources->banks.find(name);
        T* found = it == resources->banks.end() ? nullptr : dynamic_cast<T*>(it->second);
        if (!found)
            throw std::string("no bank ") + name + " in the hub";
        return found;
    }
};

// The files the game has read and the busy scene, for startup_bare.
void writeScene() {
    HubBanks hub;
    std::ofstream files(workDir->path + "/files.txt");
    bench::writeFileList(files, "resources/images_gui/icon.png", hub);
    std::ofstream scene(workDir->path + "/scene.txt");
    bare.write(scene);
    if (!files.flush() || !scene.flush())
        throw std::string("cannot write the scene for startup_bare");
}

// The resident memory of this process after SCENE_FRAMES frames of the busy scene, against
// startup_bare that has read the same files and drawn the same frame as often.
void BM_SceneResident(benchmark::State& state) {
    for (auto _ : state) {
        for (int i = 0; i < SCENE_FRAMES; ++i) {
            rebuild();
            frame();
        }
        double game = bench::residentMiB();
        double started = 0.0;
        bench::Figures bareRun = bench::runProgram(
            {STARTUP_BARE, "scene", workDir->path + "/files.txt", workDir->path + "/scene.txt"},
            workDir->path, &started);
        state.counters["game_MiB"] = game;
        state.counters["bare_MiB"] = bareRun["rss_MiB"];
        state.counters["ratio"] = game / bareRun["rss_MiB"];
    }
}
BENCHMARK(BM_SceneResident)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

// The heap in use (MiB), 0 where an allocator of a sanitizer keeps no such count.
double heapMiB() {
    struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// One game from the title menu: the busy scene, PLAY_FRAMES frames of held fire, both ships
// wrecked, the names entered and the game-over page left for the menu.
void playGame(int index) {
    startGame();
    for (int i = 0; i < PLAY_FRAMES; ++i)
        frame();
    for (Player* p : game->player)
        if (p)
            p->explode();
    for (int i = 0; game && i < 2000; ++i) {
        if (game->phase == phaseNameEntry) {
            resources->tfEnterName->setCaption("Bench " + std::to_string(index));
            send(2);
        } else if (game->phase == phaseGameOver) {
            send(1);
        }
        ravek::application->perform(FRAME_MS);
    }
    if (game)
        throw std::string("a game did not end");
    for (int i = 0; i < 10; ++i)
        ravek::application->perform(FRAME_MS);
}

void BM_TenGames(benchmark::State& state) {
    // The scene's game goes first; the menu comes back.
    delete game;
    std::vector<double> rss, heap;
    for (auto _ : state) {
        for (int i = 0; i < GAMES; ++i) {
            playGame(i);
            rss.push_back(bench::residentMiB());
            heap.push_back(heapMiB());
        }
    }
    state.counters["rss_first_MiB"] = rss.front();
    state.counters["rss_last_MiB"] = rss.back();
    state.counters["heap_first_MiB"] = heap.front();
    state.counters["heap_second_MiB"] = heap[1];
    state.counters["heap_last_MiB"] = heap.back();
    // The frame benchmarks may come after this one.
    startGame();
}
BENCHMARK(BM_TenGames)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

// The command line with repetitions in random order, medians only, unless it sets repetitions.
std::vector<char*> withRepetitions(int argc, char** argv) {
    static char repetitions[] = "--benchmark_repetitions=9";
    static char interleaving[] = "--benchmark_enable_random_interleaving=true";
    static char aggregates[] = "--benchmark_report_aggregates_only=true";
    std::vector<char*> args(argv, argv + argc);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0)
            return args;
    args.insert(args.end(), {repetitions, interleaving, aggregates});
    return args;
}

} // namespace

int main(int argc, char** argv) {
    try {
        workDir = std::make_unique<bench::GameDir>();
        if (chdir(workDir->path.c_str()) != 0)
            throw "cannot enter " + workDir->path;
        new Quellon;
        while (!resources->imagesLoaded)
            ravek::application->perform(FRAME_MS);
        startGame();
        // The driver compiles its drawing code on first use.
        frame();
        rebuild();
        frame();
        bare.collect();
        writeScene();
        bare.draw();
        std::vector<char*> args = withRepetitions(argc, argv);
        bench::runWithRatios(static_cast<int>(args.size()), args.data(),
                             {{"BM_GameFrame", "BM_BareFrame"}, {"BM_GameDraw", "BM_BareFrame"}});
    } catch (std::string const& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return 1;
    }
    // The game's own shut-down, which ends the process.
    delete ravek::application;
    return 0;
}
