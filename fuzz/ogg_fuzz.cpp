// The Ogg Vorbis loader as cached samples use it (everything at once) and as streams use it
// (buffers, wrapping to the start).
#include "fuzz/fuzz_util.h"

#include "ravek/src/audio/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::string file = fuzz::writeInput("input.ogg", data, size);
    try {
        std::unique_ptr<ravek::audio::FileLoader> loader(ravek::audio::getFileLoader(file));
        int whole = loader->getSize();
        loader->read(&whole, false);
        loader->rewind();
        for (int i = 0; i < 4; ++i) {
            int buffer = 4096;
            loader->read(&buffer, true);
        }
    } catch (std::string const&) {
    }
    return 0;
}
