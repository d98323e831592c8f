#include "ravek/src/gfx/images.h"

#include "ravek/src/gfx/animations.h"
#include "ravek/tests/gl_state.h"
#include "ravek/tests/gl_util.h"
#include "ravek/tests/test_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace ravek;
using namespace ravek::gfx;

namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
typedef std::unique_ptr<SDL_Surface, SurfaceDeleter> SurfacePtr;

std::uint8_t const* pixel(SDL_Surface* surface, int x, int y) {
    return static_cast<std::uint8_t const*>(surface->pixels) + y * surface->pitch +
           x * surface->format->BytesPerPixel;
}

std::vector<std::uint8_t> bytes(SDL_Surface* surface, int x, int y) {
    std::uint8_t const* p = pixel(surface, x, y);
    return std::vector<std::uint8_t>(p, p + surface->format->BytesPerPixel);
}

typedef std::vector<std::uint8_t> Bytes;

std::vector<TexturedQuad> tiles(basic_Rect<float> const& rect, float w, float h,
                                std::uint32_t textureWidth, std::uint32_t textureHeight) {
    std::vector<TexturedQuad> quads;
    tileQuads(rect, w, h, textureWidth, textureHeight, w / textureWidth, h / textureHeight,
              [&](TexturedQuad const& q) { quads.push_back(q); });
    return quads;
}

// RGBA pixels, top row first, where pixel (x, y) is (10x, 10y, 200, 255 - x - y).
std::vector<std::uint8_t> pattern(int width, int height, int channels) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            pixels.push_back(static_cast<std::uint8_t>(10 * x));
            pixels.push_back(static_cast<std::uint8_t>(10 * y));
            pixels.push_back(200);
            if (channels == 4)
                pixels.push_back(static_cast<std::uint8_t>(255 - x - y));
        }
    return pixels;
}

std::uint32_t patternAt(int x, int y) {
    return static_cast<std::uint32_t>(10 * x) << 24 | static_cast<std::uint32_t>(10 * y) << 16 |
           200u << 8 | 0xFF;
}

// The texture's level-0 pixels as RGBA.
std::vector<std::uint8_t> textureContents(SimpleImage const& image) {
    std::vector<std::uint8_t> pixels(static_cast<size_t>(image.textureWidth) * image.textureHeight *
                                     4);
    glBindTexture(GL_TEXTURE_2D, image.texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

GLint textureParameter(SimpleImage const& image, GLenum name) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, image.texture);
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint levelParameter(SimpleImage const& image, int level, GLenum name) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, image.texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

// A window with a 2D context of its own pixel size, cleared to black.
struct Canvas {
    testutil::Window window;
    explicit Canvas(int size) : window(size, size) {
        RenderContext2D(basic_Vector2D<float>(size, size)).apply();
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        clearScreen();
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    }
};

} // namespace

TEST(Image, TextureSidesAreTheNextPowerOfTwo) {
    EXPECT_EQ(128u, textureSize(100));
    EXPECT_EQ(64u, textureSize(60));
    EXPECT_EQ(64u, textureSize(64));
    EXPECT_EQ(1u, textureSize(1));
    EXPECT_EQ(1u, textureSize(0));
    EXPECT_EQ(0x80000000u, textureSize(0x80000000u));
    EXPECT_EQ(0x80000000u, textureSize(0xFFFFFFFFu));
}

TEST(Image, FilterNamesAndParameters) {
    EXPECT_EQ(trilinear, strTo<ImageFilter>("trilinear"));
    EXPECT_THROW(strTo<ImageFilter>("Trilinear"), std::string);
    EXPECT_EQ("bilinear", toStr(bilinear));
    int minFilter = 0, magFilter = 0;
    ASSERT_TRUE(filterParameters(none, &minFilter, &magFilter));
    EXPECT_EQ(GL_NEAREST, minFilter);
    EXPECT_EQ(GL_NEAREST, magFilter);
    ASSERT_TRUE(filterParameters(bilinear, &minFilter, &magFilter));
    EXPECT_EQ(GL_NEAREST_MIPMAP_LINEAR, minFilter);
    EXPECT_EQ(GL_LINEAR, magFilter);
    ASSERT_TRUE(filterParameters(trilinear, &minFilter, &magFilter));
    EXPECT_EQ(GL_LINEAR_MIPMAP_LINEAR, minFilter);
    EXPECT_FALSE(filterParameters(4, &minFilter, &magFilter));
}

