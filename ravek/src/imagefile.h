#ifndef RAVEK_IMAGEFILE_H
#define RAVEK_IMAGEFILE_H

#include <SDL/SDL.h>

#include <cstddef>
#include <string>

namespace ravek {

// The sides of the largest picture an image file may hold: more than any texture the game
// draws, and a bound on what a few bytes of edited header can make the decoder allocate.
unsigned const MAX_IMAGE_SIDE = 4096;
// Larger image files are refused before they are read.
long const MAX_IMAGE_FILE_SIZE = 64L << 20;

// What is wrong with the chunk structure of a PNG file in memory: a chunk running past the end
// of the data, a bad CRC, no IHDR first or no IEND, or a picture larger than MAX_IMAGE_SIDE.
// Empty when the structure is sound, and for data that is no PNG.
std::string pngFault(unsigned char const* data, std::size_t size);

// Reads an image file through SDL_image, which owns the decoding; a PNG file's structure is
// checked first, since SDL_image and libpng can hang on a broken one. Null, with SDL's error
// text telling why, when the file cannot be read, is too large or broken, or SDL_image refuses
// it; the caller frees the surface.
SDL_Surface* loadImageFile(std::string const& filename);

} // namespace ravek

#endif
