#ifndef QUELLON_QUELLON_H
#define QUELLON_QUELLON_H

#include "ravek/src/framework.h"

namespace quellon {

// The game's application: its constructor is the start-up sequence (engine, resource hub,
// audio, window, the rest of the hub's set-up, the title menu), its destructor the orderly
// shut-down (states, settings, hub, engine), which ends the process. A failed start-up step is
// logged and ends the process with status 1, saving the settings when the hub exists and its
// set-up was not what failed. A video mode from the settings that cannot be set is replaced by
// 800 x 600 in a window before start-up gives up.
class Quellon : public ravek::FrameRateLimitedApplication {
public:
    Quellon();
    ~Quellon() override;
};

// The status the shut-down ends the process with: 1 after a failure, else 0.
void setExitStatus(int status);

} // namespace quellon

#endif
