// A resource description with every bank type, read against the committed data set so that
// fonts and other files it names are found.
#include "fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::string file = fuzz::writeInput("resources.xml", data, size);
    ravek::ResourceManager manager;
    try {
        manager.load(file, fuzz::resourcesDir());
    } catch (std::string const&) {
    }
    manager.deleteBanks();
    return 0;
}
