#ifndef RAVEK_GFX_FONTS_H
#define RAVEK_GFX_FONTS_H

#include "ravek/src/gfx/images.h"
#include "ravek/src/math.h"
#include "ravek/src/ravek.h"
#include "ravek/src/resources.h"
#include "ravek/src/xml.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace ravek {
namespace fonts {

// No reader sets a style; it stays 0.
typedef std::int32_t FontStyle;

// The key of a font in its bank: family name, size and style, ordered in that order.
class FontDescriptor {
public:
    std::string name;
    std::uint32_t size;
    FontStyle style;

    FontDescriptor() : size(0), style(0) {}
    FontDescriptor(std::string const& name, std::uint32_t size, FontStyle style)
        : name(name), size(size), style(style) {}

    bool operator<(FontDescriptor const& o) const {
        if (name != o.name)
            return name < o.name;
        if (size != o.size)
            return size < o.size;
        return style < o.style;
    }
    bool operator==(FontDescriptor const& o) const {
        return name == o.name && size == o.size && style == o.style;
    }
};

class FontBank;

// A font of a font bank, which owns it. Prints 8-bit text from the current OpenGL origin with
// the baseline at y = 0 and leaves the model-view matrix moved by the advance of the text.
// Formatting operations cut their text at 1023 characters.
class Font : public NamedResource<FontBank, FontDescriptor> {
public:
    // The default glyph y hot spot (pixels below the baseline).
    std::int8_t yHotSpot;

    Font() : yHotSpot(0) {}
    ~Font() override;

    virtual std::uint8_t getHeight() const = 0;
    // The advance of the text in pixels, the spacing after its last glyph included.
    virtual std::uint16_t getWidth(char const* text) const = 0;
    // From the current origin, the baseline at y = 0; the model-view matrix is left moved by the
    // advance, and the rest of the OpenGL state as it was found but for the current texture
    // coordinate.
    virtual void print(char const* text) = 0;
    // release() then load(): rebuilds everything that belongs to the OpenGL context.
    virtual void refresh();
    virtual void release() = 0;
    virtual void load() = 0;
    // Whether the byte prints as a glyph of its own (blank ones included) rather than as
    // nothing; a font that cannot tell claims every byte.
    virtual bool hasGlyph(unsigned char) const { return true; }

    // Moves the origin left by the whole (right) or half (center) width first; the move is not
    // undone.
    void print(JustificationHorizontal h, char const* text);
    // Prints inside the rectangle (not clipped to it); the origin is moved back by the
    // rectangle's offset afterwards, so it keeps only the advance of the text.
    void print(basic_Rect<float> const& rect, JustificationHorizontal h, JustificationVertical v,
               char const* text);
    void printf(char const* format, ...) __attribute__((format(printf, 2, 3)));
    void printf(JustificationHorizontal h, char const* format, ...)
        __attribute__((format(printf, 3, 4)));
    void printf(basic_Rect<float> const& rect, JustificationHorizontal h, JustificationVertical v,
                char const* format, ...) __attribute__((format(printf, 5, 6)));
};

// The x offset at which print(h, text) starts a text of `width` pixels: 0, minus half the
// width rounded towards minus infinity, or minus the width.
int justifiedOffset(JustificationHorizontal h, int width);

// Where print(rect, h, v, text) puts the origin for a text of `width` x `height` pixels.
basic_Vector2D<float> justifiedOrigin(basic_Rect<float> const& rect, JustificationHorizontal h,
                                      JustificationVertical v, int width, int height);

// One glyph while a font is read: its cell in a glyph image (top left pixel, size) and how
// far it reaches below the baseline. A blank glyph has no image.
struct BitmapFontCharacterData {
    gfx::SingleTextureImage* image;
    std::uint16_t x, y;
    std::uint8_t width, height;
    std::int8_t yHotSpot;

