#ifndef RAVEK_GUI_STYLES_H
#define RAVEK_GUI_STYLES_H

#include "ravek/src/math.h"
#include "ravek/src/ravek.h"
#include "ravek/src/resources.h"
#include "ravek/src/tools.h"
#include "ravek/src/xml.h"

#include <string>

namespace ravek {

namespace gfx {
class Image;
}
namespace fonts {
class Font;
}

namespace gui {

class GUI;
class StyleBank;

enum StretchMode { single = 0, repeat = 1, stretch = 2 };

// Bit 0: pressed; bit 1: hot (the widget has the focus).
enum ButtonState { up = 0, down = 1, upHot = 2, downHot = 3 };

// A named way of painting, held by a GUI's style bank, which owns it. Styles and widgets keep
// plain pointers to styles; other styles, images and fonts named by a style are resolved while
// it is read and are null when missing or of another kind. Reading throws a std::string for an
// invalid justification or stretch word.
class Style : public NamedResource<StyleBank, std::string> {
public:
    // Reads "name"; without one the error "No name specified for style. Using empty name." is
    // logged and the name is empty.
    virtual void getFromNode(xml::Node const* node, GUI* gui);
};

// The styles of one GUI by name; deleting it deletes them.
class StyleBank : public NamedResourceBank<Style> {};

// Paints a rectangle (in the current 2D render context, y up), leaving the OpenGL state as it
// found it but for the current texture coordinate.
class RectStyle : public Style {
public:
    virtual void draw(basic_Rect<float> const& rect) = 0;
};

// A plain rectangle with a bevelled border of width `border` outside it: colorBorder1 on the
// top and left, colorBorder2 on the bottom and right, meeting in mitres.
class PlainRectStyle : public RectStyle {
public:
    Color color;
    Color colorBorder1;
    Color colorBorder2;
    float border;

    PlainRectStyle() : border(0.0f) {}
    void getFromNode(xml::Node const* node, GUI* gui) override;
    void draw(basic_Rect<float> const& rect) override;
};

// A rectangle framed from outside by nine images (corners at their natural size, edges and
// centre by their stretch mode) of the GUI's image bank, tinted by `color`. `colorBorder` is
// read and kept but not drawn.
class TexturedRectStyle : public RectStyle {
public:
    Color color;
    Color colorBorder;
    gfx::Image* upperLeft;
    gfx::Image* upper;
    gfx::Image* upperRight;
    gfx::Image* left;
    gfx::Image* center;
    gfx::Image* right;
    gfx::Image* lowerLeft;
    gfx::Image* lower;
    gfx::Image* lowerRight;
    StretchMode stretchUpper;
    StretchMode stretchLower;
    StretchMode stretchLeft;
    StretchMode stretchRight;
    StretchMode stretchCenter;

    TexturedRectStyle();
    void getFromNode(xml::Node const* node, GUI* gui) override;
    void draw(basic_Rect<float> const& rect) override;
};

// Prints text justified in a rectangle.
class FontStyle : public Style {
public:
    JustificationHorizontal horizontal;
    JustificationVertical vertical;

    FontStyle()
        : horizontal(JustificationHorizontal::left), vertical(JustificationVertical::center) {}
    virtual void print(basic_Rect<float> const& rect, char const* text) = 0;
    // True for a byte that would print as nothing; false when the style cannot tell.
    virtual bool lacksGlyph(unsigned char) const { return false; }
};

// Prints with a font of the GUI's font bank in `color`; prints nothing without a font. The
// current colour is put back afterwards; the origin moves as Font::print moves it.
class SimpleFontStyle : public FontStyle {
public:
    ravek::fonts::Font* font;
    Color color;