TEST(Image, UnpackAlignmentFollowsThePitch) {
    EXPECT_EQ(8, unpackAlignment(16, 15));
    EXPECT_EQ(4, unpackAlignment(12, 9));
    EXPECT_EQ(8, unpackAlignment(16, 16));
    EXPECT_EQ(4, unpackAlignment(12, 12));
    EXPECT_EQ(1, unpackAlignment(7, 7));
    EXPECT_EQ(0, unpackAlignment(10, 6));
}

TEST(Image, BytesAlreadyInOrderAreKept) {
    SurfacePtr rgba(SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 2, 32, 0x000000FF, 0x0000FF00,
                                         0x00FF0000, 0xFF000000));
    SurfacePtr rgb(SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 2, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0));
    EXPECT_EQ(rgba.get(), toTextureOrder(rgba.get()));
    EXPECT_EQ(rgb.get(), toTextureOrder(rgb.get()));
}

TEST(Image, BlueGreenRedPicturesAreTurnedIntoRedGreenBlue) {
    SurfacePtr bgr(SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0));
    SDL_FillRect(bgr.get(), nullptr, SDL_MapRGB(bgr->format, 255, 20, 10));
    SurfacePtr ordered(toTextureOrder(bgr.get()));
    ASSERT_NE(nullptr, ordered);
    ASSERT_NE(bgr.get(), ordered.get());
    EXPECT_EQ(24, ordered->format->BitsPerPixel);
    EXPECT_EQ(0u, ordered->format->Amask);
    EXPECT_EQ((Bytes{255, 20, 10}), bytes(ordered.get(), 1, 0));
}

TEST(Image, AlphaSurvivesTheConversion) {
    SurfacePtr argb(SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, 0x00FF0000, 0x0000FF00,
                                         0x000000FF, 0xFF000000));
    *static_cast<Uint32*>(argb->pixels) = 0x40112233;
    SurfacePtr ordered(toTextureOrder(argb.get()));
    ASSERT_NE(nullptr, ordered);
    EXPECT_EQ(32, ordered->format->BitsPerPixel);
    EXPECT_EQ((Bytes{0x11, 0x22, 0x33, 0x40}), bytes(ordered.get(), 0, 0));
    EXPECT_TRUE(argb->flags & SDL_SRCALPHA);
}

TEST(Image, ThirtyTwoBitsWithoutAlphaBecomeOpaqueRGB) {
    SurfacePtr xrgb(
        SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0));
    *static_cast<Uint32*>(xrgb->pixels) = 0x7F112233;
    SurfacePtr ordered(toTextureOrder(xrgb.get()));
    ASSERT_NE(nullptr, ordered);
    EXPECT_EQ(24, ordered->format->BitsPerPixel);
    EXPECT_EQ((Bytes{0x11, 0x22, 0x33}), bytes(ordered.get(), 0, 0));
}

TEST(Image, PaletteImagesGetTheirColoursAndColourKeysBecomeTransparent) {
    SurfacePtr indexed(SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 8, 0, 0, 0, 0));
    SDL_Color colors[2] = {{9, 8, 7, 0}, {200, 100, 50, 0}};
    SDL_SetColors(indexed.get(), colors, 0, 2);
    static_cast<Uint8*>(indexed->pixels)[1] = 1;
    SurfacePtr opaque(toTextureOrder(indexed.get()));
    ASSERT_NE(nullptr, opaque);
    EXPECT_EQ(24, opaque->format->BitsPerPixel);
    EXPECT_EQ((Bytes{9, 8, 7}), bytes(opaque.get(), 0, 0));
    EXPECT_EQ((Bytes{200, 100, 50}), bytes(opaque.get(), 1, 0));

    SDL_SetColorKey(indexed.get(), SDL_SRCCOLORKEY, 0);
    SurfacePtr keyed(toTextureOrder(indexed.get()));
    ASSERT_NE(nullptr, keyed);
    EXPECT_EQ(32, keyed->format->BitsPerPixel);
    EXPECT_EQ((Bytes{0, 0, 0, 0}), bytes(keyed.get(), 0, 0));
    EXPECT_EQ((Bytes{200, 100, 50, 255}), bytes(keyed.get(), 1, 0));
}

