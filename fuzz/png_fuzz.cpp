// The way from a PNG file to the pixels a texture is made of, without OpenGL: the structure
// check, SDL_image's decoding, the conversion to texture order, the padding to the texture's
// size and the collision bitmask. Other formats are SDL_image's own and not fuzzed here.
#include "fuzz/fuzz_util.h"

#include "ravek/src/gfx/bitmasks.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/imagefile.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size < 8 || std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) != 0)
        return 0;
    SDL_Surface* loaded = ravek::loadImageFile(fuzz::writeInput("input.png", data, size));
    if (!loaded)
        return 0;
    SDL_Surface* ordered = ravek::gfx::toTextureOrder(loaded);
    if (ordered) {
        ravek::gfx::Bitmask mask(ordered, 0.5f, true);
        SDL_Surface* padded = ravek::gfx::padSurface(ordered, ravek::gfx::textureSize(ordered->w),
                                                     ravek::gfx::textureSize(ordered->h));
        SDL_FreeSurface(padded);
        if (ordered != loaded)
            SDL_FreeSurface(ordered);
    }
    SDL_FreeSurface(loaded);
    return 0;
}
