// GUI descriptions, resolved against the data set's evaluators, images and fonts, then driven
// by focus moves and clicks.
#include "fuzz/fuzz_util.h"

#include "ravek/src/controls.h"
#include "ravek/src/gui/core.h"

#include <SDL/SDL.h>

namespace {

ravek::ResourceManager& manager() {
    static ravek::ResourceManager* banks =
        fuzz::dataSetBanks({"inputEvaluator", "images", "fonts"});
    return *banks;
}

SDL_Event key(SDLKey sym) {
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = sym;
    return event;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    ravek::gui::GUI gui;
    gui.manager = &manager();
    if (!fuzz::readDescription(gui, data, size))
        return 0;
    gui.setActive(true);
    ravek::ControlQueue queue;
    for (SDLKey sym : {SDLK_TAB, SDLK_RIGHT, SDLK_DOWN, SDLK_RETURN, SDLK_LEFT, SDLK_UP, SDLK_a,
                       SDLK_BACKSPACE, SDLK_TAB, SDLK_SPACE}) {
        SDL_Event down = key(sym);
        gui.evaluate(down, &queue);
        down.type = SDL_KEYUP;
        gui.evaluate(down, &queue);
    }
    SDL_Event click = {};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_LEFT;
    gui.evaluate(click, &queue);
    click.type = SDL_MOUSEBUTTONUP;
    gui.evaluate(click, &queue);
    gui.perform(&queue, 500.0f);
    queue.triggers.clear();
    return 0;
}