TEST(Image, PaddingIsTransparentBlack) {
    SurfacePtr rgba(SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 3, 32, 0x000000FF, 0x0000FF00,
                                         0x00FF0000, 0xFF000000));
    SDL_FillRect(rgba.get(), nullptr, 0x80405060);
    SDL_SetAlpha(rgba.get(), SDL_SRCALPHA, 255);
    SurfacePtr padded(padSurface(rgba.get(), 4, 4));
    ASSERT_NE(nullptr, padded);
    EXPECT_EQ(4, padded->w);
    EXPECT_EQ((Bytes{0x60, 0x50, 0x40, 0x80}), bytes(padded.get(), 2, 2));
    EXPECT_EQ((Bytes{0, 0, 0, 0}), bytes(padded.get(), 3, 0));
    EXPECT_EQ((Bytes{0, 0, 0, 0}), bytes(padded.get(), 0, 3));

    SurfacePtr rgb(SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0));
    SDL_FillRect(rgb.get(), nullptr, 0x112233);
    SurfacePtr paddedRgb(padSurface(rgb.get(), 2, 1));
    EXPECT_EQ(24, paddedRgb->format->BitsPerPixel);
    EXPECT_EQ((Bytes{0x33, 0x22, 0x11}), bytes(paddedRgb.get(), 0, 0));
    EXPECT_EQ((Bytes{0, 0, 0}), bytes(paddedRgb.get(), 1, 0));
}

TEST(Image, TilesRunFromTheTopLeftAndAreCutAtTheEdges) {
    // A 10 x 10 image in a 16 x 16 texture over a 25 x 15 rectangle at (100, 200).
    std::vector<TexturedQuad> quads = tiles(basic_Rect<float>(100, 200, 25, 15), 10, 10, 16, 16);
    ASSERT_EQ(6u, quads.size());
    float full = 10.0f / 16.0f;
    TexturedQuad const& first = quads[0];
    EXPECT_FLOAT_EQ(100, first.left);
    EXPECT_FLOAT_EQ(215, first.top);
    EXPECT_FLOAT_EQ(205, first.bottom);
    EXPECT_FLOAT_EQ(110, first.right);
    EXPECT_FLOAT_EQ(full, first.sRight);
    EXPECT_FLOAT_EQ(full, first.tBottom);
    EXPECT_FLOAT_EQ(0, first.sLeft);
    EXPECT_FLOAT_EQ(0, first.tTop);
    TexturedQuad const& lastOfRow = quads[2];
    EXPECT_FLOAT_EQ(120, lastOfRow.left);
    EXPECT_FLOAT_EQ(125, lastOfRow.right);
    EXPECT_FLOAT_EQ(full / 2, lastOfRow.sRight);
    TexturedQuad const& lastRow = quads[3];
    EXPECT_FLOAT_EQ(205, lastRow.top);
    EXPECT_FLOAT_EQ(200, lastRow.bottom);
    EXPECT_FLOAT_EQ(full / 2, lastRow.tBottom);
    EXPECT_FLOAT_EQ(full / 2, quads[5].sRight);
    EXPECT_FLOAT_EQ(full / 2, quads[5].tBottom);
}

TEST(Image, ImageFillingItsTextureIsOneRepeatingQuad) {
    std::vector<TexturedQuad> quads = tiles(basic_Rect<float>(0, 0, 40, 24), 16, 8, 16, 8);
    ASSERT_EQ(1u, quads.size());
    EXPECT_FLOAT_EQ(40, quads[0].right);
    EXPECT_FLOAT_EQ(24, quads[0].top);
    EXPECT_FLOAT_EQ(2.5f, quads[0].sRight);
    EXPECT_FLOAT_EQ(3.0f, quads[0].tBottom);
}

