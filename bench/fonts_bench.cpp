// Font::print of a 40-character line through the font's display lists against drawing the same
// 40 textured quads in immediate mode. Needs a display (the test command's Xvfb). The Finished
// pair waits for the drawing to complete each time, so it includes rasterising.
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/ravek.h"
#include "ravek/src/xml.h"

#include "bench/ratio.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

int const PER_LINE = 16;
int const CELL = 10;
int const HEIGHT = 12;
int const PADDING = 2;
char const* const LINE = "The quick brown fox jumps over a lazy do";

std::string directory;
ravek::fonts::BitmapFont* font = nullptr;
std::vector<ravek::gfx::TexturedQuad> quads;

int glyphWidth(int code) {
    return 5 + code % 5;
}

// Glyphs for the codes 32 to 126, 16 to a line, each cell a different shade.
bool writeFont() {
    char pattern[] = "/tmp/ravek_fonts_bench_XXXXXX";
    if (!mkdtemp(pattern))
        return false;
    directory = std::string(pattern) + "/";
    int lines = (95 + PER_LINE - 1) / PER_LINE;
    int width = PER_LINE * (CELL + PADDING);
    int height = lines * (HEIGHT + PADDING);
    std::vector<png_byte> pixels(static_cast<size_t>(width) * height * 4, 0);
    std::ofstream xml(directory + "bitmapfont.xml");
    xml << "<?xml version=\"1.0\"?>\n<bitmapfont name=\"Bench\" size=\"12\" height=\"" << HEIGHT
        << "\" spacing=\"1\" hPadding=\"" << PADDING << "\" vPadding=\"" << PADDING
        << "\">\n<image file=\"glyphs.png\">\n";
    for (int line = 0; line < lines; ++line) {
        xml << "<line index=\"" << line + 1 << "\">\n";
        int x = 0;
        for (int i = 0; i < PER_LINE && line * PER_LINE + i < 95; ++i) {
            int code = 32 + line * PER_LINE + i;
            int w = glyphWidth(code);
            xml << "<char char=\"" << code << "\" width=\"" << w << "\"/>\n";
            for (int y = 0; y < HEIGHT; ++y)
                for (int column = 0; column < w; ++column) {
                    png_byte* p =
                        &pixels[(static_cast<size_t>(line * (HEIGHT + PADDING) + y) * width + x +
                                 column) *
                                4];
                    p[0] = static_cast<png_byte>(code * 2);
                    p[1] = static_cast<png_byte>(255 - code);
                    p[2] = 200;
                    p[3] = 255;
                }
            x += w + PADDING;
        }
        xml << "</line>\n";
    }
    xml << "</image>\n</bitmapfont>\n";
    xml.close();
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    return xml.good() && png_image_write_to_file(&image, (directory + "glyphs.png").c_str(), 0,
                                                 pixels.data(), 0, nullptr);
}

void removeFont() {
    std::remove((directory + "bitmapfont.xml").c_str());
    std::remove((directory + "glyphs.png").c_str());
    rmdir(directory.c_str());
}

// The quads print draws for LINE, placed along the line.
void makeQuads() {
    auto root =
        std::unique_ptr<ravek::xml::Node>(ravek::xml::loadXML(directory + "bitmapfont.xml"));
    ravek::fonts::BitmapFontCharacters glyphs =
        font->readCharacters(root.get(), directory, 0, PADDING, PADDING);
    float pen = 0.0f;
    for (char const* c = LINE; *c; ++c) {
        ravek::fonts::BitmapFontCharacterData const& glyph = glyphs[*c];
        ravek::gfx::TexturedQuad q = ravek::fonts::glyphQuad(
            glyph, static_cast<float>(font->image->width), static_cast<float>(font->image->height),
            font->image->getTexCoordRect().width, font->image->getTexCoordRect().height);
        q.left += pen;
        q.right += pen;
        quads.push_back(q);
        pen += static_cast<float>(glyph.width + font->spacing);
    }
}

void drawQuads() {
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_TEXTURE_BIT);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, font->image->texture);
    glBegin(GL_QUADS);
    for (ravek::gfx::TexturedQuad const& q : quads) {
        glTexCoord2f(q.sLeft, q.tBottom);
        glVertex2f(q.left, q.bottom);
        glTexCoord2f(q.sLeft, q.tTop);
        glVertex2f(q.left, q.top);
        glTexCoord2f(q.sRight, q.tTop);
        glVertex2f(q.right, q.top);
        glTexCoord2f(q.sRight, q.tBottom);
        glVertex2f(q.right, q.bottom);
    }
    glEnd();
    glPopAttrib();
}

void BM_FontPrint(benchmark::State& state) {
    for (auto _ : state) {
        glLoadIdentity();
        glTranslatef(4.0f, 20.0f, 0.0f);
        font->print(LINE);
    }
    glFinish();
}
BENCHMARK(BM_FontPrint);

void BM_FontPrintCentered(benchmark::State& state) {
    for (auto _ : state) {
        glLoadIdentity();
        glTranslatef(128.0f, 20.0f, 0.0f);
        font->print(ravek::JustificationHorizontal::center, LINE);
    }
    glFinish();
}
BENCHMARK(BM_FontPrintCentered);

void BM_ImmediateQuads(benchmark::State& state) {
    for (auto _ : state) {
        glLoadIdentity();
        glTranslatef(4.0f, 20.0f, 0.0f);
        drawQuads();
    }
    glFinish();
}
BENCHMARK(BM_ImmediateQuads);

void BM_FontPrintFinished(benchmark::State& state) {
    for (auto _ : state) {
        glLoadIdentity();
        glTranslatef(4.0f, 20.0f, 0.0f);
        font->print(LINE);
        glFinish();
    }
}
BENCHMARK(BM_FontPrintFinished);

void BM_ImmediateQuadsFinished(benchmark::State& state) {
    for (auto _ : state) {
        glLoadIdentity();
        glTranslatef(4.0f, 20.0f, 0.0f);
        drawQuads();
        glFinish();
    }
}
BENCHMARK(BM_ImmediateQuadsFinished);

} // namespace

int main(int argc, char** argv) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s\n", SDL_GetError());
        return 1;
    }
    try {
        ravek::setResolution(256, 64, 32, false, 0, 0);
        if (!writeFont()) {
            std::fprintf(stderr, "could not write the font\n");
            return 1;
        }
        font = new ravek::fonts::BitmapFont(directory);
    } catch (std::string const& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return 1;
    }
    if (!font->image || font->listBase == 0) {
        std::fprintf(stderr, "the font was not built\n");
        return 1;
    }
    ravek::RenderContext2D(ravek::basic_Vector2D<float>(256.0f, 64.0f)).apply();
    makeQuads();
    // The driver compiles its drawing code on first use; keep that out of the first benchmark.
    font->print(LINE);
    drawQuads();
    glFinish();
    int status = bench::runWithRatios(argc, argv,
                                      {{"BM_FontPrint", "BM_ImmediateQuads"},
                                       {"BM_FontPrintCentered", "BM_ImmediateQuads"},
                                       {"BM_FontPrintFinished", "BM_ImmediateQuadsFinished"}});
    delete font;
    removeFont();
    // SDL stays up: shutting it down unloads the OpenGL driver before the leak check.
    return status;
}
