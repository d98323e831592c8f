#ifndef RAVEK_TESTS_SDL_EVENTS_H
#define RAVEK_TESTS_SDL_EVENTS_H

// Hand-built SDL events for the tests of everything that evaluates input.
#include <SDL/SDL.h>

#include <cstring>

namespace testutil {

inline SDL_Event blankEvent(Uint8 type) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    return e;
}

inline SDL_Event keyEvent(Uint8 type, SDLKey sym, Uint16 unicode = 0) {
    SDL_Event e = blankEvent(type);
    e.key.keysym.sym = sym;
    e.key.keysym.mod = KMOD_NONE;
    e.key.keysym.unicode = unicode;
    return e;
}

inline SDL_Event keyDown(SDLKey sym, Uint16 unicode = 0) {
    return keyEvent(SDL_KEYDOWN, sym, unicode);
}

inline SDL_Event keyUp(SDLKey sym, Uint16 unicode = 0) {
    return keyEvent(SDL_KEYUP, sym, unicode);
}

inline SDL_Event joyButton(Uint8 type, Uint8 which, Uint8 button) {
    SDL_Event e = blankEvent(type);
    e.jbutton.which = which;
    e.jbutton.button = button;
    return e;
}

inline SDL_Event joyAxis(Uint8 which, Uint8 axis, Sint16 value) {
    SDL_Event e = blankEvent(SDL_JOYAXISMOTION);
    e.jaxis.which = which;
    e.jaxis.axis = axis;
    e.jaxis.value = value;
    return e;
}

// Window coordinates: y counts down from the top.
inline SDL_Event mouseMotion(Uint16 x, Uint16 y, Sint16 xrel = 0, Sint16 yrel = 0) {
    SDL_Event e = blankEvent(SDL_MOUSEMOTION);
    e.motion.x = x;
    e.motion.y = y;
    e.motion.xrel = xrel;
    e.motion.yrel = yrel;
    return e;
}

inline SDL_Event mouseButton(Uint8 type, Uint8 button, Uint16 x = 0, Uint16 y = 0) {
    SDL_Event e = blankEvent(type);
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
    return e;
}

} // namespace testutil

#endif