TEST(Image, EmptyRectangleOrImageWithoutSizeGivesNoTiles) {
    EXPECT_TRUE(tiles(basic_Rect<float>(0, 0, 0, 10), 4, 4, 4, 4).empty());
    EXPECT_TRUE(tiles(basic_Rect<float>(0, 0, 10, -1), 4, 4, 4, 4).empty());
    EXPECT_TRUE(tiles(basic_Rect<float>(0, 0, 10, 10), 3, 3, 4, 4).size() == 16);
    std::vector<TexturedQuad> none;
    tileQuads(basic_Rect<float>(0, 0, 10, 10), 0, 0, 0, 0, 0, 0,
              [&](TexturedQuad const& q) { none.push_back(q); });
    EXPECT_TRUE(none.empty());
    tileQuads(basic_Rect<float>(0, 0, 10, 10), 5, 0, 8, 0, 0, 0,
              [&](TexturedQuad const& q) { none.push_back(q); });
    EXPECT_TRUE(none.empty());
}

TEST(Image, NeverLoadedImageDrawsAndReleasesWithoutOpenGL) {
    // No window exists: any OpenGL call here would go to no context.
    SimpleImage image("ghost", "nowhere.png");
    EXPECT_EQ(0u, image.texture);
    image.draw(basic_Vector2D<float>(1, 1), 0);
    image.draw(basic_Rect<float>(0, 0, 50, 50), 2);
    image.drawStretched(basic_Rect<float>(0, 0, 50, 50), 0);
    image.release(false);
    image.setFilter(trilinear);
    EXPECT_EQ(0u, image.texture);
}

TEST(Image, FileThatCannotBeReadThrowsItsName) {
    testutil::TempDir dir;
    std::string file = dir.write("broken.png", "not a picture");
    SimpleImage image("broken", file);
    try {
        image.load(false, true);
        FAIL();
    } catch (std::string const& text) {
        EXPECT_EQ(0u, text.find("Could not load \"" + file + "\": ")) << text;
        EXPECT_EQ('.', text.back());
    }
    EXPECT_EQ(0u, image.texture);
}

