#ifndef QUELLON_TESTS_HUB_UTIL_H
#define QUELLON_TESTS_HUB_UTIL_H

// The game's tests start the engine, the audio device (OpenAL's null output) and the resource
// hub the way the program does, from the committed data set, in a working directory of their
// own so that the files the game writes never land in the repository.
#include "quellon/src/resources.h"

#include "ravek/src/audio/core.h"
#include "ravek/src/controls.h"
#include "ravek/src/framework.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/ravek.h"

#include "ravek/tests/test_util.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <string>

#include <unistd.h>

namespace qtest {

std::string const DATA = QUELLON_SOURCE_DIR "/resources";

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

// Hands the queued triggers to the state as the main loop does, after the events pushed into
// SDL's queue have been offered to the evaluators.
inline void handleEvents(ravek::ApplicationState* state) {
    ravek::application->currentState = state;
    ravek::application->handleEvents(&ravek::queue);
}

// A key goes down and up again, with the character SDL gives keys below 128.
inline void press(SDLKey key) {
    Uint16 unicode = key < 128 ? static_cast<Uint16>(key) : 0;
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    e.key.keysym.unicode = unicode;
    SDL_PushEvent(&e);
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    SDL_PushEvent(&e);
}

} // namespace qtest

#endif
