#include "ravek/src/gfx/fonts.h"

#include "ravek/src/debug.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cassert>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace ravek {
namespace fonts {

namespace {

char const* const XML_FONTS = "fonts";
char const* const XML_FONTS_BITMAPFONT = "bitmapfont";
char const* const XML_FONTS_DIR = "dir";
char const* const BITMAPFONT_FILE = "bitmapfont.xml";
char const* const XML_BITMAPFONT = "bitmapfont";
char const* const XML_BITMAPFONT_NAME = "name";
char const* const XML_BITMAPFONT_SIZE = "size";
char const* const XML_BITMAPFONT_HEIGHT = "height";
char const* const XML_BITMAPFONT_SPACING = "spacing";
char const* const XML_BITMAPFONT_YHOTSPOT = "yHotSpot";
char const* const XML_BITMAPFONT_WIDTH = "width";
char const* const XML_BITMAPFONT_HPADDING = "hPadding";
char const* const XML_BITMAPFONT_VPADDING = "vPadding";
char const* const XML_CHAR = "char";
char const* const XML_CHAR_CHAR = "char";
char const* const XML_CHAR_WIDTH = "width";
char const* const XML_CHAR_HEIGHT = "height";
char const* const XML_CHAR_YHOTSPOT = "yHotSpot";
char const* const XML_IMAGE = "image";
char const* const XML_IMAGE_FILE = "file";
char const* const XML_LINE = "line";
char const* const XML_LINE_INDEX = "index";

std::size_t const PRINTF_BUFFER = 1024;

// Fonts are read while the resource description loads, which may be before the window exists;
// display lists and textures can only be made or deleted while an OpenGL video mode is set.
bool hasContext() {
    SDL_Surface* surface = SDL_GetVideoSurface();
    return surface && (surface->flags & SDL_OPENGL);
}

void formatText(char* buffer, char const* format, va_list args)
    __attribute__((format(printf, 2, 0)));

void formatText(char* buffer, char const* format, va_list args) {
    buffer[0] = '\0';
    if (format && std::vsnprintf(buffer, PRINTF_BUFFER, format, args) < 0)
        buffer[0] = '\0';
}

// One character, or an integer code of 0 to 255 (a Latin-1 byte). False otherwise.
bool characterCode(std::string const& text, int* code) {
    long value;
    if (text.size() == 1) {
        value = static_cast<unsigned char>(text[0]);
    } else {
        char* end = nullptr;
        value = std::strtol(text.c_str(), &end, 0);
        if (text.empty() || *end != '\0')
            return false;
    }
    if (value < 0 || value > 255)
        return false;
    *code = static_cast<int>(value);
    return true;
}

} // namespace

// Font

Font::~Font() {}

void Font::refresh() {
    release();
    load();
}

void Font::print(JustificationHorizontal h, char const* text) {
    if (h != JustificationHorizontal::left) {
        int offset = justifiedOffset(h, getWidth(text));
        glTranslatef(static_cast<float>(offset), 0.0f, 0.0f);
    }
    print(text);
}

void Font::print(basic_Rect<float> const& rect, JustificationHorizontal h, JustificationVertical v,
                 char const* text) {
    basic_Vector2D<float> origin = justifiedOrigin(rect, h, v, getWidth(text), getHeight());
    glTranslatef(origin.x, origin.y, 0.0f);
    print(text);
    glTranslatef(-origin.x, -origin.y, 0.0f);
}

void Font::printf(char const* format, ...) {
    char buffer[PRINTF_BUFFER];
    va_list args;
    va_start(args, format);
    formatText(buffer, format, args);
    va_end(args);
    print(buffer);
}

void Font::printf(JustificationHorizontal h, char const* format, ...) {
    char buffer[PRINTF_BUFFER];
    va_list args;
    va_start(args, format);
    formatText(buffer, format, args);
    va_end(args);
    print(h, buffer);
}

void Font::printf(basic_Rect<float> const& rect, JustificationHorizontal h, JustificationVertical v,
                  char const* format, ...) {
    char buffer[PRINTF_BUFFER];
    va_list args;
    va_start(args, format);
    formatText(buffer, format, args);
    va_end(args);
    print(rect, h, v, buffer);
}

int justifiedOffset(JustificationHorizontal h, int width) {
    switch (h) {
    case JustificationHorizontal::left:
        return 0;
    case JustificationHorizontal::center:
        // Half the width rounded towards minus infinity, without shifting a negative number.
        return width >= 0 ? -((width + 1) / 2) : -width / 2;
    case JustificationHorizontal::right:
        return -width;
    }
    assert(!"unknown horizontal justification");
    return 0;
}

basic_Vector2D<float> justifiedOrigin(basic_Rect<float> const& rect, JustificationHorizontal h,
                                      JustificationVertical v, int width, int height) {
    basic_Vector2D<float> origin;
    switch (h) {
    case JustificationHorizontal::left:
        origin.x = rect.x;
        break;
    case JustificationHorizontal::center:
        origin.x = rect.x + rect.width * 0.5f - static_cast<float>(width / 2);
        break;
    case JustificationHorizontal::right:
        origin.x = rect.x + rect.width - static_cast<float>(width);
        break;
    default:
        assert(!"unknown horizontal justification");
    }
    switch (v) {
    case JustificationVertical::top:
        origin.y = rect.y + rect.height - static_cast<float>(height);
        break;
    case JustificationVertical::center:
        origin.y = rect.y + rect.height * 0.5f - static_cast<float>(height / 2);
        break;
    case JustificationVertical::bottom:
        origin.y = rect.y;
        break;
    default:
        assert(!"unknown vertical justification");
    }
    return origin;
}

gfx::TexturedQuad glyphQuad(BitmapFontCharacterData const& glyph, float imageWidth,
                            float imageHeight, float texWidth, float texHeight) {
    gfx::TexturedQuad quad = {};
    quad.left = 0.0f;
    quad.right = static_cast<float>(glyph.width);
    quad.bottom = -static_cast<float>(glyph.yHotSpot);
    quad.top = static_cast<float>(glyph.height) - static_cast<float>(glyph.yHotSpot);
    if (imageWidth > 0.0f && imageHeight > 0.0f) {
        quad.sLeft = static_cast<float>(glyph.x) / imageWidth * texWidth;
        quad.sRight = static_cast<float>(glyph.x + glyph.width) / imageWidth * texWidth;
        quad.tTop = static_cast<float>(glyph.y) / imageHeight * texHeight;
        quad.tBottom = static_cast<float>(glyph.y + glyph.height) / imageHeight * texHeight;
    }
    return quad;
}

// BitmapFont

BitmapFont::BitmapFont(std::string dir)
    : dir(std::move(dir)), firstChar(0), count(0), height(0), spacing(0), listBase(0),
      image(nullptr) {
    if (!this->dir.empty() && this->dir.back() != '/')
        this->dir += '/';
    release();
    load();
}

BitmapFont::~BitmapFont() {
    release();
}

std::uint16_t BitmapFont::getWidth(char const* text) const {
    std::uint16_t width = 0;
    if (!text)
        return width;
    for (auto p = reinterpret_cast<unsigned char const*>(text); *p; ++p) {
        if (inRange(*p))
            width = static_cast<std::uint16_t>(width + widths[*p - firstChar]);
        width = static_cast<std::uint16_t>(width + spacing);
    }
    return width;
}

void BitmapFont::print(char const* text) {
    if (!text)
        return;
    if (listBase == 0) {
        // Nothing to draw with yet; keep the layout.
        glTranslatef(static_cast<float>(getWidth(text)), 0.0f, 0.0f);
        return;
    }
    SavedTexturing texturing;
    GLint base = 0;
    glGetIntegerv(GL_LIST_BASE, &base);
    glEnable(GL_TEXTURE_2D);
    if (image)
        glBindTexture(GL_TEXTURE_2D, image->texture);
    // Wraps around for a base below firstChar; the sum with an in-range byte does not.
    glListBase(listBase - firstChar);
    // Runs of bytes with lists go to OpenGL in one call; any other byte only advances, so that a
    // byte outside the range can never reach another font's lists.
    auto p = reinterpret_cast<unsigned char const*>(text);
    while (*p) {
        unsigned char const* run = p;
        while (*p && inRange(*p))
            ++p;
        if (p != run)
            glCallLists(static_cast<GLsizei>(p - run), GL_UNSIGNED_BYTE, run);
        int skipped = 0;
        for (; *p && !inRange(*p); ++p)
            ++skipped;
        if (skipped && spacing)
            glTranslatef(static_cast<float>(skipped * spacing), 0.0f, 0.0f);
    }
    glListBase(static_cast<GLuint>(base));
    texturing.restore();
}

void BitmapFont::release() {
    widths.reset();
    // Names of a context that is gone are gone with it; list 0 is no list.
    if (listBase != 0 && count > 0 && hasContext())
        glDeleteLists(listBase, count);
    listBase = 0;
    count = 0;
    image = nullptr;
    if (imageBank) {
        if (hasContext())
            imageBank->release();
        imageBank.reset();
    }
}

void BitmapFont::load() {
    std::string file = dir + BITMAPFONT_FILE;
    std::unique_ptr<xml::Node> root;
    try {
        root.reset(xml::loadXML(file));
    } catch (std::string const& text) {
        debug::error(dbgFonts, "Could not read font \"%s\": %s", file.c_str(), text.c_str());
        return;
    }
    if (!root || root->name != XML_BITMAPFONT) {
        debug::error(dbgFonts, "\"%s\" is no bitmap font description. Font left empty.",
                     file.c_str());
        return;
    }
    getFromNode(root.get(), dir);
}

void BitmapFont::rename(std::string const& newName, std::uint32_t newSize) {
    FontDescriptor key(newName, newSize, name.style);
    if (!bank) {
        name = key;
        return;
    }
    if (key == name)
        return;
    auto& fonts = bank->resources;
    auto taken = fonts.find(key);
    if (taken != fonts.end() && taken->second != this) {
        // Taking the entry would orphan the other font, which others may still point to.
        debug::warning(dbgFonts,
                       "Font \"%s\" of size %u is already in the bank. Keeping the font in "
                       "\"%s\" as \"%s\" of size %u.",
                       newName.c_str(), newSize, dir.c_str(), name.name.c_str(), name.size);
        return;
    }
    auto old = fonts.find(name);
    if (old != fonts.end() && old->second == this)
        fonts.erase(old);
    name = key;
    fonts[name] = this;
}

void BitmapFont::getFromNode(xml::Node const* node, std::string dir) {
    release();
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    image = nullptr;
    imageBank.reset(new gfx::ImageBank);

    std::string fontName;
    if (std::string const* given = node->getAttribute(XML_BITMAPFONT_NAME)) {
        fontName = *given;
    } else {
        debug::warning(dbgFonts, "No name specified for font. Using directory name.");
        fontName = dir;
    }
    rename(fontName,
           static_cast<std::uint32_t>(node->getAttributeLong(XML_BITMAPFONT_SIZE, name.size)));

    height = static_cast<std::uint8_t>(node->getAttributeLong(XML_BITMAPFONT_HEIGHT, height));
    spacing = static_cast<std::uint8_t>(node->getAttributeLong(XML_BITMAPFONT_SPACING, spacing));
    yHotSpot = static_cast<std::int8_t>(node->getAttributeLong(XML_BITMAPFONT_YHOTSPOT, yHotSpot));
    auto width = static_cast<std::uint8_t>(node->getAttributeLong(XML_BITMAPFONT_WIDTH, 0));
    auto hPadding = static_cast<std::uint16_t>(node->getAttributeLong(XML_BITMAPFONT_HPADDING, 0));
    auto vPadding = static_cast<std::uint16_t>(node->getAttributeLong(XML_BITMAPFONT_VPADDING, 0));

    BitmapFontCharacters characters = readCharacters(node, dir, width, hPadding, vPadding);
    if (characters.empty()) {
        // An empty font: no lists at all.
        firstChar = 0;
        count = 0;
    } else {
        // The map orders its keys as signed chars: codes from 128 on come first.
        int lowest = 255, highest = 0;
        for (auto const& entry : characters) {
            int code = static_cast<unsigned char>(entry.first);
            lowest = std::min(lowest, code);
            highest = std::max(highest, code);
        }
        firstChar = static_cast<std::uint8_t>(lowest);
        count = highest - lowest + 1;
    }
    widths.reset(new std::uint8_t[static_cast<std::size_t>(count)]());
    for (auto const& entry : characters)
        widths[static_cast<unsigned char>(entry.first) - firstChar] = entry.second.width;

    if (!hasContext() || count == 0)
        return;
    try {
        imageBank->refresh(nullptr);
    } catch (std::string const&) {
        imageBank->release();
        throw;
    }
    buildLists(characters);
}

BitmapFontCharacters BitmapFont::readCharacters(xml::Node const* node, std::string const& dir,
                                                std::uint8_t width, std::uint16_t hPadding,
                                                std::uint16_t vPadding) {
    BitmapFontCharacters characters;
    if (!imageBank)
        imageBank.reset(new gfx::ImageBank);
    for (xml::Node const* child : node->children) {
        if (child->name == XML_CHAR) {
            int code = 32;
            std::string const* given = child->getAttribute(XML_CHAR_CHAR);
            if (!given) {
                debug::error(dbgFonts,
                             "No character index specified for blank character node. Using #32.");
            } else if (!characterCode(*given, &code)) {
                debug::warning(dbgFonts,
                               "Invalid character \"%s\" (codes 0 to 255 only). "
                               "Skipping character.",
                               given->c_str());
                continue;
            }
            characters[static_cast<char>(code)] = BitmapFontCharacterData(
                nullptr, 0, 0,
                static_cast<std::uint8_t>(child->getAttributeLong(XML_CHAR_WIDTH, 0)),
                static_cast<std::uint8_t>(child->getAttributeLong(XML_CHAR_HEIGHT, 0)),
                static_cast<std::int8_t>(child->getAttributeLong(XML_CHAR_YHOTSPOT, 0)));
            continue;
        }
        if (child->name != XML_IMAGE)
            continue;
        std::string const* file = child->getAttribute(XML_IMAGE_FILE);
        if (!file) {
            debug::error(dbgFonts, "No filename specified for font image. Skipping image.");
            continue;
        }
        std::string imageName = name.name + *file;
        gfx::SingleTextureImage* glyphs = nullptr;
        auto held = imageBank->resources.find(imageName);
        if (held != imageBank->resources.end()) {
            // The same file again: replacing its image would leave the glyphs read so far with a
            // deleted one. The bank holds only images made here.
            glyphs = static_cast<gfx::SingleTextureImage*>(held->second);
        } else {
            auto* made = new gfx::SimpleImage(imageName, dir + *file);
            imageBank->resources[imageName] = made;
            made->bank = imageBank.get();
            glyphs = made;
        }
        for (xml::Node const* line : child->children) {
            if (line->name != XML_LINE)
                continue;
            long index = 1;
            if (!line->getAttribute(XML_LINE_INDEX)) {
                debug::warning(dbgFonts, "No index specified for font image line. Using line 1.");
            } else {
                index = line->getAttributeLong(XML_LINE_INDEX, 1);
                if (index < 1) {
                    debug::warning(dbgFonts, "Invalid font image line index %ld. Using line 1.",
                                   index);
                    index = 1;
                }
            }
            auto y = static_cast<std::uint16_t>(static_cast<unsigned long>(height + vPadding) *
                                                static_cast<unsigned long>(index - 1));
            std::uint16_t x = 0;
            for (xml::Node const* glyph : line->children) {
                if (glyph->name != XML_CHAR)
                    continue;
                std::string const* given = glyph->getAttribute(XML_CHAR_CHAR);
                if (!given) {
                    debug::error(dbgFonts,
                                 "No character index specified for character node. Skipping "
                                 "character.");
                    continue;
                }
                auto glyphWidth =
                    static_cast<std::uint8_t>(glyph->getAttributeLong(XML_CHAR_WIDTH, width));
                int code;
                if (characterCode(*given, &code)) {
                    characters[static_cast<char>(code)] = BitmapFontCharacterData(
                        glyphs, x, y, glyphWidth,
                        static_cast<std::uint8_t>(glyph->getAttributeLong(XML_CHAR_HEIGHT, height)),
                        static_cast<std::int8_t>(
                            glyph->getAttributeLong(XML_CHAR_YHOTSPOT, yHotSpot)));
                } else {
                    debug::warning(dbgFonts,
                                   "Invalid character \"%s\" (codes 0 to 255 only). "
                                   "Skipping character.",
                                   given->c_str());
                }
                // The cell is in the image either way.
                x = static_cast<std::uint16_t>(x + glyphWidth + hPadding);
            }
        }
    }
    return characters;
}

void BitmapFont::buildLists(BitmapFontCharacters const& characters) {
    listBase = glGenLists(count);
    if (listBase == 0) {
        debug::error(dbgFonts, "Could not create %d display lists for font \"%s\".", count,
                     name.name.c_str());
        return;
    }
    bool single = imageBank->size() == 1;
    for (int i = 0; i < count; ++i) {
        BitmapFontCharacterData glyph;
        auto found = characters.find(static_cast<char>(firstChar + i));
        if (found != characters.end())
            glyph = found->second;
        glNewList(listBase + static_cast<unsigned>(i), GL_COMPILE);
        if (glyph.image) {
            if (single)
                image = glyph.image;
            else
                glBindTexture(GL_TEXTURE_2D, glyph.image->texture);
            gfx::TexturedQuad q = glyphQuad(glyph, static_cast<float>(glyph.image->width),
                                            static_cast<float>(glyph.image->height),
                                            glyph.image->getTexCoordRect().width,
                                            glyph.image->getTexCoordRect().height);
            glBegin(GL_QUADS);
            glTexCoord2f(q.sLeft, q.tBottom);
            glVertex2f(q.left, q.bottom);
            glTexCoord2f(q.sLeft, q.tTop);
            glVertex2f(q.left, q.top);
            glTexCoord2f(q.sRight, q.tTop);
            glVertex2f(q.right, q.top);
            glTexCoord2f(q.sRight, q.tBottom);
            glVertex2f(q.right, q.bottom);
            glEnd();
        }
        glTranslatef(static_cast<float>(glyph.width + spacing), 0.0f, 0.0f);
        glEndList();
    }
}

// FontBank

std::string FontBank::getNodeName() const {
    return XML_FONTS;
}

void FontBank::getFromNode(xml::Node const* node, std::string const& dir) {
    for (xml::Node const* child : node->children) {
        if (child->name != XML_FONTS_BITMAPFONT)
            continue;
        auto* font = new BitmapFont(dir + child->getAttribute(XML_FONTS_DIR, ""));
        auto old = resources.find(font->name);
        if (old != resources.end()) {
            // Its destructor takes its entry out of the map.
            Font* replaced = old->second;
            if (replaced)
                delete replaced;
            else
                resources.erase(old);
        }
        resources[font->name] = font;
        font->bank = this;
    }
}

void FontBank::refresh() {
    // Refreshing re-keys fonts in the map.
    std::vector<Font*> fonts;
    for (auto const& entry : resources)
        if (entry.second)
            fonts.push_back(entry.second);
    for (Font* font : fonts)
        font->refresh();
}

BasicResourceBank* FontResourceBankGenerator::generateBank(std::string const& type) const {
    if (type != XML_FONTS)
        return nullptr;
    return new FontBank;
}

FontResourceBankGenerator resourceBankGenerator;

} // namespace fonts
} // namespace ravek
