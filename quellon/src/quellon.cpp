#include "quellon/src/quellon.h"

#include "quellon/src/buildinfo.h"
#include "quellon/src/game.h"
#include "quellon/src/menu.h"
#include "quellon/src/resources.h"
#include "quellon/src/tuning.h"

#include "ravek/src/audio/core.h"
#include "ravek/src/debug.h"
#include "ravek/src/ravek.h"

#include <SDL/SDL.h>

namespace quellon {

namespace {

int exitStatus = 0;

// The destructor's work, also done when the start-up fails: a half-built application is never
// deleted. Ends the process.
[[noreturn]] void shutDown(int status) {
    if (game) {
        delete game;
        game = nullptr;
    }
    if (menu) {
        delete menu;
        menu = nullptr;
    }
    if (resources) {
        resources->saveSettings();
        delete resources;
        resources = nullptr;
    }
    if (ravek::audio::context)
        ravek::audio::cleanUp();
    ravek::debug::debug(dbgGameCore, "Quitting Ravek.");
    ravek::quit(status);
}

[[noreturn]] void failedStart(char const* format, std::string const& message) {
    ravek::debug::critical(dbgGameCore, format, message.c_str());
    shutDown(1);
}

void setScreen() {
    Settings& settings = resources->settings;
    try {
        resources->setResolution(settings.xRes, settings.yRes, 32, settings.fullscreen);
        return;
    } catch (std::string const& message) {
        // The same settings would fail every start: a window of the default size is kept
        // instead.
        ravek::debug::warning(dbgGameCore,
                              "Could not set the video mode %dx%d%s (%s); trying 800x600 in a "
                              "window.",
                              settings.xRes, settings.yRes,
                              settings.fullscreen ? " in full screen" : "", message.c_str());
    }
    settings.xRes = 800;
    settings.yRes = 600;
    settings.fullscreen = false;
    try {
        resources->setResolution(settings.xRes, settings.yRes, 32, settings.fullscreen);
    } catch (std::string const& message) {
        failedStart("InitScreen() failed: %s\n", message);
    }
}

} // namespace

void setExitStatus(int status) {
    exitStatus = status;
}

Quellon::Quellon() {
    game = nullptr;
    resources = nullptr;
    maxFrameTime = static_cast<unsigned>(specs.maxFrameTime);
    minFrameTime = static_cast<unsigned>(specs.minFrameTime - specs.frameCorrection);
    ravek::debug::setGroup(dbgGameCore, "quellon:core", ravek::debug::LEVEL_DEBUG);
    ravek::debug::setGroup(dbgGame, "quellon:game", ravek::debug::LEVEL_DEBUG);
    ravek::debug::setGroup(dbgResources, "quellon:resources", ravek::debug::LEVEL_DEBUG);
    ravek::debug::info(dbgGameCore, "Quellon version %s.", getFullVersion().c_str());

    try {
        ravek::init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK, true);
    } catch (std::string const& message) {
        failedStart("Init() failed: %s\n", message);
    }
    ravek::randomize();
    try {
        resources = new Resources;
    } catch (std::string const& message) {
        failedStart("Could not load resources: %s\n", message);
    }
    try {
        ravek::audio::init("", 44100);
    } catch (std::string const& message) {
        failedStart("Could not intialize ravek:audio: %s\n", message);
    }
    setScreen();
    ravek::setWindowCaption("Quellon");
    ravek::setWindowIcon(
        (dirManager.getSubDir(ravek::SYSDIR_DATA, "", false) + "images_gui/icon.png").c_str());
    ravek::showCursor(false);
    try {
        resources->init();
    } catch (std::string const& message) {
        ravek::debug::error(dbgGameCore, "Could not initialize resources: %s", message.c_str());
        ravek::quit(1);
    }
    menu = new Menu;
    menu->activate();
    controlQueue = resources->controlQueue;
}

Quellon::~Quellon() {
    shutDown(exitStatus);
}

} // namespace quellon
