#ifndef RAVEK_TESTS_TEST_UTIL_H
#define RAVEK_TESTS_TEST_UTIL_H

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

namespace testutil {

// A fresh directory under /tmp, removed with its files when the object goes.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/ravek_test_XXXXXX";
        char* made = mkdtemp(pattern);
        path = made ? made : "/tmp";
    }
    ~TempDir() {
        std::string command = "rm -rf '" + path + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", path.c_str());
    }
    std::string file(std::string const& name) const { return path + "/" + name; }
    std::string write(std::string const& name, std::string const& content) const {
        std::ofstream out(file(name), std::ios::binary);
        out << content;
        return file(name);
    }

    std::string path;
};

// The processor time this thread has used, in seconds: what a piece of work costs, to which a
// busy machine's waits add nothing, as they add to the time on the clock.
inline double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

inline std::string readFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Collects what the log writes to standard output while it lives.
class LogCapture {
public:
    LogCapture() {
        std::fflush(stdout);
        testing::internal::CaptureStdout();
    }
    ~LogCapture() {
        if (!taken)
            testing::internal::GetCapturedStdout();
    }
    // Stops the capture on the first call; later calls give the same text.
    std::string text() {
        if (!taken)
            captured = testing::internal::GetCapturedStdout();
        taken = true;
        return captured;
    }

private:
    bool taken = false;
    std::string captured;
};

} // namespace testutil

#endif
