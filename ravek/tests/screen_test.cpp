#include "ravek/src/debug.h"
#include "ravek/src/ravek.h"

#include "ravek/tests/gl_util.h"
#include "ravek/tests/test_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using namespace ravek;

namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
typedef std::unique_ptr<SDL_Surface, SurfaceDeleter> SurfacePtr;

// Fills a red quad over [x0, x1] x [y0, y1] in the current context.
void fillQuad(float x0, float y0, float x1, float y1) {
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

GLint integer(GLenum name) {
    GLint value[4] = {};
    glGetIntegerv(name, value);
    return value[0];
}

} // namespace

namespace {

// SDL without video for the length of a test, whatever ran before it in the process; with
// `driver` its video subsystem is started with that driver instead, and shut down again after.
class SDLVideo {
public:
    explicit SDLVideo(char const* driver = nullptr) {
        SDL_Quit();
        if (!driver)
            return;
        setenv("SDL_VIDEODRIVER", driver, 1);
        started = SDL_Init(SDL_INIT_VIDEO) == 0;
    }
    ~SDLVideo() {
        SDL_Quit();
        unsetenv("SDL_VIDEODRIVER");
    }
    bool started = false;
};

} // namespace

TEST(Screen, RefusedModeThrowsSDLsTextAndKeepsTheGlobals) {
    // SDL's dummy driver has no OpenGL. What SDL says differs between libraries; the engine
    // passes it on unchanged.
    SDLVideo video("dummy");
    ASSERT_TRUE(video.started) << SDL_GetError();
    screen = nullptr;
    currentViewport = nullptr;
    vpScreen = basic_Rect<float>();
    try {
        setResolution(800, 600, 32, true, 0, 0);
        ADD_FAILURE() << "no throw";
    } catch (std::string const& text) {
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(SDL_GetError(), text);
    }
    EXPECT_EQ(nullptr, screen);
    EXPECT_EQ(nullptr, currentViewport);
    EXPECT_EQ(basic_Rect<float>(), vpScreen);
    EXPECT_FALSE(fullscreen);
}

TEST(Screen, ModeWithoutSDLVideoThrowsInsteadOfCrashing) {
    SDLVideo none;
    screen = nullptr;
    try {
        setResolution(800, 600, 32, false, 0, 0);
        FAIL();
    } catch (std::string const& text) {
        EXPECT_EQ("Could not set video mode: SDL video is not initialized.", text);
    }
    EXPECT_EQ(nullptr, screen);
}

TEST(Screen, ToggleWithoutAWindowThrowsAndKeepsTheFlag) {
    screen = nullptr;
    fullscreen = false;
    try {
        toggleFullscreen();
        FAIL();
    } catch (std::string const& text) {
        EXPECT_EQ("Could not toggle fullscreen mode: no video mode is set.", text);
    }
    EXPECT_FALSE(fullscreen);
}

TEST(Screen, SetFullscreenToTheCurrentStateDoesNothing) {
    // Without a window a toggle would throw.
    fullscreen = true;
    EXPECT_NO_THROW(setFullscreen(true));
    EXPECT_TRUE(fullscreen);
    fullscreen = false;
    EXPECT_NO_THROW(setFullscreen(false));
    EXPECT_THROW(setFullscreen(true), std::string);
}

TEST(Screen, GetPixelReadsEveryPixelSize) {
    SurfacePtr s8(SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 2, 8, 0, 0, 0, 0));
    static_cast<Uint8*>(s8->pixels)[s8->pitch + 2] = 0xAB;
    EXPECT_EQ(0xABu, getPixel(s8.get(), 2, 1));

    SurfacePtr s16(SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 2, 16, 0xF800, 0x07E0, 0x001F, 0));
    Uint16 word = 0xBEEF;
    std::memcpy(static_cast<Uint8*>(s16->pixels) + s16->pitch + 2, &word, 2);
    EXPECT_EQ(0xBEEFu, getPixel(s16.get(), 1, 1));

    SurfacePtr s24(SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 2, 24, 0xFF, 0xFF00, 0xFF0000, 0));
    Uint8* p24 = static_cast<Uint8*>(s24->pixels) + s24->pitch + 6;
    p24[0] = 0x11;
    p24[1] = 0x22;
    p24[2] = 0x33;
    EXPECT_EQ(0x332211u, getPixel(s24.get(), 2, 1));

    SurfacePtr s32(
        SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 2, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000));
    Uint8* p32 = static_cast<Uint8*>(s32->pixels) + 4;
    p32[0] = 0x11;
    p32[1] = 0x22;
    p32[2] = 0x33;
    p32[3] = 0x44;
    EXPECT_EQ(0x44332211u, getPixel(s32.get(), 1, 0));
}

TEST(Screen, HintValuesChooseTheirMode) {
    EXPECT_EQ(static_cast<unsigned>(GL_FASTEST), hintMode(-5));
    EXPECT_EQ(static_cast<unsigned>(GL_NICEST), hintMode(3));
    EXPECT_EQ(static_cast<unsigned>(GL_DONT_CARE), hintMode(0));
}

