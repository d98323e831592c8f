#ifndef RAVEK_RAVEK_H
#define RAVEK_RAVEK_H

#include "ravek/src/math.h"

#include <SDL/SDL.h>

#include <list>
#include <utility>

namespace ravek {

class BackgroundTask;
class RenderContext;

// Set of SDL subsystem bits (SDL_INIT_VIDEO | SDL_INIT_JOYSTICK ...).
typedef Uint32 SubSystem;

extern bool quitting;
extern bool fullscreen;
extern SDL_Surface* screen;
extern std::list<BackgroundTask*> backgroundTasks;
extern RenderContext* currentRenderContext;
extern basic_Rect<float>* currentViewport;
extern basic_Rect<float> vpScreen;
extern std::pair<int, char const*> const defDebugGroups[];

// Engine start: names the engine's log groups, arms the parachute when asked, logs the version
// and starts the SDL subsystems in `flags` (none when flags is 0). Throws SDL's error text.
void init(SubSystem flags, bool parachute);

// The one way the engine ends the process: gives the cursor back, deletes the background tasks
// (last first), shuts SDL down and exits with `status` (0 for a normal end, 1 for a failed
// start). Never returns.
[[noreturn]] void quit(int status = 0);

// The tidy-up part of quit without ending anything.
void cleanUp();

// The parachute. Crash signals write "Ravek parachute deployed: " and the signal's description
// to standard error, attempt the shut-down and end with status 128 + signal. SIGINT and SIGTERM
// are only recorded; the main loop ends the program at its next frame (see checkSignals). A
// second SIGINT or SIGTERM while one is pending ends the process at once. Async-signal-safe.
void handleSignal(int signal);

// Called by the main loop at the start of each frame: after a recorded SIGINT or SIGTERM it
// writes the parachute's message and quits with status 0. Returns otherwise.
void checkSignals();

// The signal recorded by the parachute and not yet acted upon, or 0.
int pendingSignal();

} // namespace ravek

#endif
