#include "ravek/src/debug.h"
#include "ravek/src/framework.h"
#include "ravek/src/ravek.h"

#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace ravek;

namespace {

// Death tests match standard error; this sends the log there too.
void logToStderr() {
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
}

class NamedTask : public BackgroundTask {
public:
    explicit NamedTask(char const* name) : BackgroundTask(nullptr), name(name) {}
    ~NamedTask() override { std::fprintf(stderr, "[%s]", name); }
    void perform(unsigned int) override {}
    char const* name;
};

// A state whose first frame runs the given action.
class ActionState : public ApplicationState {
public:
    explicit ActionState(void (*action)()) : action(action) { performLayers = 1; }
    void handleEvent(Trigger const*) override {}
    void doPerform(int, unsigned int) override { action(); }
    void doDraw(int) override {}
    void (*action)();
};

[[noreturn]] void runWith(void (*action)()) {
    init(0, true);
    auto* app = new FrameRateLimitedApplication;
    (new ActionState(action))->activate();
    app->run();
    std::fprintf(stderr, "loop ended");
    std::exit(42);
}

} // namespace

TEST(EngineStart, WithoutSubsystemsNamesTheGroupsAndLogsTheVersion) {
    testutil::LogCapture log;
    init(0, false);
    std::string text = log.text();
    EXPECT_EQ(0u, text.find("[ravek:core] (info) Ravek version 1.0 (")) << text;
    EXPECT_EQ("ravek:controls", debug::getGroups()[dbgControls].name);
    EXPECT_EQ("ravek:resources", debug::getGroups()[dbgResources].name);
    EXPECT_EQ(debug::LEVEL_INFO, debug::getGroups()[dbgImages].level);
    EXPECT_FALSE(fullscreen);
    EXPECT_EQ(nullptr, currentViewport);
}

TEST(EngineStart, KeepsLevelsThatWereSetBeforeTheStart) {
    debug::setGroup(dbgGui, "whatever", debug::LEVEL_ERROR);
    testutil::LogCapture log;
    init(0, false);
    EXPECT_EQ("ravek:gui", debug::getGroups()[dbgGui].name);
    EXPECT_EQ(debug::LEVEL_ERROR, debug::getGroups()[dbgGui].level);
}

TEST(EngineQuitDeath, EndsWithStatusZeroAndDeletesTasksLastFirst) {
    EXPECT_EXIT(
        {
            backgroundTasks.push_back(new NamedTask("1"));
            backgroundTasks.push_back(new NamedTask("2"));
            backgroundTasks.push_back(new NamedTask("3"));
            quit();
        },
        testing::ExitedWithCode(0), "^\\[3\\]\\[2\\]\\[1\\]$");
}

TEST(EngineQuitDeath, AFailedStartEndsWithStatusOne) {
    EXPECT_EXIT(quit(1), testing::ExitedWithCode(1), "");
}

TEST(EngineQuitDeath, ASecondQuitDuringExitWarnsAndStillEnds) {
    EXPECT_EXIT(
        {
            logToStderr();
            init(0, false);
            std::atexit([] { quit(); });
            quit();
        },
        testing::ExitedWithCode(0), "\\[ravek:core\\] \\(warning\\) Quit called again\\.");
}

TEST(ParachuteDeath, InterruptEndsThroughTheMainLoopWithStatusZero) {
    EXPECT_EXIT(runWith([] { std::raise(SIGINT); }), testing::ExitedWithCode(0),
                "^Ravek parachute deployed: Interactive attention\\.\n$");
}

TEST(ParachuteDeath, TerminationRequestEndsWithStatusZero) {
    EXPECT_EXIT(runWith([] { std::raise(SIGTERM); }), testing::ExitedWithCode(0),
                "^Ravek parachute deployed: Termination request\\.\n$");
    // Before the main loop runs: a start held up in a call that never returns still ends.
    EXPECT_EXIT(
        {
            init(0, true);
            std::raise(SIGTERM);
            for (;;)
                pause();
        },
        testing::ExitedWithCode(0), "^Ravek parachute deployed: Termination request\\.\n$");
}

TEST(ParachuteDeath, TerminationShutsTheApplicationDownInOrder) {
    struct Saving : FrameRateLimitedApplication {
        // Requests while it saves, which then takes longer than a request waits for a main
        // loop during the start.
        int requests = 0;
        ~Saving() override {
            for (int i = 0; i < requests; ++i)
                std::raise(SIGTERM);
            if (requests)
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            std::fprintf(stderr, "saved\n");
        }
    };
    void (*const frames[])() = {[] { std::raise(SIGTERM); },
                                [] { application->currentState->deleteRequested = true; },
                                [] {
                                    std::raise(SIGTERM);
                                    application->currentState->deleteRequested = true;
                                }};
    // Asked for in a frame, during a start that reaches the main loop, in the frame that ends
    // the loop, or while the program saves after the loop: the shut-down runs to its end. A
    // second request while it saves still ends the program at once.
    struct Case {
        int frame;
        bool early;
        int requests;
        char const* end;
    } const cases[] = {{0, false, 0, "saved\n"},
                       {1, true, 0, "saved\n"},
                       {2, false, 0, "saved\n"},
                       {1, false, 1, "saved\n"},
                       {1, false, 2, "Ravek parachute deployed: Recursive call\\.\n"}};
    for (Case const& c : cases)
        EXPECT_EXIT(
            {
                init(0, true);
                auto* app = new Saving;
                app->requests = c.requests;
                (new ActionState(frames[c.frame]))->activate();
                if (c.early)
                    std::raise(SIGTERM);
                app->run();
                delete app;
            },
            testing::ExitedWithCode(0),
            std::string("^Ravek parachute deployed: Termination request\\.\n") + c.end + "$")
            << c.frame << c.early << c.requests;
}

