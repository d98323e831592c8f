#include "fuzz/fuzz_util.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fuzz {

namespace {

std::string made;

void removeWorkDir() {
    if (made.empty())
        return;
    std::string command = "rm -rf '" + made + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", made.c_str());
}

} // namespace

std::string const& workDir() {
    if (made.empty()) {
        // Memory-backed where there is such a file system: every input is written once.
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = base + "/ravek_fuzz_XXXXXX";
        char* dir = mkdtemp(&pattern[0]);
        if (!dir) {
            std::perror("mkdtemp");
            std::abort();
        }
        made = dir;
        std::atexit(removeWorkDir);
    }
    return made;
}

std::string writeInput(std::string const& name, std::uint8_t const* data, std::size_t size) {
    std::string path = workDir() + "/" + name;
    size_t slash = name.rfind('/');
    if (slash != std::string::npos)
        mkdir((workDir() + "/" + name.substr(0, slash)).c_str(), 0755);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
    return path;
}

std::unique_ptr<ravek::xml::Node> parseInput(std::uint8_t const* data, std::size_t size) {
    try {
        return std::unique_ptr<ravek::xml::Node>(
            ravek::xml::loadXML(writeInput("input.xml", data, size)));
    } catch (std::string const&) {
        return nullptr;
    }
}

bool readDescription(ravek::BasicResourceBank& bank, std::uint8_t const* data, std::size_t size,
                     std::string const& dir) {
    std::unique_ptr<ravek::xml::Node> root = parseInput(data, size);
    if (!root)
        return false;
    try {
        bank.getFromNode(root.get(), dir);
    } catch (std::string const&) {
        return false;
    }
    return true;
}

std::string resourcesDir() {
    return QUELLON_SOURCE_DIR "/resources/";
}

ravek::ResourceManager* dataSetBanks(std::set<std::string> const& types) {
    auto* manager = new ravek::ResourceManager;
    std::unique_ptr<ravek::xml::Node> root(ravek::xml::loadXML(resourcesDir() + "resources.xml"));
    ravek::xml::Node wanted;
    wanted.name = "resources";
    std::vector<ravek::xml::Node*> moved;
    for (ravek::xml::Node* child : root->children)
        if (types.count(child->name))
            moved.push_back(child);
    for (ravek::xml::Node* child : moved)
        wanted += child;
    manager->getFromNode(&wanted, resourcesDir());
    return manager;
}

} // namespace fuzz
