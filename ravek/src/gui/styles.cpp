#include "ravek/src/gui/styles.h"

#include "ravek/src/debug.h"
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gui/core.h"

#include <GL/gl.h>

#include <cassert>
#include <cstdint>
#include <cstdlib>

namespace ravek {

template <>
gui::StretchMode strTo<gui::StretchMode>(std::string text) {
    if (text == "single")
        return gui::single;
    if (text == "repeat")
        return gui::repeat;
    if (text == "stretch")
        return gui::stretch;
    throw text;
}

namespace gui {

namespace {

void readColor(xml::Node const* node, char const* attribute, Color& color) {
    if (std::string const* value = node->getAttribute(attribute))
        color = styleColor(*value);
}

void readImage(xml::Node const* node, char const* attribute, GUI const* gui, gfx::Image*& image) {
    if (std::string const* value = node->getAttribute(attribute))
        image = findImage(gui, *value);
}

void readStretch(xml::Node const* node, char const* attribute, StretchMode& mode) {
    if (std::string const* value = node->getAttribute(attribute))
        mode = strTo<StretchMode>(*value);
}

void readHorizontal(xml::Node const* node, char const* attribute,
                    JustificationHorizontal& justification) {
    if (std::string const* value = node->getAttribute(attribute))
        justification = justificationHorizontal(value->c_str());
}

void readVertical(xml::Node const* node, char const* attribute,
                  JustificationVertical& justification) {
    if (std::string const* value = node->getAttribute(attribute))
        justification = justificationVertical(value->c_str());
}

void quad(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3) {
    glVertex2f(x0, y0);
    glVertex2f(x1, y1);
    glVertex2f(x2, y2);
    glVertex2f(x3, y3);
}

// One piece of a textured frame: at a position in single mode, else into the rectangle.
void drawPiece(gfx::Image const* image, StretchMode mode, basic_Vector2D<float> const& position,
               basic_Rect<float> const& rect) {
    switch (mode) {
    case single:
        image->draw(position, 0);
        break;
    case repeat:
        image->draw(rect, 0);
        break;
    case stretch:
        image->drawStretched(rect, 0);
        break;
    default:
        break;
    }
}

} // namespace

Color styleColor(std::string const& text) {
    unsigned long value = std::strtoul(text.c_str(), nullptr, 16);
    std::uint32_t v = value > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
    return Color(static_cast<float>(v >> 24) / 255.0f, static_cast<float>((v >> 16) & 255) / 255.0f,
                 static_cast<float>((v >> 8) & 255) / 255.0f, static_cast<float>(v & 255) / 255.0f);
}

Style* createStyle(std::string const& type) {
    if (type == "PlainRectStyle")
        return new PlainRectStyle;
    if (type == "TexturedRectStyle")
        return new TexturedRectStyle;
    if (type == "SimpleFontStyle")
        return new SimpleFontStyle;
    if (type == "LabelStyle")
        return new LabelStyle;
    if (type == "ButtonStyle")
        return new ButtonStyle;
    if (type == "DropdownListStyle")
        return new DropdownListStyle;
    if (type == "CheckboxStyle")
        return new CheckboxStyle;
    return nullptr;
}

Style* findStyle(GUI const* gui, std::string const& name) {
    StyleBank* bank = gui ? gui->getStyles() : nullptr;
    if (!bank)
        return nullptr;
    auto it = bank->resources.find(name);
    return it == bank->resources.end() ? nullptr : it->second;
}

// Style

void Style::getFromNode(xml::Node const* node, GUI*) {
    if (std::string const* value = node->getAttribute("name")) {
        name = *value;
    } else {
        debug::error(dbgGui, "No name specified for style. Using empty name.");
        name.clear();
    }
}

// PlainRectStyle

void PlainRectStyle::getFromNode(xml::Node const* node, GUI* gui) {
    Style::getFromNode(node, gui);
    border = node->getAttributeFloat("border", border);
    readColor(node, "color", color);
    readColor(node, "colorBorder1", colorBorder1);
    readColor(node, "colorBorder2", colorBorder2);
}

void PlainRectStyle::draw(basic_Rect<float> const& r) {
    float x = r.x, y = r.y, w = r.width, h = r.height, b = border;
    SavedColor savedColor;
    SavedTexturing texturing;
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    color.apply();
    quad(x, y, x + w, y, x + w, y + h, x, y + h);
    if (b != 0.0f) {
        colorBorder1.apply();
        quad(x - b, y + h + b, x + w + b, y + h + b, x + w, y + h, x - b, y + h);
        quad(x - b, y + h, x, y + h, x, y, x - b, y - b);
        colorBorder2.apply();
        quad(x, y, x + w + b, y, x + w + b, y - b, x - b, y - b);
        quad(x + w, y + h, x + w + b, y + h + b, x + w + b, y, x + w, y);
    }
    glEnd();
    texturing.restore();
    savedColor.restore();
}

// TexturedRectStyle

TexturedRectStyle::TexturedRectStyle()
    : upperLeft(nullptr), upper(nullptr), upperRight(nullptr), left(nullptr), center(nullptr),
      right(nullptr), lowerLeft(nullptr), lower(nullptr), lowerRight(nullptr), stretchUpper(repeat),
      stretchLower(repeat), stretchLeft(repeat), stretchRight(repeat), stretchCenter(repeat) {}

void TexturedRectStyle::getFromNode(xml::Node const* node, GUI* gui) {
    Style::getFromNode(node, gui);
    if (std::string const* value = node->getAttribute("stretch"))
        stretchUpper = stretchLower = stretchLeft = stretchRight = stretchCenter =
            strTo<StretchMode>(*value);
    readStretch(node, "stretchUpper", stretchUpper);
    readStretch(node, "stretchLower", stretchLower);
    readStretch(node, "stretchLeft", stretchLeft);
    readStretch(node, "stretchRight", stretchRight);
    readStretch(node, "stretchCenter", stretchCenter);
    readColor(node, "color", color);
    readColor(node, "colorBorder", colorBorder);
    readImage(node, "center", gui, center);
    readImage(node, "upperLeft", gui, upperLeft);
    readImage(node, "upper", gui, upper);
    readImage(node, "upperRight", gui, upperRight);
    readImage(node, "left", gui, left);
    readImage(node, "right", gui, right);
    readImage(node, "lowerLeft", gui, lowerLeft);
    readImage(node, "lower", gui, lower);
    readImage(node, "lowerRight", gui, lowerRight);
}

void TexturedRectStyle::draw(basic_Rect<float> const& r) {
    typedef basic_Vector2D<float> P;
    typedef basic_Rect<float> R;
    float x = r.x, y = r.y, w = r.width, h = r.height;
    SavedColor savedColor;
    SavedTexturing texturing;
    glColor4f(color.red, color.green, color.blue, color.alpha);
    auto wi = [](gfx::Image const* image) { return static_cast<float>(image->getWidth()); };
    auto hi = [](gfx::Image const* image) { return static_cast<float>(image->getHeight()); };
    if (upperLeft)
        upperLeft->draw(P(x - wi(upperLeft), y + h), 0);
    if (upper)
        drawPiece(upper, stretchUpper, P(x, y + h), R(x, y + h, w, hi(upper)));
    if (upperRight)
        upperRight->draw(P(x + w, y + h), 0);
    if (left)
        drawPiece(left, stretchLeft, P(x - wi(left), y), R(x - wi(left), y, wi(left), h));
    if (center)
        drawPiece(center, stretchCenter, P(x, y), r);
    if (right)
        drawPiece(right, stretchRight, P(x + w, y), R(x + w, y, wi(right), h));
    if (lowerLeft)
        lowerLeft->draw(P(x - wi(lowerLeft), y - hi(lowerLeft)), 0);
    if (lower)
        drawPiece(lower, stretchLower, P(x, y - hi(lower)), R(x, y - hi(lower), w, hi(lower)));
    if (lowerRight)
        lowerRight->draw(P(x + w, y - hi(lowerRight)), 0);
    texturing.restore();
    savedColor.restore();
}

// SimpleFontStyle

void SimpleFontStyle::getFromNode(xml::Node const* node, GUI* gui) {
    Style::getFromNode(node, gui);
    readHorizontal(node, "horizontal", horizontal);
    readVertical(node, "vertical", vertical);
    readColor(node, "color", color);
    if (std::string const* family = node->getAttribute("family")) {
        long size = node->getAttributeLong("size", 0);
        ravek::fonts::FontBank* bank = gui ? gui->getFonts() : nullptr;
        font = nullptr;
        if (bank) {
            auto it = bank->resources.find(
                ravek::fonts::FontDescriptor(*family, static_cast<std::uint32_t>(size), 0));
            if (it != bank->resources.end())
                font = it->second;
        }
    }
}

void SimpleFontStyle::print(basic_Rect<float> const& r, char const* text) {
    if (!font)
        return;
    SavedColor savedColor;
    glColor4f(color.red, color.green, color.blue, color.alpha);
    font->print(r, horizontal, vertical, text);
    savedColor.restore();
}

bool SimpleFontStyle::lacksGlyph(unsigned char c) const {
    return font && !font->hasGlyph(c);
}

// LabelStyle

void LabelStyle::getFromNode(xml::Node const* node, GUI* gui) {
    Style::getFromNode(node, gui);
    readStyle(node, "rect", gui, rect);
    readStyle(node, "font", gui, font);
    readHorizontal(node, "imageHorizontal", imageHorizontal);
    readVertical(node, "imageVertical", imageVertical);
    readColor(node, "imageColor", imageColor);
}

LabelPlacement placeLabel(basic_Rect<float> r, float w, float h,
                          JustificationHorizontal imageHorizontal,
                          JustificationVertical imageVertical, FontStyle const* font) {
    LabelPlacement placement;
    switch (imageHorizontal) {
    case JustificationHorizontal::center:
        placement.image.x = r.x + r.width * 0.5f - w * 0.5f;
        break;
    case JustificationHorizontal::left:
        placement.image.x = r.x;
        if (font && font->horizontal == JustificationHorizontal::left) {
            r.x += w;
            r.width -= w;
        }
        break;
    case JustificationHorizontal::right:
        placement.image.x = r.x + r.width - w;
        if (font && font->horizontal == JustificationHorizontal::right)
            r.width -= w;
        break;
    default:
        assert(0);
    }
    switch (imageVertical) {
    case JustificationVertical::center:
        placement.image.y = r.y + r.height * 0.5f - h * 0.5f;
        break;
    case JustificationVertical::bottom:
        placement.image.y = r.y;
        if (font && font->vertical == JustificationVertical::bottom) {
            r.y += h;
            r.height -= h;
        }
        break;
    case JustificationVertical::top:
        placement.image.y = r.y + r.height - h;
        if (font && font->vertical == JustificationVertical::top)
            r.height -= h;
        break;
    default:
        assert(0);
    }
    placement.text = r;
    return placement;
}

void LabelStyle::draw(basic_Rect<float> const& r) {
    if (rect)
        rect->draw(r);
}

void LabelStyle::print(basic_Rect<float> r, char const* text, gfx::Image const* image) {
    if (image) {
        LabelPlacement placement = placeLabel(r, static_cast<float>(image->getWidth()),
                                              static_cast<float>(image->getHeight()),
                                              imageHorizontal, imageVertical, font);
        r = placement.text;
        imageColor.apply();
        image->draw(placement.image, 0);
    }
    if (font)
        font->print(r, text);
}

// ButtonStyle

void ButtonStyle::getFromNode(xml::Node const* node, GUI* gui) {
    Style::getFromNode(node, gui);
    readStyle(node, "up", gui, up);
    readStyle(node, "down", gui, down);
    readStyle(node, "upHot", gui, upHot);
    readStyle(node, "downHot", gui, downHot);
}

LabelStyle* ButtonStyle::getStyle(ButtonState state) const {
    switch (state) {
    case ButtonState::up:
        return up;
    case ButtonState::down:
        return down;
    case ButtonState::upHot:
        return upHot;
    case ButtonState::downHot:
        return downHot;
    default:
        return nullptr;
    }
}

void ButtonStyle::draw(basic_Rect<float> const& r, ButtonState state) {
    if (LabelStyle* style = getStyle(state))
        style->draw(r);
}

void ButtonStyle::print(basic_Rect<float> const& r, ButtonState state, char const* text,
                        gfx::Image const* image) {
    if (LabelStyle* style = getStyle(state))
        style->print(r, text, image);
}

// CheckboxStyle

void CheckboxStyle::getFromNode(xml::Node const* node, GUI* gui) {
    Style::getFromNode(node, gui);
    readStyle(node, "checked", gui, checked);
    readStyle(node, "unchecked", gui, unchecked);
}

ButtonStyle* CheckboxStyle::getStyle(bool isChecked) const {
    return isChecked ? checked : unchecked;
}

LabelStyle* CheckboxStyle::getStyle(ButtonState state, bool isChecked) const {
    ButtonStyle* style = getStyle(isChecked);
    return style ? style->getStyle(state) : nullptr;
}

void CheckboxStyle::draw(basic_Rect<float> const& r, ButtonState state, bool isChecked) {
    if (ButtonStyle* style = getStyle(isChecked))
        style->draw(r, state);
}

void CheckboxStyle::print(basic_Rect<float> const& r, ButtonState state, bool isChecked,
                          char const* text, gfx::Image const* image) {
    if (ButtonStyle* style = getStyle(isChecked))
        style->print(r, state, text, image);
}

// DropdownListStyle

void DropdownListStyle::getFromNode(xml::Node const* node, GUI* gui) {
    ButtonStyle::getFromNode(node, gui);
    readImage(node, "image", gui, image);
}

void DropdownListStyle::print(basic_Rect<float> const& r, ButtonState state, char const* text) {
    ButtonStyle::print(r, state, text, image);
}

} // namespace gui
} // namespace ravek