TEST(ScreenGL, SetResolutionDescribesTheModeAndLogsIt) {
    debug::setGroup(dbgCore, "ravek:core", debug::LEVEL_INFO);
    testutil::LogCapture log;
    testutil::Window window(800, 600);
    std::string text = log.text();
    EXPECT_NE(std::string::npos, text.find("(info) Ravek is now using OpenGL version \""));
    EXPECT_NE(std::string::npos, text.find("\" at 800x600x32.\n")) << text;
    ASSERT_NE(nullptr, screen);
    EXPECT_EQ(800, screen->w);
    EXPECT_EQ(basic_Rect<float>(0.0f, 0.0f, 800.0f, 600.0f), vpScreen);
    EXPECT_EQ(&vpScreen, currentViewport);
    EXPECT_FALSE(fullscreen);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(800, viewport[2]);
    EXPECT_EQ(600, viewport[3]);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(0.0f, clear[3]);
    int bits = 0;
    SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &bits);
    EXPECT_EQ(8, bits);
    SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &bits);
    EXPECT_EQ(1, bits);
}

TEST(ScreenGL, ToggleFullscreenFlipsTheFlag) {
    testutil::Window window(64, 48);
    setFullscreen(true);
    EXPECT_TRUE(fullscreen);
    setFullscreen(false);
    EXPECT_FALSE(fullscreen);
}

TEST(ScreenGL, VideoModesStartWithTheSmallest) {
    testutil::Window window(64, 48);
    auto modes = getVideoModes();
    ASSERT_FALSE(modes.empty());
    EXPECT_LE(modes.front().first, modes.back().first);
}

TEST(ScreenGL, ContextMapsItsSizeOntoTheWindowCorners) {
    testutil::Window window(80, 60);
    RenderContext2D context(basic_Vector2D<float>(800.0f, 600.0f));
    context.apply();
    EXPECT_EQ(&context, currentRenderContext);
    clearScreen();
    fillQuad(0.0f, 0.0f, 10.0f, 10.0f);
    fillQuad(790.0f, 590.0f, 800.0f, 600.0f);
    EXPECT_EQ(0xFF0000FFu, testutil::pixelAt(0, 0));
    EXPECT_EQ(0xFF0000FFu, testutil::pixelAt(79, 59));
    EXPECT_EQ(0x00000000u, testutil::pixelAt(1, 1));
    EXPECT_EQ(0x00000000u, testutil::pixelAt(78, 58));
}

TEST(ScreenGL, ContextBuiltBeforeTheFirstModeProjectsOntoTheScreen) {
    currentViewport = nullptr;
    RenderContext2D early;
    ASSERT_EQ(basic_Vector2D<float>(0.0f, 0.0f), early.size);
    testutil::Window window(64, 48);
    early.apply();
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(2.0f / 64, projection[0]);
    EXPECT_FLOAT_EQ(2.0f / 48, projection[5]);
    clearScreen();
    fillQuad(63.0f, 47.0f, 64.0f, 48.0f);
    EXPECT_EQ(0xFF0000FFu, testutil::pixelAt(63, 47));
}

TEST(ScreenGL, ContextsApplyTheirState) {
    testutil::Window window(32, 32);
    RenderContext2D flat(basic_Vector2D<float>(32.0f, 32.0f));
    flat.wireframe = true;
    flat.smoothShading = 1;
    flat.fogHint = -5;
    flat.pointSmoothHint = 3;
    flat.lighting = true;
    flat.separateSpecular = 1;
    flat.blending = true;
    flat.blendMode = 2;
    glEnable(GL_DEPTH_TEST);
    flat.apply();
    GLint polygon[2];
    glGetIntegerv(GL_POLYGON_MODE, polygon);
    EXPECT_EQ(GL_LINE, polygon[0]);
    EXPECT_EQ(GL_SMOOTH, integer(GL_SHADE_MODEL));
    EXPECT_EQ(GL_FASTEST, integer(GL_FOG_HINT));
    EXPECT_EQ(GL_NICEST, integer(GL_POINT_SMOOTH_HINT));
    EXPECT_EQ(GL_DONT_CARE, integer(GL_PERSPECTIVE_CORRECTION_HINT));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(GL_SEPARATE_SPECULAR_COLOR, integer(GL_LIGHT_MODEL_COLOR_CONTROL));
    GLfloat ambient[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_FLOAT_EQ(0.1f, ambient[3]);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(GL_ONE, integer(GL_BLEND_DST));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(GL_MODELVIEW, integer(GL_MATRIX_MODE));

    RenderContext3D deep;
    deep.fogMode = 2;
    deep.fogDensity = 0.5f;
    deep.apply();
    EXPECT_EQ(&deep, currentRenderContext);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_EQ(GL_EXP, integer(GL_FOG_MODE));
    GLfloat density;
    glGetFloatv(GL_FOG_DENSITY, &density);
    EXPECT_FLOAT_EQ(0.5f, density);
    deep.fogMode = 0;
    deep.apply();
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}
