#ifndef QUELLON_TESTS_HUB_UTIL_H
#define QUELLON_TESTS_HUB_UTIL_H

// The game's tests start the engine, the audio device (OpenAL's null output) and the resource
// hub the way the program does, from the committed data set, in a working directory of their
// own so that the files the game writes never land in the repository; and run real games on it.
#include "quellon/src/game.h"
#include "quellon/src/gamestate.h"
#include "quellon/src/resources.h"

#include "ravek/src/audio/core.h"
#include "ravek/src/controls.h"
#include "ravek/src/framework.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/ravek.h"

#include "ravek/tests/sdl_events.h"
#include "ravek/tests/test_util.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include <unistd.h>

namespace qtest {

using ravek::basic_Vector2D;

std::string const DATA = QUELLON_SOURCE_DIR "/resources";

// The text holds the part; a failure shows the whole text.
inline testing::AssertionResult has(std::string const& text, std::string const& part) {
    if (text.find(part) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

// The evaluator's trigger of that name, or null.
inline ravek::Trigger* trigger(ravek::InputEvaluator* e, char const* name) {
    auto it = e->resources.find(name);
    return it == e->resources.end() ? nullptr : it->second;
}

// A fresh working directory whose "resources" links to a data set (the committed one unless
// given); the old working directory comes back with its end.
class WorkDir {
public:
    explicit WorkDir(std::string const& data = DATA) {
        char buffer[4096];
        old = getcwd(buffer, sizeof buffer) ? buffer : "/";
        if (symlink(data.c_str(), dir.file("resources").c_str()) != 0 ||
            chdir(dir.path.c_str()) != 0)
            ADD_FAILURE() << "cannot set up " << dir.path;
    }
    ~WorkDir() {
        if (chdir(old.c_str()) != 0)
            ADD_FAILURE() << "cannot return to " << old;
    }
    std::string file(std::string const& name) const { return dir.file(name); }
    std::string write(std::string const& name, std::string const& text) const {
        return dir.write(name, text);
    }
    std::string read(std::string const& name) const { return testutil::readFile(file(name)); }

    testutil::TempDir dir;
    std::string old;
};

// The engine and the audio device, started once per test process, and the application object
// the hub sets its frame times on (it stays for the rest of the process: deleting it ends it).
inline void startEngine() {
    static bool started = false;
    if (started)
        return;
    started = true;
    ravek::init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK, false);
    ravek::audio::init("", 44100);
    auto* app = new ravek::FrameRateLimitedApplication;
    app->minFrameTime = 10;
}

inline ravek::FrameRateLimitedApplication* application() {
    return static_cast<ravek::FrameRateLimitedApplication*>(ravek::application);
}

// Runs the background image loader to its end, as the frames would.
inline void finishLoading() {
    while (quellon::resources->imageLoader)
        ravek::perform(SDL_GetTicks() + 1000);
}

// The resource hub of a started game: built, in a window of the given size, set up and (unless
// asked not to) with the game's images loaded. Deleting it deletes the hub.
class Hub {
public:
    explicit Hub(int width = 800, int height = 600, bool loadImages = true) {
        startEngine();
        quellon::resources = new quellon::Resources;
        quellon::resources->setResolution(width, height, 32, false);
        quellon::resources->init();
        if (loadImages)
            finishLoading();
    }
    ~Hub() {
        delete quellon::resources;
        quellon::resources = nullptr;
        ravek::currentRenderContext = nullptr;
    }
    quellon::Resources* operator->() const { return quellon::resources; }
};

// Offers the events pushed into SDL's queue to the evaluators and hands the triggers to the
// state, as the main loop does.
inline void handleEvents(ravek::ApplicationState* state) {
    ravek::application->currentState = state;
    ravek::application->handleEvents(&ravek::queue);
}

// A key goes down and up again, with the character SDL gives keys below 128.
inline void press(SDLKey key) {
    Uint16 unicode = key < 128 ? static_cast<Uint16>(key) : 0;
    SDL_Event down = testutil::keyDown(key, unicode), up = testutil::keyUp(key, unicode);
    down.key.state = SDL_PRESSED;
    up.key.state = SDL_RELEASED;
    SDL_PushEvent(&down);
    SDL_PushEvent(&up);
}

// The pointer moves to a point of the window (y down).
inline void point(Uint16 x, Uint16 y) {
    SDL_Event motion = testutil::mouseMotion(x, y);
    SDL_PushEvent(&motion);
}

// The left button goes down, or up, at a point of the window, with no motion before.
inline void button(bool down, Uint16 x, Uint16 y) {
    SDL_Event e = testutil::mouseButton(down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP,
                                        SDL_BUTTON_LEFT, x, y);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&e);
}

// The left button goes down and up at a point of the window.
inline void click(Uint16 x, Uint16 y) {
    button(true, x, y);
    button(false, x, y);
}

// A hub in a working directory of its own, built by `start` once the test has put its files
// there; no state is current after it.
class HubTest : public ::testing::Test {
protected:
    WorkDir dir;
    std::unique_ptr<Hub> hub;

