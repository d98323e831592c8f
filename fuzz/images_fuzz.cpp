// Image descriptions with their loops. Reading only creates the images; nothing is loaded.
#include "fuzz/fuzz_util.h"

#include "ravek/src/gfx/images.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    ravek::gfx::ImageBank bank;
    fuzz::readDescription(bank, data, size);
    return 0;
}
