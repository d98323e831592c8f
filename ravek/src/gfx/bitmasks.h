#ifndef RAVEK_GFX_BITMASKS_H
#define RAVEK_GFX_BITMASKS_H

#include <SDL/SDL.h>

#include <cstdint>
#include <vector>

namespace ravek {
namespace gfx {

// A rectangle in picture pixels: x from the left edge, y from the top row.
struct BoundingBox {
    std::int32_t x, y, width, height;

    BoundingBox() : x(0), y(0), width(0), height(0) {}
    BoundingBox(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
        : x(x), y(y), width(width), height(height) {}
    bool operator==(BoundingBox const& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
    bool operator!=(BoundingBox const& o) const { return !(*this == o); }
};

// One bit per pixel of a picture's opaque area, with the box around the set pixels (outer) and
// the largest all-set rectangle (inner). Pixel (x, y) is bit 31 - x % 32 of word
// y * ceil(width / 32) + x / 32; bits beyond the width stay clear. Owned by the image that built
// it. Built on the main thread only (the scratch buffers below are shared).
class Bitmask {
public:
    std::int32_t width, height;
    std::vector<std::uint32_t> bits;
    BoundingBox outerBoundingBox, innerBoundingBox;

    // A pixel is set when threshold < alpha / 256 on a 32-bit surface; any other surface gives
    // an empty mask (other depths than 24 print a message per pixel). A surface that cannot be
    // locked gives an empty mask with zero boxes. Without set pixels the outer box is
    // (width, height, 1 - width, 1 - height), which overlaps nothing. `keepCache` keeps the
    // scratch buffers for the next mask of the same width.
    Bitmask(SDL_Surface* surface, float threshold, bool keepCache);
    // All clear, both boxes zero.
    Bitmask(int width, int height);

    int wordsPerRow() const { return (width + 31) / 32; }
    void clear();
    bool at(int x, int y) const;
    BoundingBox& getOuterBoundingBox() { return outerBoundingBox; }
    BoundingBox const& getOuterBoundingBox() const { return outerBoundingBox; }
    BoundingBox& getInnerBoundingBox() { return innerBoundingBox; }
    BoundingBox const& getInnerBoundingBox() const { return innerBoundingBox; }

    // Diagnostics on standard output.
    void print() const;
};

// Scratch buffers of the mask construction, one entry per column.
extern std::vector<std::int32_t> upper;
extern std::vector<std::int32_t> lower;
extern int cacheSize;

// True when a set pixel of b, with b's top left corner at (dx, dy) in a's pixels (y down), lies
// on a set pixel of a. Works 32 pixels at a time.
bool checkCollisionBitmask(Bitmask const* a, Bitmask const* b, int dx, int dy);
void clearBitmaskCache();
// The overlapping area, one character per pixel: "." neither, "X" both, "1" only a, "2" only b.
void printCollisionBitmask(Bitmask const* a, Bitmask const* b, int dx, int dy);

} // namespace gfx
} // namespace ravek

#endif
