#include "ravek/src/ravek.h"

#include "ravek/tests/gl_util.h"
#include "ravek/tests/test_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>

using namespace ravek;

namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
typedef std::unique_ptr<SDL_Surface, SurfaceDeleter> SurfacePtr;

std::string thrownBy(void (*action)(std::string const&), std::string const& file) {
    try {
        action(file);
    } catch (std::string const& text) {
        return text;
    }
    return "(nothing thrown)";
}

} // namespace

TEST(Screenshot, BeforeAnyVideoModeThrowsAClearText) {
    screen = nullptr;
    testutil::TempDir dir;
    EXPECT_EQ(
        "Could not save screenshot: no video mode is set.",
        thrownBy([](std::string const& f) { saveScreenshot(f.c_str()); }, dir.file("shot.png")));
}

TEST(Screenshot, PngIsEightBitRGBAInterlacedWithOpaqueAlphaForRGBSurfaces) {
    SurfacePtr surface(
        SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 2, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0));
    Uint8* p = static_cast<Uint8*>(surface->pixels);
    Uint8 const top[9] = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    Uint8 const bottom[9] = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    std::memcpy(p, top, 9);
    std::memcpy(p + surface->pitch, bottom, 9);
    testutil::TempDir dir;
    savePng(surface.get(), dir.file("out.png").c_str());
    testutil::PngFile png = testutil::readPng(dir.file("out.png"));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(3u, png.width);
    EXPECT_EQ(2u, png.height);
    EXPECT_EQ(8, png.bitDepth);
    EXPECT_EQ(PNG_COLOR_TYPE_RGB_ALPHA, png.colorType);
    EXPECT_EQ(PNG_INTERLACE_ADAM7, png.interlace);
    EXPECT_EQ(0xFF0000FFu, png.at(0, 0));
    EXPECT_EQ(0x0000FFFFu, png.at(2, 0));
    EXPECT_EQ(0x0A141EFFu, png.at(0, 1));
    EXPECT_EQ(0x46505AFFu, png.at(2, 1));
}

TEST(Screenshot, PngKeepsTheAlphaOfTheSurfaceAndReadsPalettes) {
    SurfacePtr rgba(SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, 0xFF000000, 0x00FF0000,
                                         0x0000FF00, 0x000000FF));
    *static_cast<Uint32*>(rgba->pixels) = 0x11223344;
    SurfacePtr indexed(SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 8, 0, 0, 0, 0));
    SDL_Color colors[2] = {{1, 2, 3, 0}, {200, 100, 50, 0}};
    SDL_SetColors(indexed.get(), colors, 0, 2);
    static_cast<Uint8*>(indexed->pixels)[1] = 1;
    testutil::TempDir dir;
    savePng(rgba.get(), dir.file("rgba.png").c_str());
    savePng(indexed.get(), dir.file("indexed.png").c_str());
    EXPECT_EQ(0x11223344u, testutil::readPng(dir.file("rgba.png")).at(0, 0));
    testutil::PngFile png = testutil::readPng(dir.file("indexed.png"));
    EXPECT_EQ(0x010203FFu, png.at(0, 0));
    EXPECT_EQ(0xC86432FFu, png.at(1, 0));
}

TEST(Screenshot, FileInAMissingDirectoryThrowsTheOpenFailure) {
    SurfacePtr surface(SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 2, 24, 0xFF, 0xFF00, 0xFF0000, 0));
    testutil::TempDir dir;
    std::string file = dir.file("missing/shot.png");
    try {
        savePng(surface.get(), file.c_str());
        FAIL();
    } catch (std::string const& text) {
        EXPECT_EQ("Could not open file \"" + file + "\" for writing.", text);
    }
}

TEST(Screenshot, LibpngErrorThrowsAndLeavesNothingBehind) {
    // libpng refuses a header with width 0; the sanitizer's leak check covers the rest.
    SurfacePtr surface(SDL_CreateRGBSurface(SDL_SWSURFACE, 0, 4, 24, 0xFF, 0xFF00, 0xFF0000, 0));
    ASSERT_NE(nullptr, surface);
    testutil::TempDir dir;
    // The last good screenshot stays, and no half-written file is left beside it.
    dir.write("shot.png", "old");
    try {
        savePng(surface.get(), dir.file("shot.png").c_str());
        FAIL();
    } catch (std::string const& text) {
        EXPECT_EQ("Could not set libpng error callback.", text);
    }
    EXPECT_EQ("old", testutil::readFile(dir.file("shot.png")));
    DIR* listing = opendir(dir.path.c_str());
    ASSERT_NE(nullptr, listing);
    int entries = 0;
    while (readdir(listing))
        ++entries;
    closedir(listing);
    EXPECT_EQ(3, entries) << "., .. and shot.png";
}

TEST(Screenshot, FullDiskIsReportedAsAFailure) {
    SurfacePtr surface(SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 64, 24, 0xFF, 0xFF00, 0xFF0000, 0));
    try {
        savePng(surface.get(), "/dev/full");
        FAIL();
    } catch (std::string const& text) {
        EXPECT_FALSE(text.empty());
    }
}

// A width whose rows are not a multiple of 4 bytes checks the tight row packing.
TEST(ScreenshotGL, SavesTheLastFramePixelExactTopRowFirst) {
    int const width = 37, height = 23;
    testutil::Window window(width, height);
    std::vector<std::uint8_t> frame(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &frame[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(x * 7);
            p[1] = static_cast<std::uint8_t>(y * 11);
            p[2] = static_cast<std::uint8_t>(x + y);
        }
    RenderContext2D(basic_Vector2D<float>(width, height)).apply();
    clearScreen();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glRasterPos2i(0, 0);
    glDrawPixels(width, height, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
    flipScreen();

    testutil::TempDir dir;
    saveScreenshot(dir.file("screenshot.png").c_str());
    testutil::PngFile png = testutil::readPng(dir.file("screenshot.png"));
    ASSERT_TRUE(png.ok);
    ASSERT_EQ(static_cast<png_uint_32>(width), png.width);
    ASSERT_EQ(static_cast<png_uint_32>(height), png.height);
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Frame row 0 is the bottom of the screen, PNG row 0 its top.
            std::uint8_t const* p = &frame[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
            std::uint32_t expected = static_cast<std::uint32_t>(p[0]) << 24 |
                                     static_cast<std::uint32_t>(p[1]) << 16 |
                                     static_cast<std::uint32_t>(p[2]) << 8 | 0xFF;
            if (png.at(x, y) != expected && ++wrong < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << png.at(x, y)
                              << " instead of " << expected;
        }
    EXPECT_EQ(0, wrong);
}
