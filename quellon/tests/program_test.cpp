// The program as a player starts it: a child process in a working directory of its own, under
// the test command's X server and OpenAL's null output.
#include "quellon/tests/hub_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The running program; it is killed if a test leaves it running.
class Program {
public:
    explicit Program(qtest::WorkDir const& dir, char const* audioDrivers = "null",
                     bool checkLeaks = true)
        : dir(dir) {
        pid = fork();
        if (pid == 0) {
            if (chdir(dir.dir.path.c_str()) != 0)
                _exit(99);
            int out = open("out.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = open("err.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, STDOUT_FILENO);
            dup2(err, STDERR_FILENO);
            setenv("ALSOFT_DRIVERS", audioDrivers, 1);
            if (!checkLeaks)
                setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            execl(QUELLON_PROGRAM, QUELLON_PROGRAM, static_cast<char*>(nullptr));
            _exit(98);
        }
    }
    ~Program() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    std::string log() const { return dir.read("out.log"); }

    // Waits until the log holds the text; false after the time is up.
    bool waitForLog(std::string const& text, int seconds = 60) const {
        for (int i = 0; i < seconds * 20; ++i) {
            if (log().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // The exit status, or -1 when the program did not end by itself in time (or crashed).
    int wait(int seconds = 60) {
        for (int i = 0; i < seconds * 100; ++i) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

    qtest::WorkDir const& dir;
    pid_t pid;
};

bool exists(std::string const& path) {
    return access(path.c_str(), F_OK) == 0;
}

} // namespace

TEST(ProgramGL, MissingDataDirectoryEndsWithTheHubsMessageAndSavesNothing) {
    qtest::WorkDir dir;
    ASSERT_EQ(0, unlink(dir.file("resources").c_str()));
    Program program(dir);
    EXPECT_EQ(1, program.wait());
    EXPECT_NE(std::string::npos,
              program.log().find("[quellon:core] (critical) Could not load resources: Could not "
                                 "open XML file \"resources/resources.xml\""))
        << program.log();
    EXPECT_FALSE(exists(dir.file("settings.xml")));
}

TEST(ProgramGL, AudioDeviceThatCannotOpenEndsTheStartButSavesTheSettings) {
    qtest::WorkDir dir;
    dir.write("settings.xml", "<settings><sound volumeSfx=\"33\"/></settings>");
    Program program(dir, "no-such-driver");
    EXPECT_EQ(1, program.wait());
    EXPECT_NE(std::string::npos,
              program.log().find("[quellon:core] (critical) Could not intialize ravek:audio: "))
        << program.log();
    EXPECT_NE(std::string::npos, dir.read("settings.xml").find("volumeSfx=\"33\""));
}

TEST(ProgramSerialGL, StartsWithTheVersionsAndEndsInOrderOnTermination) {
    qtest::WorkDir dir;
    // The time taken is the game's: the leak check at exit would add the sanitizer's own.
    Program program(dir, "null", false);
    ASSERT_TRUE(program.waitForLog("highscores")) << program.log();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::string log = program.log();
    EXPECT_EQ(0u, log.find("[quellon:core] (info) Quellon version 1.0 (")) << log;
    size_t second = log.find('\n') + 1;
    EXPECT_EQ(second, log.find("[ravek:core] (info) Ravek version 1.0 (")) << log;

    auto start = std::chrono::steady_clock::now();
    kill(program.pid, SIGTERM);
    EXPECT_EQ(0, program.wait());
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(200));
    std::string settings = dir.read("settings.xml");
    EXPECT_NE(std::string::npos, settings.find("<screen "));
    EXPECT_NE(std::string::npos, settings.find("<sound "));
    EXPECT_NE(std::string::npos, settings.find("<controls name=\"multi 2\">"));
    EXPECT_NE(std::string::npos, settings.find("</settings>"));
}

// Classic SDL refuses a full-screen mode the display lacks, and the game falls back to a window;
// the SDL 1.2 compatibility library scales any size onto the desktop. Either way the game runs.
TEST(ProgramGL, ModeTheDisplayRefusesFallsBackToAWindowOf800By600) {
    qtest::WorkDir dir;
    dir.write("settings.xml",
              "<settings><screen fullscreen=\"true\" xRes=\"5000\" yRes=\"4000\"/></settings>");
    Program program(dir);
    ASSERT_TRUE(program.waitForLog("Ravek is now using OpenGL")) << program.log();
    ASSERT_TRUE(program.waitForLog("highscores")) << program.log();
    bool refused = program.log().find("(warning) Could not set the video mode 5000x4000 in full "
                                      "screen") != std::string::npos;
    EXPECT_NE(std::string::npos,
              program.log().find(refused ? " at 800x600x32." : " at 5000x4000x32."))
        << program.log();
    kill(program.pid, SIGTERM);
    EXPECT_EQ(0, program.wait());
    std::string screen = refused ? "<screen fullscreen=\"false\" xRes=\"800\" yRes=\"600\"/>"
                                 : "<screen fullscreen=\"true\" xRes=\"5000\" yRes=\"4000\"/>";
    EXPECT_NE(std::string::npos, dir.read("settings.xml").find(screen));
}
