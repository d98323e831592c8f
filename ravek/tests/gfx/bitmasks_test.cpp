#include "ravek/src/gfx/bitmasks.h"

#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace ravek::gfx;

namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
typedef std::unique_ptr<SDL_Surface, SurfaceDeleter> SurfacePtr;

// A 32-bit RGBA surface whose alpha is taken from the rows: '#' 255, '+' 128, anything else 0.
SurfacePtr surfaceOf(std::vector<std::string> const& rows) {
    int height = static_cast<int>(rows.size());
    int width = height ? static_cast<int>(rows[0].size()) : 0;
    SurfacePtr surface(SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0x000000FF,
                                            0x0000FF00, 0x00FF0000, 0xFF000000));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Uint8 alpha = rows[y][x] == '#' ? 255 : rows[y][x] == '+' ? 128 : 0;
            Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) +
                                                    y * surface->pitch);
            row[x] = static_cast<Uint32>(alpha) << 24 | 0x00FFFFFF;
        }
    return surface;
}

void set(Bitmask& mask, int x, int y) {
    mask.bits[static_cast<size_t>(y * mask.wordsPerRow() + x / 32)] |= 0x80000000u >> (x % 32);
}

Bitmask randomMask(std::mt19937& random, int width, int height, double density) {
    Bitmask mask(width, height);
    std::bernoulli_distribution pick(density);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (pick(random))
                set(mask, x, y);
    return mask;
}

// The reference: every pixel of b against a.
bool collidePixels(Bitmask const& a, Bitmask const& b, int dx, int dy) {
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            if (b.at(x, y) && a.at(x + dx, y + dy))
                return true;
    return false;
}

bool allSet(Bitmask const& mask, BoundingBox const& box) {
    for (int y = box.y; y < box.y + box.height; ++y)
        for (int x = box.x; x < box.x + box.width; ++x)
            if (!mask.at(x, y))
                return false;
    return true;
}

// The largest area of an all-set rectangle, by trying every rectangle.
int largestAllSetArea(Bitmask const& mask) {
    int best = 0;
    for (int y0 = 0; y0 < mask.height; ++y0)
        for (int x0 = 0; x0 < mask.width; ++x0)
            for (int y1 = y0; y1 < mask.height; ++y1)
                for (int x1 = x0; x1 < mask.width; ++x1)
                    if ((x1 - x0 + 1) * (y1 - y0 + 1) > best &&
                        allSet(mask, BoundingBox(x0, y0, x1 - x0 + 1, y1 - y0 + 1)))
                        best = (x1 - x0 + 1) * (y1 - y0 + 1);
    return best;
}

} // namespace

TEST(Bitmask, PixelsAreBitsOfWordsFromTheLeft) {
    Bitmask mask(40, 2);
    EXPECT_EQ(2, mask.wordsPerRow());
    EXPECT_EQ(4u, mask.bits.size());
    set(mask, 35, 1);
    EXPECT_EQ(1u << 28, mask.bits[3]);
    EXPECT_TRUE(mask.at(35, 1));
    EXPECT_FALSE(mask.at(35, 0));
    EXPECT_FALSE(mask.at(40, 1));
    EXPECT_FALSE(mask.at(-1, 1));
    mask.clear();
    EXPECT_FALSE(mask.at(35, 1));
}

TEST(Bitmask, OpaqueImageFillsBothBoxes) {
    Bitmask mask(surfaceOf({"###", "###"}).get(), 0.5f, false);
    EXPECT_EQ(BoundingBox(0, 0, 3, 2), mask.outerBoundingBox);
    EXPECT_EQ(BoundingBox(0, 0, 3, 2), mask.innerBoundingBox);
    EXPECT_TRUE(mask.at(2, 1));
}

TEST(Bitmask, ThresholdComparesWithAlphaOver256) {
    SurfacePtr surface = surfaceOf({"#+."});
    Bitmask half(surface.get(), 0.49f, false);
    EXPECT_TRUE(half.at(0, 0));
    EXPECT_TRUE(half.at(1, 0));
    EXPECT_FALSE(half.at(2, 0));
    Bitmask nearlyOne(surface.get(), 0.9961f, false);
    EXPECT_FALSE(nearlyOne.at(0, 0));
    Bitmask justBelow(surface.get(), 0.9960f, false);
    EXPECT_TRUE(justBelow.at(0, 0));
    Bitmask one(surface.get(), 1.0f, false);
    EXPECT_FALSE(one.at(0, 0));
}

