#ifndef QUELLON_QUELLON_H
#define QUELLON_QUELLON_H

#include "ravek/src/framework.h"

namespace quellon {

// The game's application: its constructor is the start-up sequence (engine, resource hub,
// audio, window, the rest of the hub's set-up, the title menu), its destructor the orderly
// shut-down (states, settings, hub, engine), which ends the process. A failed start-up step is
// logged as critical and ends the process with status 1 after saving the settings when the hub
// exists.
class Quellon : public ravek::FrameRateLimitedApplication {
public:
    Quellon();
    ~Quellon() override;
};

} // namespace quellon

#endif
