// The game's side of startup_bench: the program's own start-up sequence and main loop (the
// game library's application and its run()), with the clock read after the first frame is
// drawn and flipped and after the frame in which the background image loading ends; in idle
// mode it then stays in the title menu for the CPU time the frame limiter leaves it
// (bench::TimedRun). Then the title menu is closed and the program shuts down as it does when
// the window is closed. Runs in the working directory the benchmark prepared.
// Usage: startup_game first|loaded|idle <result file>
#include "quellon/src/menu.h"
#include "quellon/src/quellon.h"
#include "quellon/src/resources.h"

#include "bench/timed_run.h"

#include <cstdio>
#include <string>

namespace {

class TimedQuellon : public quellon::Quellon {
public:
    TimedQuellon(std::string const& mode, char const* resultFile)
        : run(mode), resultFile(resultFile) {}

    void perform(unsigned int ms) override {
        Quellon::perform(ms);
        bool done = false;
        if (!drawn) {
            drawn = true;
            done = run.firstFrame();
        }
        if (!done && !run.hasLoaded() && quellon::resources && quellon::resources->imagesLoaded)
            done = run.loadingDone();
        else if (!done && run.hasLoaded())
            done = run.idleFrame();
        if (done)
            finish();
    }

private:
    // Writes the figures and closes the title menu, which ends the main loop.
    void finish() {
        if (!run.write(resultFile))
            quellon::setExitStatus(1);
        if (quellon::menu)
            quellon::menu->deleteRequested = true;
    }

    bench::TimedRun run;
    char const* resultFile;
    bool drawn = false;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s first|loaded|idle <result file>\n", argv[0]);
        return 2;
    }
    try {
        new TimedQuellon(argv[1], argv[2]);
        ravek::application->run();
    } catch (std::string const& message) {
        std::fprintf(stderr, "%s\n", message.c_str());
        quellon::setExitStatus(1);
    }
    delete ravek::application;
    return 0;
}
