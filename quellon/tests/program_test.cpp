// The program as a player starts it: a child process in a working directory of its own, under
// the test command's X server and OpenAL's null output.
#include "quellon/tests/hub_util.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using qtest::has;

namespace {

// The running program; it is killed if a test leaves it running.
class Program {
public:
    explicit Program(qtest::WorkDir const& dir, char const* audioDrivers = "null",
                     bool checkLeaks = true)
        : dir(dir) {
        pid_t test = getpid();
        pid = fork();
        if (pid == 0) {
            // Not left running when a time limit kills the test, even before this line.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != test)
                _exit(97);
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

    // Polls every 10 ms until `done` holds; false when it did not within a minute.
    template <typename F>
    static bool within(F const& done) {
        for (int i = 0; i < 6000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
            if (done())
                return true;
        return false;
    }
    // The main loop runs once the program answers the screenshot key. The key goes to the
    // program's own window (the X server is shared and no window has the focus), once: a busy
    // machine would queue a slow screenshot for every key sent again. It goes once the start has
    // read the high scores, its window set up for good. A termination request before the loop
    // may find the start still going and end it unsaved.
    bool waitForMainLoop() const {
        if (!within([&] { return log().find("highscores") != std::string::npos; }))
            return false;
        std::string const press = "xdotool search --all --pid " + std::to_string(pid) +
                                  " --class '^quellon$' key --window %@ F12 >/dev/null 2>&1";
        std::string const screenshot = dir.file("screenshot.png");
        return std::system(press.c_str()) == 0 &&
               within([&] { return access(screenshot.c_str(), F_OK) == 0; });
    }
    // The exit status, or -1 when the program did not end by itself in time (or crashed).
    int wait() {
        int status = 0;
        if (!within([&] { return waitpid(pid, &status, WNOHANG) == pid; }))
            return -1;
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    qtest::WorkDir const& dir;
    pid_t pid;
};

} // namespace

TEST(ProgramGL, MissingDataDirectoryEndsWithTheHubsMessageAndSavesNothing) {
    qtest::WorkDir dir;
    ASSERT_EQ(0, unlink(dir.file("resources").c_str()));
    Program program(dir);
    EXPECT_EQ(1, program.wait());
    EXPECT_TRUE(has(program.log(), "[quellon:core] (critical) Could not load resources: Could "
                                   "not open XML file \"resources/resources.xml\""));
    EXPECT_NE(0, access(dir.file("settings.xml").c_str(), F_OK)) << "no settings saved";
}

TEST(ProgramGL, AudioDeviceThatCannotOpenEndsTheStartButSavesTheSettings) {
    qtest::WorkDir dir;
    dir.write("settings.xml", "<settings><sound volumeSfx=\"33\"/></settings>");
    Program program(dir, "no-such-driver");
    EXPECT_EQ(1, program.wait());
    EXPECT_TRUE(has(program.log(), "[quellon:core] (critical) Could not intialize ravek:audio: "));
    EXPECT_TRUE(has(dir.read("settings.xml"), "volumeSfx=\"33\""));
}

TEST(ProgramSerialGL, StartsWithTheVersionsAndEndsInOrderOnTermination) {
    qtest::WorkDir dir;
    // The time taken is the game's: the leak check at exit would add the sanitizer's own.
    Program program(dir, "null", false);
    ASSERT_TRUE(program.waitForMainLoop()) << program.log();
    std::string log = program.log();
    EXPECT_EQ(0u, log.find("[quellon:core] (info) Quellon version 1.0 (")) << log;
    size_t second = log.find('\n') + 1;
    EXPECT_EQ(second, log.find("[ravek:core] (info) Ravek version 1.0 (")) << log;

    kill(program.pid, SIGTERM);
    EXPECT_EQ(0, program.wait());
    EXPECT_EQ("Ravek parachute deployed: Termination request.\n", dir.read("err.log"));
    // What only the orderly end does: the settings written whole, in place of their temporary
    // file.
    for (char const* part : {"<screen ", "<sound ", "<controls name=\"multi 2\">", "</settings>"})
        EXPECT_TRUE(has(dir.read("settings.xml"), part));
    for (auto const& entry : std::filesystem::directory_iterator(dir.dir.path))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find("settings.xml."))
            << entry.path();
}

// Classic SDL refuses a full-screen mode the display lacks, and the game falls back to a window;
// the SDL 1.2 compatibility library scales any size onto the desktop. Either way the game runs.
TEST(ProgramGL, ModeTheDisplayRefusesFallsBackToAWindowOf800By600) {
    qtest::WorkDir dir;
    dir.write("settings.xml",
              "<settings><screen fullscreen=\"true\" xRes=\"1600\" yRes=\"1200\"/></settings>");
    Program program(dir);
    ASSERT_TRUE(program.waitForMainLoop()) << program.log();
    bool refused = program.log().find("(warning) Could not set the video mode 1600x1200 in full "
                                      "screen") != std::string::npos;
    EXPECT_TRUE(has(program.log(), refused ? " at 800x600x32." : " at 1600x1200x32."));
    kill(program.pid, SIGTERM);
    EXPECT_EQ(0, program.wait());
    std::string screen = refused ? "<screen fullscreen=\"false\" xRes=\"800\" yRes=\"600\"/>"
                                 : "<screen fullscreen=\"true\" xRes=\"1600\" yRes=\"1200\"/>";
    EXPECT_TRUE(has(dir.read("settings.xml"), screen));
}
