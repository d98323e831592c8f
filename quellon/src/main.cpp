// The program: the game's application runs until no state is current, then shuts down.
#include "quellon/src/quellon.h"
#include "quellon/src/resources.h"

#include "ravek/src/debug.h"

#include <iostream>
#include <string>

int main(int, char**) {
    try {
        new quellon::Quellon;
        ravek::application->run();
    } catch (std::string const& message) {
        // Thrown out of the main loop: reported, then the same orderly shut-down with the
        // settings saved, ending with status 1.
        std::cerr << message << std::endl;
        ravek::debug::error(quellon::dbgGameCore, "%s", message.c_str());
        quellon::setExitStatus(1);
    }
    delete ravek::application;
    return 0;
}