    SimpleFontStyle() : font(nullptr), color(1.0f, 1.0f, 1.0f, 1.0f) {}
    void getFromNode(xml::Node const* node, GUI* gui) override;
    void print(basic_Rect<float> const& rect, char const* text) override;
    bool lacksGlyph(unsigned char c) const override;
};

// A rectangle style, a font style and the placement of an optional image beside the text.
class LabelStyle : public Style {
public:
    RectStyle* rect;
    FontStyle* font;
    JustificationHorizontal imageHorizontal;
    JustificationVertical imageVertical;
    Color imageColor;

    LabelStyle()
        : rect(nullptr), font(nullptr), imageHorizontal(JustificationHorizontal::center),
          imageVertical(JustificationVertical::center), imageColor(1.0f, 1.0f, 1.0f, 1.0f) {}
    void getFromNode(xml::Node const* node, GUI* gui) override;

    void draw(basic_Rect<float> const& r);
    void print(basic_Rect<float> r, char const* text, gfx::Image const* image);
};

// One label style per button state; a state without one draws and prints nothing.
class ButtonStyle : public Style {
public:
    LabelStyle* up;
    LabelStyle* down;
    LabelStyle* upHot;
    LabelStyle* downHot;

    ButtonStyle() : up(nullptr), down(nullptr), upHot(nullptr), downHot(nullptr) {}
    void getFromNode(xml::Node const* node, GUI* gui) override;

    LabelStyle* getStyle(ButtonState state) const;
    void draw(basic_Rect<float> const& r, ButtonState state);
    void print(basic_Rect<float> const& r, ButtonState state, char const* text,
               gfx::Image const* image);
};

// A button style for each side of a checkbox.
class CheckboxStyle : public Style {
public:
    ButtonStyle* checked;
    ButtonStyle* unchecked;

    CheckboxStyle() : checked(nullptr), unchecked(nullptr) {}
    void getFromNode(xml::Node const* node, GUI* gui) override;

    ButtonStyle* getStyle(bool isChecked) const;
    LabelStyle* getStyle(ButtonState state, bool isChecked) const;
    void draw(basic_Rect<float> const& r, ButtonState state, bool isChecked);
    void print(basic_Rect<float> const& r, ButtonState state, bool isChecked, char const* text,
               gfx::Image const* image);
};

// A button style that prints its own image beside the caption.
class DropdownListStyle : public ButtonStyle {
public:
    gfx::Image* image;

    DropdownListStyle() : image(nullptr) {}
    void getFromNode(xml::Node const* node, GUI* gui) override;

    using ButtonStyle::print;
    void print(basic_Rect<float> const& r, ButtonState state, char const* text);
};

// A new style of that element name, or null for another name.
Style* createStyle(std::string const& type);

// The style of that name in the GUI's style bank; null without a GUI or style.
Style* findStyle(GUI const* gui, std::string const& name);

template <typename S>
S* findStyle(GUI const* gui, std::string const& name) {
    return dynamic_cast<S*>(findStyle(gui, name));
}

// An attribute naming a style: absent leaves `style`; present sets the style of that name and
// kind, or null.
template <typename S>
void readStyle(xml::Node const* node, char const* attribute, GUI const* gui, S*& style) {
    if (std::string const* value = node->getAttribute(attribute))
        style = findStyle<S>(gui, *value);
}

// The colour of a hexadecimal RRGGBBAA text ("0x" allowed; shorter texts are smaller numbers;
// values beyond 32 bits are FFFFFFFF).
Color styleColor(std::string const& text);

// Where a label puts an image of w x h in r, and what is left of r for the text: the text rect
// is cut only when the font style keeps to the image's side (null: no font style, no cut).
struct LabelPlacement {
    basic_Vector2D<float> image;
    basic_Rect<float> text;
};
LabelPlacement placeLabel(basic_Rect<float> r, float w, float h,
                          JustificationHorizontal imageHorizontal,
                          JustificationVertical imageVertical, FontStyle const* font);

} // namespace gui

// "single", "repeat" or "stretch"; throws the text for any other word.
template <>
gui::StretchMode strTo<gui::StretchMode>(std::string text);

} // namespace ravek

#endif