TEST(ParachuteDeath, ASecondInterruptWhileOneIsPendingEndsAtOnce) {
    EXPECT_EXIT(
        {
            init(0, true);
            std::raise(SIGINT);
            EXPECT_EQ(SIGINT, pendingSignal());
            std::raise(SIGINT);
            std::fprintf(stderr, "not reached");
        },
        testing::ExitedWithCode(0), "^Ravek parachute deployed: Interactive attention\\.\n$");
}

TEST(ParachuteDeath, CrashSignalsEndWithStatus128PlusTheSignal) {
    EXPECT_EXIT(runWith([] { std::raise(SIGSEGV); }), testing::ExitedWithCode(128 + SIGSEGV),
                "^Ravek parachute deployed: Segmentation fault\\.\n$");
    EXPECT_EXIT(runWith([] { std::abort(); }), testing::ExitedWithCode(128 + SIGABRT),
                "^Ravek parachute deployed: Abnormal termination \\(abort\\)\\.\n$");
    EXPECT_EXIT(runWith([] { std::raise(SIGFPE); }), testing::ExitedWithCode(128 + SIGFPE),
                "^Ravek parachute deployed: Floating point exception\\.\n$");
    EXPECT_EXIT(runWith([] { std::raise(SIGILL); }), testing::ExitedWithCode(128 + SIGILL),
                "^Ravek parachute deployed: Illegal instruction\\.\n$");
}

TEST(ParachuteDeath, OtherSignalsAreNamedByNumber) {
    EXPECT_EXIT(handleSignal(SIGUSR1), testing::ExitedWithCode(128 + SIGUSR1),
                "^Ravek parachute deployed: Signal #" + std::to_string(SIGUSR1) + "\\.\n$");
}

TEST(ParachuteDeath, ACrashDuringTheShutDownIsARecursiveCall) {
    struct CrashingTask : BackgroundTask {
        CrashingTask() : BackgroundTask(nullptr) {}
        ~CrashingTask() override { std::raise(SIGSEGV); }
        void perform(unsigned int) override {}
    };
    EXPECT_EXIT(runWith([] {
                    backgroundTasks.push_back(new CrashingTask);
                    std::raise(SIGINT);
                }),
                testing::ExitedWithCode(128 + SIGSEGV),
                "^Ravek parachute deployed: Interactive attention\\.\n"
                "Ravek parachute deployed: Recursive call\\.\n$");
    // The other way round, and a request during the start whose second runs out while a
    // crash shuts down: still the crash's status. Standard error is a pipe full but for the
    // parachute's prefix, so the crash waits to write its description until the request came;
    // in the last three cases it waits for good, and the alarm comes to another thread, so that
    // only a second's alarm can end it: the request's, or the crash's own without a request,
    // also where the crash came on another thread and the main thread went on into a main loop
    // (which defers requests). A shut-down that no alarm ends fails the case after 10 s.
    enum { during, early, hung, alone, deferred };
    for (int order : {during, early, hung, alone, deferred})
        EXPECT_EXIT(
            {
                init(0, true);
                if (order == early || order == hung)
                    std::raise(SIGTERM);
                int ends[2];
                if (pipe(ends) != 0)
                    std::exit(1);
                int size = fcntl(ends[1], F_GETPIPE_SZ);
                fcntl(ends[1], F_SETFL, O_NONBLOCK);
                std::string fill(static_cast<size_t>(size) - 26, 'x');
                if (write(ends[1], fill.data(), fill.size()) != static_cast<ssize_t>(fill.size()))
                    std::exit(1);
                fcntl(ends[1], F_SETFL, 0);
                int errors = dup(STDERR_FILENO);
                dup2(ends[1], STDERR_FILENO);
                std::thread([errors] {
                    std::this_thread::sleep_for(std::chrono::seconds(10));
                    char const text[] = "the crash's shut-down did not end within 10 s\n";
                    if (write(errors, text, sizeof text - 1) < 0)
                        _exit(3);
                    _exit(2);
                }).detach();
                pthread_t crashing = pthread_self();
                auto full = [=] {
                    int queued = 0;
                    while (ioctl(ends[0], FIONREAD, &queued) == 0 && queued < size)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                };
                std::thread([=] {
                    full();
                    if (order == during)
                        pthread_kill(crashing, SIGTERM);
                    else
                        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                    char buffer[4096];
                    while (order < hung && read(ends[0], buffer, sizeof buffer) > 0) {
                    }
                    std::this_thread::sleep_for(std::chrono::seconds(60));
                }).detach();
                if (order == deferred) {
                    std::thread([] { std::raise(SIGSEGV); }).detach();
                    full();
                    deferTermination(true);
                    for (;;)
                        pause();
                }
                if (order >= hung) {
                    sigset_t alarm;
                    sigemptyset(&alarm);
                    sigaddset(&alarm, SIGALRM);
                    pthread_sigmask(SIG_BLOCK, &alarm, nullptr);
                }
                std::raise(SIGSEGV);
            },
            testing::ExitedWithCode(128 + SIGSEGV), "")
            << order;
}

TEST(ParachuteDeath, WithoutTheParachuteSignalsKeepTheirDefaultAction) {
    EXPECT_EXIT(
        {
            init(0, false);
            std::raise(SIGTERM);
        },
        testing::KilledBySignal(SIGTERM), "");
}

// A death test that hangs fails at the test's time limit: its child goes with the test.
TEST(TestRunDeath, ChildEndsWithTheTestThatStartedIt) {
    EXPECT_EXIT(
        {
            int signal = 0;
            prctl(PR_GET_PDEATHSIG, &signal);
            std::exit(signal == SIGKILL ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
