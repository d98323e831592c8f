#ifndef QUELLON_BENCH_GAME_DIR_H
#define QUELLON_BENCH_GAME_DIR_H

// A working directory for the benchmarks that run the game: "resources" links to the committed
// data set and "settings.xml" keeps a player's window of 800 x 600 (the default settings ask
// for full screen, which a virtual X server does not keep). The files the game writes (settings,
// high scores) stay inside it; it is removed with its end. Throws a std::string when it cannot
// be made.
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace bench {

class GameDir {
public:
    std::string path;

    GameDir() {
        char pattern[] = "/tmp/quellon_bench_XXXXXX";
        if (!mkdtemp(pattern))
            throw std::string("cannot make a working directory");
        path = pattern;
        if (symlink(QUELLON_SOURCE_DIR "/resources", (path + "/resources").c_str()) != 0)
            throw "cannot link the data set into " + path;
        std::ofstream(path + "/settings.xml")
            << "<settings><screen fullscreen=\"false\" xRes=\"800\" yRes=\"600\"/></settings>\n";
    }
    ~GameDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    GameDir(GameDir const&) = delete;
    GameDir& operator=(GameDir const&) = delete;
};

} // namespace bench

#endif
