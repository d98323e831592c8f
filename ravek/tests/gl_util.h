#ifndef RAVEK_TESTS_GL_UTIL_H
#define RAVEK_TESTS_GL_UTIL_H

// Helpers of the tests that draw or handle pictures: a window under the test command's X
// server, reading pixels back, and writing and reading PNG files made inside the tests.
#include "ravek/src/ravek.h"

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace testutil {

// Puts back OpenGL's initial values of the state the tests draw with.
inline void resetDrawingState() {
    for (GLenum capability : {GL_BLEND, GL_TEXTURE_2D, GL_SCISSOR_TEST, GL_DEPTH_TEST,
                              GL_ALPHA_TEST, GL_LIGHTING, GL_FOG, GL_CULL_FACE, GL_NORMALIZE})
        glDisable(capability);
    for (GLenum array : {GL_VERTEX_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY})
        glDisableClientState(array);
    glBlendFunc(GL_ONE, GL_ZERO);
    glBindTexture(GL_TEXTURE_2D, 0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glListBase(0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
    for (GLenum matrix : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(matrix);
        glLoadIdentity();
    }
}

// An OpenGL window of the given size, 32 bits per pixel, in the state of a new context. SDL
// stays up afterwards: shutting it down unloads Mesa's driver, whose leftovers LeakSanitizer
// could then no longer attribute to it. The test command runs each test in a process of its
// own; when several run in one, a window after the first keeps the OpenGL context (classic SDL
// and sdl12-compat both keep it across modes), so its state is put back here, and one buffer
// swap makes Mesa take the window's new size, which classic SDL leaves to the next swap.
class Window {
public:
    Window(int width, int height) {
        if (SDL_Init(SDL_INIT_VIDEO) != 0)
            ADD_FAILURE() << SDL_GetError();
        ravek::setResolution(width, height, 32, false, 0, 0);
        resetDrawingState();
        glScissor(0, 0, width, height);
        ravek::flipScreen();
    }
    ~Window() { ravek::currentRenderContext = nullptr; }
};

// RGBA bytes of a rectangle of the back buffer, bottom row first.
inline std::vector<std::uint8_t> readPixels(int x, int y, int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

inline std::uint32_t rgba(std::uint8_t const* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// The pixel of the back buffer as 0xRRGGBBAA.
inline std::uint32_t pixelAt(int x, int y) {
    return rgba(readPixels(x, y, 1, 1).data());
}

// Writes 8-bit RGBA (channels 4) or RGB (channels 3) pixels, top row first, as a PNG file.
inline bool writePng(std::string const& file, int width, int height, int channels,
                     std::vector<std::uint8_t> const& pixels) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, file.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

// A PNG file as read by libpng: its header and its pixels expanded to RGBA, top row first.
struct PngFile {
    bool ok = false;
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    std::vector<std::uint8_t> pixels;

    std::uint32_t at(int x, int y) const {
        return rgba(&pixels[(static_cast<size_t>(y) * width + x) * 4]);
    }
};

namespace detail {
// libpng reads in a frame without C++ objects, so that its long jump skips no destructor.
inline bool readRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

inline bool readHeader(png_structp png, png_infop info, FILE* file, PngFile* out) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_read_info(png, info);
    png_get_IHDR(png, info, &out->width, &out->height, &out->bitDepth, &out->colorType,
                 &out->interlace, nullptr, nullptr);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}
} // namespace detail

inline PngFile readPng(std::string const& file) {
    PngFile result;
    FILE* in = std::fopen(file.c_str(), "rb");
    if (!in)
        return result;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (detail::readHeader(png, info, in, &result)) {
        result.pixels.resize(static_cast<size_t>(result.width) * result.height * 4);
        std::vector<png_bytep> rows(result.height);
        for (png_uint_32 y = 0; y < result.height; ++y)
            rows[y] = &result.pixels[static_cast<size_t>(y) * result.width * 4];
        result.ok = detail::readRows(png, info, rows.data());
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);
    return result;
}

} // namespace testutil

#endif
