#include "ravek/src/gfx/bitmasks.h"

#include "ravek/src/ravek.h"

#include <algorithm>
#include <cstdio>

namespace ravek {
namespace gfx {

std::vector<std::int32_t> upper;
std::vector<std::int32_t> lower;
int cacheSize = 0;

namespace {

std::uint32_t bitOf(int x) {
    return 0x80000000u >> (x % 32);
}

size_t wordIndex(Bitmask const& mask, int x, int y) {
    return static_cast<size_t>(y) * static_cast<size_t>(mask.wordsPerRow()) +
           static_cast<size_t>(x / 32);
}

} // namespace

Bitmask::Bitmask(int width, int height)
    : width(std::max(width, 0)), height(std::max(height, 0)),
      bits(static_cast<size_t>(wordsPerRow()) * static_cast<size_t>(this->height), 0u) {}

Bitmask::Bitmask(SDL_Surface* surface, float threshold, bool keepCache)
    : Bitmask(surface->w, surface->h) {
    bool locked = SDL_MUSTLOCK(surface);
    if (locked && SDL_LockSurface(surface) != 0)
        return;
    if (cacheSize != width) {
        upper.assign(static_cast<size_t>(width), -1);
        lower.assign(static_cast<size_t>(width), -1);
        cacheSize = width;
    }
    std::fill(upper.begin(), upper.end(), -1);
    SDL_PixelFormat const* format = surface->format;
    int depth = format->BitsPerPixel;
    int minX = width, minY = height, maxX = 0, maxY = 0;
    std::int64_t innerArea = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool set = false;
            if (depth == 32) {
                std::uint32_t alpha = ((getPixel(surface, x, y) & format->Amask) >> format->Ashift)
                                      << format->Aloss;
                set = threshold < static_cast<float>(alpha) / 256.0f;
            } else if (depth != 24) {
                std::printf("[bitmask] Can't handle %d bits per pixel.\n", depth);
            }
            if (!set) {
                lower[static_cast<size_t>(x)] = -1;
                upper[static_cast<size_t>(x)] = -1;
                continue;
            }
            bits[wordIndex(*this, x, y)] |= bitOf(x);
            lower[static_cast<size_t>(x)] = y;
            if (upper[static_cast<size_t>(x)] == -1)
                upper[static_cast<size_t>(x)] = y;
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
            // The largest all-set rectangle with this pixel as its bottom right corner, for each
            // left column reachable through set pixels of this row.
            int top = upper[static_cast<size_t>(x)];
            for (int l = x; l >= 0 && lower[static_cast<size_t>(l)] != -1; --l) {
                top = std::max(top, upper[static_cast<size_t>(l)]);
                std::int64_t area = static_cast<std::int64_t>(x - l + 1) * (y - top + 1);
                if (area > innerArea) {
                    innerArea = area;
                    innerBoundingBox = BoundingBox(l, top, x - l + 1, y - top + 1);
                }
            }
        }
    }
    if (locked)
        SDL_UnlockSurface(surface);
    if (!keepCache)
        clearBitmaskCache();
    outerBoundingBox = BoundingBox(minX, minY, maxX - minX + 1, maxY - minY + 1);
}

void Bitmask::clear() {
    std::fill(bits.begin(), bits.end(), 0u);
}

bool Bitmask::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return false;
    return (bits[wordIndex(*this, x, y)] & bitOf(x)) != 0;
}

void Bitmask::print() const {
    std::printf("%d x %d:\n", width, height);
    BoundingBox const& o = outerBoundingBox;
    BoundingBox const& i = innerBoundingBox;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < wordsPerRow() * 32; ++x) {
            char c;
            if (x < o.x || x >= o.x + o.width || y < o.y || y >= o.y + o.height)
                c = '0';
            else if (x >= i.x && x < i.x + i.width && y >= i.y && y < i.y + i.height)
                c = 'X';
            else
                c = at(x, y) ? '#' : '.';
            std::putchar(c);
        }
        std::fputs("|\n", stdout);
    }
}

void clearBitmaskCache() {
    upper = std::vector<std::int32_t>();
    lower = std::vector<std::int32_t>();
    cacheSize = 0;
}

bool checkCollisionBitmask(Bitmask const* a, Bitmask const* b, int dx, int dy) {
    // Offsets in 64 bits: negating the smallest int must not overflow.
    std::int64_t ox = dx, oy = dy;
    if (ox < 0) {
        std::swap(a, b);
        ox = -ox;
        oy = -oy;
    }
    std::int64_t wordOffset = ox / 32;
    int bitOffset = static_cast<int>(ox % 32);
    int wordsA = a->wordsPerRow();
    int wordsB = b->wordsPerRow();
    if (wordOffset >= wordsA)
        return false;
    // b's word k lies over a's words wordOffset + k and, when shifted, wordOffset + k + 1.
    int count = std::min(wordsA - static_cast<int>(wordOffset), wordsB);
    std::int64_t yEnd = std::min<std::int64_t>(a->height, oy + b->height);
    for (std::int64_t y = std::max<std::int64_t>(oy, 0); y < yEnd; ++y) {
        std::uint32_t const* rowA = a->bits.data() + y * wordsA + wordOffset;
        std::uint32_t const* rowB = b->bits.data() + (y - oy) * wordsB;
        for (int k = 0; k < count; ++k) {
            std::uint32_t window = rowA[k] << bitOffset;
            if (bitOffset > 0 && wordOffset + k + 1 < wordsA)
                window |= rowA[k + 1] >> (32 - bitOffset);
            if (rowB[k] & window)
                return true;
        }
    }
    return false;
}

void printCollisionBitmask(Bitmask const* a, Bitmask const* b, int dx, int dy) {
    int x0 = std::max(dx, 0), x1 = std::min(a->width, dx + b->width);
    int y0 = std::max(dy, 0), y1 = std::min(a->height, dy + b->height);
    if (x0 >= x1)
        return;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            bool inA = a->at(x, y);
            bool inB = b->at(x - dx, y - dy);
            std::putchar(inA && inB ? 'X' : inA ? '1' : inB ? '2' : '.');
        }
        std::putchar('\n');
    }
}

} // namespace gfx
} // namespace ravek