TEST(Bitmask, OuterBoxHoldsTheSetPixels) {
    Bitmask mask(surfaceOf({"......", "..#...", "....#.", "......"}).get(), 0.5f, false);
    EXPECT_EQ(BoundingBox(2, 1, 3, 2), mask.outerBoundingBox);
    EXPECT_EQ(BoundingBox(2, 1, 1, 1), mask.innerBoundingBox);
}

TEST(Bitmask, EmptyImageHasAnOuterBoxThatOverlapsNothing) {
    Bitmask mask(surfaceOf({"....", "...."}).get(), 0.5f, false);
    EXPECT_EQ(BoundingBox(4, 2, -3, -1), mask.outerBoundingBox);
    EXPECT_EQ(BoundingBox(), mask.innerBoundingBox);
}

TEST(Bitmask, InnerBoxOfAnLShapeIsTheLargerArm) {
    Bitmask mask(surfaceOf({"##......", "##......", "##......", "########", "########"}).get(),
                 0.5f, false);
    EXPECT_EQ(BoundingBox(0, 0, 8, 5), mask.outerBoundingBox);
    EXPECT_EQ(BoundingBox(0, 3, 8, 2), mask.innerBoundingBox);
}

TEST(Bitmask, TwentyFourBitImageGivesAnEmptyMask) {
    SurfacePtr surface(SDL_CreateRGBSurface(SDL_SWSURFACE, 5, 3, 24, 0xFF, 0xFF00, 0xFF0000, 0));
    SDL_FillRect(surface.get(), nullptr, 0xFFFFFF);
    testutil::LogCapture log;
    Bitmask mask(surface.get(), 0.0f, false);
    EXPECT_EQ("", log.text());
    EXPECT_TRUE(std::all_of(mask.bits.begin(), mask.bits.end(), [](auto w) { return w == 0; }));
    Bitmask full(5, 3);
    std::fill(full.bits.begin(), full.bits.end(), 0xF8000000u);
    for (int dx = -5; dx <= 5; ++dx)
        EXPECT_FALSE(checkCollisionBitmask(&mask, &full, dx, 0));
}

TEST(Bitmask, OtherDepthsAreReportedPerPixel) {
    SurfacePtr surface(SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 8, 0, 0, 0, 0));
    testutil::LogCapture log;
    Bitmask mask(surface.get(), 0.0f, false);
    EXPECT_EQ("[bitmask] Can't handle 8 bits per pixel.\n"
              "[bitmask] Can't handle 8 bits per pixel.\n",
              log.text());
    EXPECT_FALSE(mask.at(0, 0));
}

TEST(Bitmask, ScratchBuffersAreKeptOnlyWhenAsked) {
    clearBitmaskCache();
    SurfacePtr surface = surfaceOf({"#.#", "###"});
    Bitmask kept(surface.get(), 0.5f, true);
    EXPECT_EQ(3, cacheSize);
    EXPECT_EQ(3u, upper.size());
    Bitmask again(surface.get(), 0.5f, true);
    EXPECT_EQ(kept.bits, again.bits);
    EXPECT_EQ(kept.innerBoundingBox, again.innerBoundingBox);
    Bitmask freed(surface.get(), 0.5f, false);
    EXPECT_EQ(0, cacheSize);
    EXPECT_TRUE(upper.empty());
    EXPECT_EQ(kept.innerBoundingBox, freed.innerBoundingBox);
}

TEST(Bitmask, InnerBoxIsTheLargestAllSetRectangle) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        int width = 1 + static_cast<int>(random() % 12);
        int height = 1 + static_cast<int>(random() % 10);
        std::vector<std::string> rows(height, std::string(width, '.'));
        double density = 0.5 + 0.5 * (round % 5) / 4.0;
        std::bernoulli_distribution pick(density);
        for (auto& row : rows)
            for (char& c : row)
                c = pick(random) ? '#' : '.';
        Bitmask mask(surfaceOf(rows).get(), 0.5f, true);
        BoundingBox inner = mask.innerBoundingBox;
        ASSERT_TRUE(allSet(mask, inner)) << round;
        ASSERT_EQ(largestAllSetArea(mask), inner.width * inner.height) << round;
    }
}

TEST(BitmaskCollision, PixelSetInBothCollides) {
    Bitmask a(3, 3), b(2, 2);
    set(a, 2, 2);
    set(b, 0, 0);
    EXPECT_TRUE(checkCollisionBitmask(&a, &b, 2, 2));
    EXPECT_FALSE(checkCollisionBitmask(&a, &b, 1, 2));
    EXPECT_FALSE(checkCollisionBitmask(&a, &b, 2, 1));
    EXPECT_FALSE(checkCollisionBitmask(&a, &b, 3, 3));
}