TEST(ImageGL, PaddedRGBAImageIsUploadedAsRGBA8) {
    testutil::Window window(16, 16);
    testutil::TempDir dir;
    ASSERT_TRUE(testutil::writePng(dir.file("a.png"), 100, 60, 4, pattern(100, 60, 4)));
    SimpleImage image("a", dir.file("a.png"));
    image.refresh(false);
    ASSERT_NE(0u, image.texture);
    EXPECT_EQ(100u, image.width);
    EXPECT_EQ(60u, image.height);
    EXPECT_EQ(128u, image.textureWidth);
    EXPECT_EQ(64u, image.textureHeight);
    EXPECT_FLOAT_EQ(0.78125f, image.getRightTexCoord());
    EXPECT_FLOAT_EQ(0.9375f, image.getLowerTexCoord());
    EXPECT_FLOAT_EQ(0.0f, image.getUpperTexCoord());
    EXPECT_EQ(GL_RGBA8, levelParameter(image, 0, GL_TEXTURE_INTERNAL_FORMAT));
    EXPECT_EQ(128, levelParameter(image, 0, GL_TEXTURE_WIDTH));
    std::vector<std::uint8_t> texels = textureContents(image);
    auto texel = [&](int x, int y) { return testutil::rgba(&texels[(y * 128 + x) * 4]); };
    EXPECT_EQ(0x00000000u, texel(100, 0));
    EXPECT_EQ(0x00000000u, texel(0, 60));
    EXPECT_EQ(0x00000000u, texel(127, 63));
    // The image's top row is at t = 0.
    EXPECT_EQ(0x0A14C8FCu, texel(1, 2));
    EXPECT_EQ(0xDE4EC861u, texel(99, 59));
    EXPECT_EQ(GL_LINEAR, textureParameter(image, GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(GL_REPEAT, textureParameter(image, GL_TEXTURE_WRAP_S));
}

TEST(ImageGL, RGBImageOfOddWidthIsUploadedAsRGB8) {
    testutil::Window window(16, 16);
    testutil::TempDir dir;
    ASSERT_TRUE(testutil::writePng(dir.file("odd.png"), 5, 3, 3, pattern(5, 3, 3)));
    SimpleImage image("odd", dir.file("odd.png"));
    image.filter = none;
    image.clamp = true;
    image.refresh(false);
    EXPECT_EQ(GL_RGB8, levelParameter(image, 0, GL_TEXTURE_INTERNAL_FORMAT));
    EXPECT_EQ(GL_CLAMP_TO_EDGE, textureParameter(image, GL_TEXTURE_WRAP_S));
    EXPECT_EQ(GL_CLAMP_TO_EDGE, textureParameter(image, GL_TEXTURE_WRAP_T));
    EXPECT_EQ(GL_NEAREST, textureParameter(image, GL_TEXTURE_MAG_FILTER));
    std::vector<std::uint8_t> texels = textureContents(image);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(patternAt(x, y), testutil::rgba(&texels[(y * 8 + x) * 4])) << x << "," << y;
    EXPECT_EQ(0x000000FFu, testutil::rgba(&texels[(0 * 8 + 5) * 4]));
}

TEST(ImageGL, BitmapKeepsItsColours) {
    testutil::Window window(16, 16);
    testutil::TempDir dir;
    SurfacePtr surface(
        SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0));
    Uint8* p = static_cast<Uint8*>(surface->pixels);
    p[0] = 255; // red
    p[5] = 255; // blue
    ASSERT_EQ(0, SDL_SaveBMP(surface.get(), dir.file("rb.bmp").c_str()));
    SimpleImage image("rb", dir.file("rb.bmp"));
    image.refresh(false);
    std::vector<std::uint8_t> texels = textureContents(image);
    EXPECT_EQ(0xFF0000FFu, testutil::rgba(&texels[0]));
    EXPECT_EQ(0x0000FFFFu, testutil::rgba(&texels[4]));
}

TEST(ImageGL, FilterIsCappedByTheBankButMipmapsFollowTheImage) {
    testutil::Window window(16, 16);
    testutil::TempDir dir;
    ASSERT_TRUE(testutil::writePng(dir.file("m.png"), 8, 8, 4, pattern(8, 8, 4)));
    ImageBank bank;
    auto* image = new SimpleImage("m", dir.file("m.png"));
    image->bank = &bank;
    bank.resources["m"] = image;
    image->filter = trilinear;
    image->refresh(false);
    EXPECT_EQ(GL_LINEAR, textureParameter(*image, GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(GL_LINEAR, textureParameter(*image, GL_TEXTURE_MAG_FILTER));
    EXPECT_EQ(4, levelParameter(*image, 1, GL_TEXTURE_WIDTH));
    bank.maxFilter = trilinear;
    image->setFilter(bilinear);
    EXPECT_EQ(GL_NEAREST_MIPMAP_LINEAR, textureParameter(*image, GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(trilinear, image->filter);
    image->release(true);
}

TEST(ImageGL, RefreshOfALoadedImageOnlyReappliesItsFilter) {
    testutil::Window window(16, 16);
    testutil::TempDir dir;
    ASSERT_TRUE(testutil::writePng(dir.file("r.png"), 4, 4, 4, pattern(4, 4, 4)));
    SimpleImage image("r", dir.file("r.png"));
    image.refresh(false);
    unsigned texture = image.texture;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    std::remove(dir.file("r.png").c_str());
    image.refresh(false);
    EXPECT_EQ(texture, image.texture);
    EXPECT_EQ(GL_LINEAR, textureParameter(image, GL_TEXTURE_MIN_FILTER));
}

TEST(ImageGL, ReleaseFreesTheTextureButKeepsTheData) {
    testutil::Window window(16, 16);
    testutil::TempDir dir;
    ASSERT_TRUE(testutil::writePng(dir.file("k.png"), 6, 4, 4, pattern(6, 4, 4)));
    SimpleImage image("k", dir.file("k.png"));
    image.bitmaskThreshold = 0.5f;
    image.hotspot = basic_Vector2D<float>(3, 2);
    image.refresh(false);
    unsigned texture = image.texture;
    ASSERT_TRUE(glIsTexture(texture));
    Bitmask* mask = image.bitmask;
    ASSERT_NE(nullptr, mask);
    image.release(false);
    EXPECT_EQ(0u, image.texture);
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(6u, image.width);
    EXPECT_EQ(basic_Vector2D<float>(3, 2), image.hotspot);
    EXPECT_EQ(mask, image.bitmask);
    // Drawing a released image leaves the screen alone.
    RenderContext2D(basic_Vector2D<float>(16, 16)).apply();
    glClearColor(0, 0, 0, 1);
    clearScreen();
    image.draw(basic_Rect<float>(0, 0, 16, 16), 0);
    image.draw(basic_Vector2D<float>(8, 8), 0);
    EXPECT_EQ(0x000000FFu, testutil::pixelAt(8, 8));
}

TEST(ImageGL, BitmaskIsBuiltOnceAndLaterLoadsResetTheBoxes) {
    testutil::Window window(16, 16);
    testutil::TempDir dir;
    std::vector<std::uint8_t> pixels = pattern(4, 2, 4);
    pixels[3] = 0; // pixel (0, 0) transparent
    ASSERT_TRUE(testutil::writePng(dir.file("b.png"), 4, 2, 4, pixels));
    SimpleImage image("b", dir.file("b.png"));
    image.bitmaskThreshold = 0.5f;
    image.refresh(false);
    ASSERT_NE(nullptr, image.bitmask);
    EXPECT_FALSE(image.bitmask->at(0, 0));
    EXPECT_TRUE(image.bitmask->at(1, 0));
    EXPECT_EQ(BoundingBox(0, 0, 4, 2), image.outerBoundingBox);
    EXPECT_EQ(BoundingBox(1, 0, 3, 2), image.innerBoundingBox);
    Bitmask* mask = image.bitmask;
    image.reload(false);
    EXPECT_EQ(mask, image.bitmask);
    EXPECT_EQ(BoundingBox(0, 0, 4, 2), image.outerBoundingBox);
    EXPECT_EQ(BoundingBox(), image.innerBoundingBox);
    image.release(false);

    SimpleImage plain("p", dir.file("b.png"));
    plain.refresh(false);
    EXPECT_EQ(nullptr, plain.bitmask);
    plain.release(false);
}

TEST(ImageGL, DrawPutsTheImageCornerAtThePositionLessTheHotSpot) {
    Canvas canvas(64);
    testutil::TempDir dir;
    ASSERT_TRUE(testutil::writePng(dir.file("d.png"), 5, 3, 3, pattern(5, 3, 3)));
    SimpleImage image("d", dir.file("d.png"));
    image.filter = none;
    image.hotspot = basic_Vector2D<float>(1, 2);
    image.refresh(false);
    image.draw(basic_Vector2D<float>(20, 30), 0);
    // Bottom left corner at (19, 32): the image's bottom row is screen row 32.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(patternAt(x, y), testutil::pixelAt(19 + x, 32 + 2 - y)) << x << "," << y;
    EXPECT_EQ(0x000000FFu, testutil::pixelAt(18, 32));
    EXPECT_EQ(0x000000FFu, testutil::pixelAt(19, 35));
    image.release(false);
}

TEST(ImageGL, DrawIntoARectangleTilesFromItsTopLeft) {
    Canvas canvas(64);
    testutil::TempDir dir;
    ASSERT_TRUE(testutil::writePng(dir.file("t.png"), 10, 10, 3, pattern(10, 10, 3)));
    SimpleImage image("t", dir.file("t.png"));
    image.filter = none;
    image.refresh(false);
    image.draw(basic_Rect<float>(4, 6, 25, 15), 0);
    std::vector<std::uint8_t> screen = testutil::readPixels(0, 0, 64, 64);
    int wrong = 0;
    for (int sy = 0; sy < 64; ++sy)
        for (int sx = 0; sx < 64; ++sx) {
            bool inside = sx >= 4 && sx < 29 && sy >= 6 && sy < 21;
            // Rows count down from the rectangle's top edge at 21.
            std::uint32_t expected =
                inside ? patternAt((sx - 4) % 10, (20 - sy) % 10) : 0x000000FFu;
            if (testutil::rgba(&screen[(sy * 64 + sx) * 4]) != expected && ++wrong < 5)
                ADD_FAILURE() << "screen " << sx << "," << sy;
        }
    EXPECT_EQ(0, wrong);
    image.release(false);
}

TEST(ImageGL, DrawStretchedCoversTheRectangleTopDown) {
    Canvas canvas(32);
    testutil::TempDir dir;
    ASSERT_TRUE(testutil::writePng(dir.file("q.png"), 2, 2, 3, pattern(2, 2, 3)));
    SimpleImage image("q", dir.file("q.png"));
    image.filter = none;
    image.refresh(false);
    glEnable(GL_BLEND);
    image.drawStretched(basic_Rect<float>(0, 0, 20, 20), 2);
    EXPECT_EQ(patternAt(0, 0), testutil::pixelAt(2, 17));
    EXPECT_EQ(patternAt(1, 0), testutil::pixelAt(17, 17));
    EXPECT_EQ(patternAt(0, 1), testutil::pixelAt(2, 2));
    EXPECT_EQ(patternAt(1, 1), testutil::pixelAt(17, 2));
    EXPECT_EQ(0x000000FFu, testutil::pixelAt(21, 21));
    // The blend function a draw sets stays in effect; the colour does not.
    GLint destination = 0;
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(GL_ONE, destination);
    image.release(false);
}

TEST(ImageGL, DrawsLeaveTheStateAsFoundButForTexturingAndTheirBlendFunction) {
    Canvas canvas(32);
    testutil::TempDir dir;
    ASSERT_TRUE(testutil::writePng(dir.file("s.png"), 6, 5, 3, pattern(6, 5, 3)));
    SimpleImage image("s", dir.file("s.png"));
    image.filter = none;
    image.hotspot = basic_Vector2D<float>(2, 1);
    image.refresh(false);
    Animation animation("a");
    animation.frames.push_back(AnimationFrame(&image, 100.0f));
    std::unique_ptr<AnimationReference> reference(animation.getReference(1.0f));
    GLuint other = 0;
    glGenTextures(1, &other);
    GLfloat vertices[9] = {};
    struct Form {
        char const* name;
        std::function<void(Image const&, BlendMode)> draw;
    };
    Form const forms[] = {
        {"at", [](Image const& i, BlendMode b) { i.draw(basic_Vector2D<float>(8, 8), b); }},
        {"tiled", [](Image const& i, BlendMode b) { i.draw(basic_Rect<float>(1, 1, 13, 7), b); }},
        {"stretched",
         [](Image const& i, BlendMode b) { i.drawStretched(basic_Rect<float>(1, 1, 9, 9), b); }}};
    for (Image const* drawn :
         {static_cast<Image const*>(&image), static_cast<Image const*>(reference.get())})
        for (Form const& form : forms)
            for (BlendMode blend : {0, 2})
                for (GLenum mode : {GL_MODELVIEW, GL_PROJECTION}) {
                    testutil::setUnusualState(other, vertices);
                    glMatrixMode(mode);
                    testutil::GLState expected = testutil::GLState::read();
                    expected.texture2D = GL_TRUE;
                    expected.boundTexture = static_cast<GLint>(image.texture);
                    if (blend == 2) {
                        expected.blendSource = GL_SRC_ALPHA;
                        expected.blendDestination = GL_ONE;
                    }
                    form.draw(*drawn, blend);
                    EXPECT_EQ(expected.text(), testutil::GLState::read().text())
                        << form.name << " blend " << blend << " matrix mode " << mode
                        << (drawn == &image ? "" : " through the animation");
                }
    glMatrixMode(GL_MODELVIEW);

    // The model-view matrix in effect moves the picture, whose bottom left corner would be at
    // (6, 9), by (3, 5).
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    image.draw(basic_Vector2D<float>(8, 8), 0);
    EXPECT_EQ(patternAt(0, 0), testutil::pixelAt(9, 18));
    EXPECT_EQ(patternAt(5, 4), testutil::pixelAt(14, 14));
    EXPECT_EQ(0x000000FFu, testutil::pixelAt(8, 18));
    EXPECT_EQ(0x000000FFu, testutil::pixelAt(9, 19));
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    glDeleteTextures(1, &other);
    image.release(false);
}
