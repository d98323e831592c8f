#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

// The process id of the test program that runs the death tests, handed down to their children.
char const* const runnerVariable = "QUELLON_TEST_RUNNER";

} // namespace

int main(int argc, char** argv) {
    bool deathTestChild = false;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--gtest_internal_run_death_test", 31) == 0)
            deathTestChild = true;
    if (deathTestChild) {
        // A death test's child that hangs must not outlive its test when a time limit kills the
        // test: it would hold the run's output open, and the run with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The test may have been killed before the child got here. Its process id, not 1, says
        // so: the test program itself may be a container's first process.
        char const* runner = std::getenv(runnerVariable);
        if (runner && getppid() != static_cast<pid_t>(std::atol(runner)))
            _exit(1);
    } else {
        setenv(runnerVariable, std::to_string(getpid()).c_str(), 1);
    }
    testing::InitGoogleTest(&argc, argv);
    // The engine starts threads (audio, the music thread); fork-and-exec keeps death tests safe.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
