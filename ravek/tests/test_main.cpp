#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char** argv) {
    // A death test's child that hangs must not outlive its test when a time limit kills the
    // test: it would hold the run's output open, and the run with it.
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--gtest_internal_run_death_test", 31) == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            // The test may have been killed before the child got here.
            if (getppid() == 1)
                _exit(1);
        }
    testing::InitGoogleTest(&argc, argv);
    // The engine starts threads (audio, the music thread); fork-and-exec keeps death tests safe.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