    ~HubTest() override { ravek::application->currentState = nullptr; }
    void start(bool loadImages = true) { hub = std::make_unique<Hub>(800, 600, loadImages); }
};

// A real game on the hub, run with fixed frame lengths and a seeded random generator. The tests
// place the sprites a scenario needs by hand and look at the game's fields.
class GameTest : public ::testing::Test {
protected:
    WorkDir dir;
    Hub hub;
    quellon::Game* game = nullptr;

    ~GameTest() override { delete game; }

    // A new game of the type whose asteroid spawner is held back, so that a test sees only
    // what it places itself.
    void start(quellon::GameType type, unsigned seed = 1) {
        delete game;
        std::srand(seed);
        game = new quellon::Game(type);
        game->asteroidInterval = UINT_MAX / 2;
    }

    // Frames of `ms` milliseconds, every layer as the main loop runs them.
    void frames(int count, unsigned ms = 10) {
        for (; count > 0; --count)
            for (int layer = 0; layer < 3; ++layer)
                game->doPerform(layer, ms);
    }

    quellon::Player* ship(int i = 0) const { return game->player[i]; }

    quellon::Asteroid* asteroid(quellon::AsteroidType type, int energy, basic_Vector2D<float> at,
                                bool counted = true) {
        auto* a = new quellon::Asteroid(type, energy, counted);
        a->position = at;
        game->asteroids.addFront(a);
        return a;
    }

    // A shot of `owner` at `at`: a player's goes to the player lasers, any other to the foes'.
    quellon::Laser* laser(quellon::QuellonSprite* owner, basic_Vector2D<float> at,
                          float timeToLive = -1.0f) {
        bool ofPlayer = game->isPlayer(owner);
        auto* l = new quellon::Laser(ofPlayer ? quellon::resources->laserRayGreen
                                              : quellon::resources->laserRoundRed,
                                     owner, timeToLive, ofPlayer ? 0.0f : 0.005f);
        l->position = at;
        (ofPlayer ? game->playerLasers : game->foeLasers).addFront(l);
        return l;
    }

    // The trigger handed to the game as the main loop hands it.
    void trigger(int code, int data = 0) {
        ravek::Trigger t(nullptr, code, "test", "test", ravek::KS_DOWN);
        t.data = data;
        t.value = 1.0f;
        game->handleEvent(&t);
    }

    void clear(ravek::sprites::SpriteEngine& engine) {
        for (auto* s : engine.sprites)
            static_cast<quellon::QuellonSprite*>(s)->deleteMe();
    }

    template <typename T>
    int count(ravek::sprites::SpriteEngine const& engine) const {
        int n = 0;
        for (auto* s : engine.sprites)
            if (dynamic_cast<T*>(s) && !static_cast<quellon::QuellonSprite*>(s)->deleted)
                ++n;
        return n;
    }
};

} // namespace qtest

#endif