    BitmapFontCharacterData() : image(nullptr), x(0), y(0), width(0), height(0), yHotSpot(0) {}
    BitmapFontCharacterData(gfx::SingleTextureImage* image, std::uint16_t x, std::uint16_t y,
                            std::uint8_t width, std::uint8_t height, std::int8_t yHotSpot)
        : image(image), x(x), y(y), width(width), height(height), yHotSpot(yHotSpot) {}
};

// Keyed by the byte; as signed chars, codes from 128 on sort first.
typedef std::map<char, BitmapFontCharacterData> BitmapFontCharacters;

// The quad of a glyph in an image of `imageWidth` x `imageHeight` pixels whose texture
// coordinates reach `texWidth` and `texHeight`: from (0, -yHotSpot) to
// (width, height - yHotSpot), the pen at its bottom left corner. Texture coordinates 0 for an
// image without size.
gfx::TexturedQuad glyphQuad(BitmapFontCharacterData const& glyph, float imageWidth,
                            float imageHeight, float texWidth, float texHeight);

// A font read from a directory holding "bitmapfont.xml" and its glyph images: one display list
// per character code from firstChar on, drawing the glyph's quad and moving the pen right by
// its width and the spacing. Any byte (Latin-1 code) can have a glyph; a code without one
// draws nothing and advances by the spacing. Owns its widths, display lists and glyph image
// bank.
// A missing or unreadable description, or a root of another name, is logged and leaves the font
// empty; faulty elements are logged and skipped (fonts group). A glyph image that cannot be
// read throws its std::string out of the constructor, load and refresh. While no OpenGL
// context exists only the metrics are read: no image is loaded and no display list is made
// until a refresh with a context.
class BitmapFont : public Font {
public:
    // Always ends with "/" unless empty (the working directory).
    std::string dir;
    // The lowest code with a glyph.
    std::uint8_t firstChar;
    // Number of codes from firstChar to the highest code with a glyph; 0 for an empty font.
    std::int32_t count;
    std::uint8_t height;
    // Pixels added after every glyph.
    std::uint8_t spacing;
    // The display list of firstChar; 0 when none is built.
    unsigned listBase;
    // The width of each of the `count` codes.
    std::unique_ptr<std::uint8_t[]> widths;
    // The glyph image when the font has exactly one (bound by print), else null.
    gfx::SingleTextureImage* image;
    std::unique_ptr<gfx::ImageBank> imageBank;

    explicit BitmapFont(std::string dir);
    ~BitmapFont() override;

    using Font::print;
    std::uint8_t getHeight() const override { return height; }
    std::uint16_t getWidth(char const* text) const override;
    void print(char const* text) override;
    void release() override;
    void load() override;
    // A code with a glyph of some width.
    bool hasGlyph(unsigned char c) const override {
        return inRange(c) && widths[c - firstChar] > 0;
    }

    // Reads a "bitmapfont" element whose files lie in `dir`: names the font (re-keying it in its
    // bank), reads its metrics and glyphs and builds its display lists.
    void getFromNode(xml::Node const* node, std::string dir);
    // The glyphs of a "bitmapfont" element, with the font's height and yHotSpot as defaults;
    // every "image" element adds an unloaded image of a file in `dir` to the font's image bank.
    // `width`, `hPadding` and `vPadding` are the element's cell defaults.
    BitmapFontCharacters readCharacters(xml::Node const* node, std::string const& dir,
                                        std::uint8_t width, std::uint16_t hPadding,
                                        std::uint16_t vPadding);

    // True for a byte that has a display list of this font.
    bool inRange(unsigned char c) const {
        return count > 0 && c >= firstChar && c - firstChar < count;
    }

private:
    void rename(std::string const& name, std::uint32_t size);
    void buildLists(BitmapFontCharacters const& characters);
};

// A bank of fonts by descriptor (bank type "fonts"), read from "bitmapfont" elements whose "dir"
// names a font directory below the bank's. A font whose descriptor is already taken replaces
// the one held. A glyph image that cannot be read throws its std::string out of reading and
// refresh.
class FontBank : public NamedResourceBank<Font, FontDescriptor> {
public:
    std::string getNodeName() const override;
    void getFromNode(xml::Node const* node, std::string const& dir) override;
    // Refreshes every font (after a change of video mode: lists and textures belong to the old
    // OpenGL context).
    void refresh();
};

class FontResourceBankGenerator : public ResourceBankGenerator {
public:
    BasicResourceBank* generateBank(std::string const& type) const override;
};

extern FontResourceBankGenerator resourceBankGenerator;

} // namespace fonts
} // namespace ravek

#endif
