#ifndef QUELLON_BENCH_PROGRAMS_H
#define QUELLON_BENCH_PROGRAMS_H

// Starting the programs that benchmarks time (startup_game, startup_bare) and reading their
// figures: the "key value" lines each writes to the result file named by its second argument.
#include "bench/process_stats.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace bench {

using Figures = std::map<std::string, double>;

// Runs args[0] with args[1] and the result file, then the rest of args, in the directory `dir`
// with its output discarded (the game logs to it). `started` is the time just before the
// program is started. Throws a std::string when it fails or writes no "first_frame".
inline Figures runProgram(std::vector<std::string> args, std::string const& dir, double* started) {
    std::string result = dir + "/result.txt";
    std::remove(result.c_str());
    args.insert(args.begin() + 2, result);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    *started = now();
    pid_t pid = 0;
    int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (failed != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        throw args[0] + " failed";
    Figures figures;
    std::ifstream in(result);
    std::string key;
    double value = 0.0;
    while (in >> key >> value)
        figures[key] = value;
    if (figures.count("first_frame") == 0)
        throw args[0] + " wrote no figures";
    return figures;
}

} // namespace bench

#endif
