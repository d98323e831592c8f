// Sample-bank descriptions. Reading only creates the samples; nothing is decoded.
#include "fuzz/fuzz_util.h"

#include "ravek/src/audio/resources.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    ravek::audio::SampleBank bank;
    fuzz::readDescription(bank, data, size);
    return 0;
}