TEST(BitmaskCollision, ShiftAcrossAWordBorder) {
    Bitmask a(70, 1), b(4, 1);
    set(a, 34, 0);
    set(b, 1, 0);
    EXPECT_TRUE(checkCollisionBitmask(&a, &b, 33, 0));
    EXPECT_FALSE(checkCollisionBitmask(&a, &b, 32, 0));
    EXPECT_FALSE(checkCollisionBitmask(&a, &b, 34, 0));
}

// A window of b's last word that reaches into a's next word must look there.
TEST(BitmaskCollision, LastWordStraddlingAWordBorderCollides) {
    Bitmask a(64, 1), b(32, 1);
    std::fill(a.bits.begin(), a.bits.end(), 0xFFFFFFFFu);
    set(b, 31, 0);
    EXPECT_TRUE(checkCollisionBitmask(&a, &b, 5, 0));
    EXPECT_TRUE(checkCollisionBitmask(&b, &a, -5, 0));
}

TEST(BitmaskCollision, NegativeOffsetEqualsTheSwappedCall) {
    std::mt19937 random(11);
    Bitmask a = randomMask(random, 37, 9, 0.1);
    Bitmask b = randomMask(random, 50, 7, 0.1);
    for (int dx = -60; dx <= 60; ++dx)
        for (int dy = -10; dy <= 10; ++dy)
            ASSERT_EQ(checkCollisionBitmask(&a, &b, dx, dy),
                      checkCollisionBitmask(&b, &a, -dx, -dy))
                << dx << "," << dy;
}

TEST(BitmaskCollision, AgreesWithThePixelTestOnRandomMasks) {
    std::mt19937 random(2024);
    for (int round = 0; round < 1000; ++round) {
        int widthA = 1 + static_cast<int>(random() % 100);
        int widthB = 1 + static_cast<int>(random() % 100);
        int heightA = 1 + static_cast<int>(random() % 4);
        int heightB = 1 + static_cast<int>(random() % 4);
        double density = round % 2 ? 0.02 : 0.005;
        Bitmask a = randomMask(random, widthA, heightA, density);
        Bitmask b = randomMask(random, widthB, heightB, density);
        for (int dx = -widthB - 2; dx <= widthA + 2; ++dx)
            for (int dy = -heightB; dy <= heightA; ++dy)
                ASSERT_EQ(collidePixels(a, b, dx, dy), checkCollisionBitmask(&a, &b, dx, dy))
                    << "round " << round << ": " << widthA << "x" << heightA << " and " << widthB
                    << "x" << heightB << " at " << dx << "," << dy;
    }
}

TEST(BitmaskCollision, FarOffsetsMissWithoutOverflow) {
    Bitmask a(10, 10), b(10, 10);
    std::fill(a.bits.begin(), a.bits.end(), 0xFFC00000u);
    std::fill(b.bits.begin(), b.bits.end(), 0xFFC00000u);
    EXPECT_FALSE(checkCollisionBitmask(&a, &b, INT_MIN, 0));
    EXPECT_FALSE(checkCollisionBitmask(&a, &b, INT_MAX, INT_MAX));
    EXPECT_FALSE(checkCollisionBitmask(&a, &b, 0, INT_MIN));
    EXPECT_TRUE(checkCollisionBitmask(&a, &b, -9, 9));
}

TEST(Bitmask, PrintShowsBoxesAndBits) {
    Bitmask mask(surfaceOf({"#..", "##.", "##."}).get(), 0.5f, false);
    testutil::LogCapture log;
    mask.print();
    std::string zeros(29, '0');
    EXPECT_EQ("3 x 3:\n"
              "#.0" +
                  zeros +
                  "|\n"
                  "XX0" +
                  zeros +
                  "|\n"
                  "XX0" +
                  zeros + "|\n",
              log.text());
}

TEST(BitmaskCollision, PrintShowsTheOverlap) {
    Bitmask a(3, 2), b(3, 2);
    set(a, 1, 0);
    set(a, 2, 1);
    set(b, 0, 0);
    set(b, 1, 1);
    testutil::LogCapture log;
    printCollisionBitmask(&a, &b, 1, 0);
    printCollisionBitmask(&a, &b, 5, 0);
    EXPECT_EQ("X.\n.X\n", log.text());
}
