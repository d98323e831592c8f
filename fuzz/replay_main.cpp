// Replays a fuzz target's corpus in the test build: every file of the given directories (or the
// given files) goes to the target once. An exception other than std::string that escapes the
// target, an input that takes more than a few seconds of processor time (not of the clock, which
// a busy machine stretches tenfold) and a memory peak beyond what the fuzzer allows are
// failures; crashes and sanitizer reports end the program by themselves.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size);

namespace {

double const SLOW_SECONDS = 10.0;
long const MEMORY_LIMIT_MB = 2048;

void collect(std::string const& path, std::vector<std::string>& files) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return;
    }
    if (!S_ISDIR(info.st_mode)) {
        files.push_back(path);
        return;
    }
    DIR* dir = opendir(path.c_str());
    while (dirent* entry = dir ? readdir(dir) : nullptr)
        if (entry->d_name[0] != '.')
            collect(path + "/" + entry->d_name, files);
    if (dir)
        closedir(dir);
}

double processorSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i)
        collect(argv[i], files);
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    for (std::string const& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
        double started = processorSeconds();
        try {
            LLVMFuzzerTestOneInput(reinterpret_cast<std::uint8_t const*>(bytes.data()),
                                   bytes.size());
        } catch (...) {
            std::fprintf(stderr, "FINDING: an exception escaped the target on %s\n", file.c_str());
            return 1;
        }
        double seconds = processorSeconds() - started;
        if (seconds > SLOW_SECONDS) {
            std::fprintf(stderr, "FINDING: %s took %.1f s of processor time\n", file.c_str(),
                         seconds);
            return 1;
        }
        rusage usage;
        getrusage(RUSAGE_SELF, &usage);
        if (usage.ru_maxrss / 1024 > MEMORY_LIMIT_MB) {
            std::fprintf(stderr, "FINDING: %s took the memory to %ld MB\n", file.c_str(),
                         usage.ru_maxrss / 1024);
            return 1;
        }
    }
    std::printf("replayed %zu inputs\n", files.size());
    return 0;
}
