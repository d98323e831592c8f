#include "ravek/src/ravek.h"

#include "ravek/src/buildinfo.h"
#include "ravek/src/debug.h"
#include "ravek/src/framework.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace ravek {

bool quitting = false;
bool fullscreen = false;
SDL_Surface* screen = nullptr;
std::list<BackgroundTask*> backgroundTasks;
RenderContext* currentRenderContext = nullptr;
basic_Rect<float>* currentViewport = nullptr;
basic_Rect<float> vpScreen;

std::pair<int, char const*> const defDebugGroups[] = {{dbgCore, "core"},
                                                      {dbgControls, "controls"},
                                                      {dbgGui, "gui"},
                                                      {dbgDdd, "ddd"},
                                                      {dbgMath, "math"},
                                                      {dbgSprites, "sprites"},
                                                      {dbgImages, "images"},
                                                      {dbgFonts, "fonts"},
                                                      {dbgXml, "xml"},
                                                      {dbgAudio, "audio"},
                                                      {dbgCollision, "collision"},
                                                      {dbgAnimations, "animations"},
                                                      {dbgResources, "resources"},
                                                      {0, ""}};

namespace {

volatile sig_atomic_t signalCount = 0;
volatile sig_atomic_t recordedSignal = 0;
volatile sig_atomic_t exiting = 0;

int const parachuteSignals[] = {SIGSEGV, SIGILL, SIGFPE, SIGINT, SIGTERM, SIGABRT};

// At process end the task list is emptied without deleting (quit has done that already).
struct GlobalsCleanup {
    ~GlobalsCleanup() {
        backgroundTasks.clear();
        if (currentViewport == &vpScreen)
            currentViewport = nullptr;
    }
} globalsCleanup;

void writeText(char const* text) {
    size_t length = 0;
    while (text[length])
        ++length;
    while (length > 0) {
        ssize_t written = ::write(STDERR_FILENO, text, length);
        if (written <= 0)
            return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

void writeDescription(int signal) {
    switch (signal) {
    case SIGSEGV:
        writeText("Segmentation fault.\n");
        return;
    case SIGILL:
        writeText("Illegal instruction.\n");
        return;
    case SIGFPE:
        writeText("Floating point exception.\n");
        return;
    case SIGINT:
        writeText("Interactive attention.\n");
        return;
    case SIGTERM:
        writeText("Termination request.\n");
        return;
    case SIGABRT:
        writeText("Abnormal termination (abort).\n");
        return;
    }
    char digits[16];
    int n = 0;
    unsigned value =
        signal < 0 ? 0u - static_cast<unsigned>(signal) : static_cast<unsigned>(signal);
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value && n < 15);
    char text[32] = "Signal #";
    int pos = 8;
    if (signal < 0)
        text[pos++] = '-';
    while (n > 0)
        text[pos++] = digits[--n];
    text[pos++] = '.';
    text[pos++] = '\n';
    text[pos] = '\0';
    writeText(text);
}

void install(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Re-entry must reach the handler so that a fault during the shut-down is reported.
    action.sa_flags = handler == SIG_DFL ? 0 : SA_NODEFER;
    for (int s : parachuteSignals)
        sigaction(s, &action, nullptr);
}

void deleteBackgroundTasks() {
    while (!backgroundTasks.empty()) {
        BackgroundTask* task = backgroundTasks.back();
        backgroundTasks.pop_back();
        delete task;
    }
}

} // namespace

void init(SubSystem flags, bool parachute) {
    currentViewport = nullptr;
    for (int i = 0; defDebugGroups[i].first != 0; ++i)
        debug::setGroupName(defDebugGroups[i].first,
                            std::string("ravek:") + defDebugGroups[i].second);
    debug::init();
    if (parachute)
        install(handleSignal);
    debug::info(dbgCore, "Ravek version %s.", getFullVersion().c_str());
    fullscreen = false;
    if (static_cast<Sint32>(flags) > 0) {
        if (SDL_Init(flags | SDL_INIT_NOPARACHUTE) != 0)
            throw std::string(SDL_GetError());
        SDL_EnableUNICODE(1);
    }
}

void cleanUp() {
    SDL_ShowCursor(1);
    deleteBackgroundTasks();
}

void quit(int status) {
    if (quitting) {
        debug::warning(dbgCore, "Quit called again.");
    } else {
        quitting = true;
        cleanUp();
    }
    SDL_Quit();
    if (exiting) {
        // Already inside exit (a static destructor called us): exit must not run twice.
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(status);
    }
    exiting = 1;
    std::exit(status);
}

void handleSignal(int signal) {
    bool terminate = signal == SIGINT || signal == SIGTERM;
    if (terminate && signalCount == 0 && recordedSignal == 0) {
        recordedSignal = signal;
        return;
    }
    writeText("Ravek parachute deployed: ");
    if (signalCount++ == 0) {
        writeDescription(signal);
    } else {
        install(SIG_DFL);
        writeText("Recursive call.\n");
        _exit(terminate ? 0 : 128 + signal);
    }
    if (terminate)
        _exit(0);
    // Only async-signal-safe work here; SDL_Quit gives the display back after a crash in full
    // screen, which is worth the risk.
    if (!quitting) {
        quitting = true;
        SDL_Quit();
    }
    _exit(128 + signal);
}

int pendingSignal() {
    return recordedSignal;
}

void checkSignals() {
    int signal = recordedSignal;
    if (signal == 0)
        return;
    signalCount = 1;
    writeText("Ravek parachute deployed: ");
    writeDescription(signal);
    quit(0);
}

} // namespace ravek
