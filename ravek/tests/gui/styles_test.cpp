#include "ravek/src/gui/styles.h"

#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gui/core.h"
#include "ravek/tests/gl_state.h"
#include "ravek/tests/gl_util.h"
#include "ravek/tests/gui/gui_util.h"
#include "ravek/tests/test_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace ravek;
using namespace ravek::gui;

namespace {

typedef basic_Vector2D<float> V;
typedef basic_Rect<float> R;
typedef JustificationHorizontal H;
typedef JustificationVertical Vj;

std::uint32_t const BLACK = 0x000000FFu;
std::uint32_t const RED = 0xFF0000FFu;
std::uint32_t const GREEN = 0x00FF00FFu;
std::uint32_t const BLUE = 0x0000FFFFu;
std::uint32_t const WHITE = 0xFFFFFFFFu;

void expectColor(Color const& c, float r, float g, float b, float a) {
    EXPECT_FLOAT_EQ(r, c.red);
    EXPECT_FLOAT_EQ(g, c.green);
    EXPECT_FLOAT_EQ(b, c.blue);
    EXPECT_FLOAT_EQ(a, c.alpha);
}

// A style read from one element by a GUI without banks.
template <typename S>
std::unique_ptr<S> readStyleElement(std::string const& element, GUI* gui = nullptr) {
    testutil::TempDir dir;
    std::unique_ptr<xml::Node> node(xml::loadXML(dir.write("s.xml", element)));
    std::unique_ptr<S> style(new S);
    style->getFromNode(node.get(), gui);
    return style;
}

class TextFont : public FontStyle {
public:
    TextFont(H h, Vj v) {
        horizontal = h;
        vertical = v;
    }
    void print(R const&, char const*) override {}
};

// A window with a 2D context of its own pixel size, cleared to black.
struct Canvas {
    testutil::Window window;
    Canvas(int width, int height) : window(width, height) {
        RenderContext2D(V(static_cast<float>(width), static_cast<float>(height))).apply();
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        clearScreen();
    }
};

// Counts the pixels of one colour in a rectangle of the window.
int count(int x, int y, int w, int h, std::uint32_t color) {
    std::vector<std::uint8_t> pixels = testutil::readPixels(x, y, w, h);
    int n = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        n += testutil::rgba(&pixels[i]) == color;
    return n;
}

} // namespace

TEST(StyleColor, HexadecimalRRGGBBAA) {
    expectColor(styleColor("FF000080"), 1.0f, 0.0f, 0.0f, 128.0f / 255.0f);
    // Six digits are a smaller number: no red, full alpha.
    expectColor(styleColor("FFFFFF"), 0.0f, 1.0f, 1.0f, 1.0f);
    expectColor(styleColor("0x00FF00FF"), 0.0f, 1.0f, 0.0f, 1.0f);
    expectColor(styleColor("nonsense"), 0.0f, 0.0f, 0.0f, 0.0f);
    expectColor(styleColor("1FFFFFFFFF"), 1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(stretch, strTo<StretchMode>("stretch"));
    EXPECT_EQ(single, strTo<StretchMode>("single"));
    EXPECT_EQ(repeat, strTo<StretchMode>("repeat"));
    EXPECT_THROW(strTo<StretchMode>("Stretch"), std::string);
}

TEST(StyleReading, PlainAndTexturedRectangles) {
    auto plain = readStyleElement<PlainRectStyle>(
        "<PlainRectStyle name=\"p\" border=\"2.5\" color=\"FF000080\" colorBorder1=\"00FF00FF\"/>");
    EXPECT_EQ("p", plain->name);
    EXPECT_FLOAT_EQ(2.5f, plain->border);
    expectColor(plain->color, 1.0f, 0.0f, 0.0f, 128.0f / 255.0f);
    expectColor(plain->colorBorder1, 0.0f, 1.0f, 0.0f, 1.0f);
    expectColor(plain->colorBorder2, 0.0f, 0.0f, 0.0f, 0.0f);

    auto textured = readStyleElement<TexturedRectStyle>(
        "<TexturedRectStyle name=\"t\" stretch=\"stretch\" stretchCenter=\"single\" "
        "colorBorder=\"FFFFFFFF\" center=\"c\"/>");
    EXPECT_EQ(stretch, textured->stretchUpper);
    EXPECT_EQ(stretch, textured->stretchLower);
    EXPECT_EQ(stretch, textured->stretchLeft);
    EXPECT_EQ(stretch, textured->stretchRight);
    EXPECT_EQ(single, textured->stretchCenter);
    // Without "color" the frame is drawn in (0, 0, 0, 0); without an image bank no images.
    expectColor(textured->color, 0.0f, 0.0f, 0.0f, 0.0f);
    expectColor(textured->colorBorder, 1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(nullptr, textured->center);
    auto defaults = readStyleElement<TexturedRectStyle>("<TexturedRectStyle name=\"d\"/>");
    EXPECT_EQ(repeat, defaults->stretchCenter);
}

TEST(StyleReading, AStyleWithoutANameLogsTheErrorAndGetsTheEmptyName) {
    testutil::LogCapture log;
    auto style = readStyleElement<ButtonStyle>("<ButtonStyle up=\"x\"/>");
    EXPECT_EQ("", style->name);
    EXPECT_NE(std::string::npos,
              log.text().find("(error) No name specified for style. Using empty name."));
}

TEST(StyleReading, CompositeStylesResolveEarlierStylesImagesAndFontsByName) {
    guitest::Loaded loaded(
        "<images name=\"img\"><image name=\"arrow\" filename=\"arrow.png\"/></images>"
        "<fonts name=\"fnt\"><bitmapfont dir=\"font/\"/></fonts>"
        "<gui name=\"gui\" fonts=\"fnt\" images=\"img\">"
        "<PlainRectStyle name=\"rect\"/>"
        "<SimpleFontStyle name=\"font\" horizontal=\"right\" vertical=\"top\" "
        "color=\"00FF00FF\" family=\"Test\" size=\"8\"/>"
        "<SimpleFontStyle name=\"noSize\" family=\"Test\"/>"
        "<SimpleFontStyle name=\"plainFont\"/>"
        "<LabelStyle name=\"label\" rect=\"rect\" font=\"font\" "
        "imageHorizontal=\"left\" imageVertical=\"bottom\" imageColor=\"FF0000FF\"/>"
        "<LabelStyle name=\"wrongKinds\" rect=\"label\" font=\"rect\"/>"
        "<ButtonStyle name=\"button\" up=\"label\" downHot=\"label\" down=\"rect\"/>"
        "<DropdownListStyle name=\"list\" upHot=\"label\" image=\"arrow\"/>"
        "<CheckboxStyle name=\"check\" checked=\"button\" unchecked=\"list\"/>"
        "</gui>",
        [](testutil::TempDir const& dir) { guitest::writeTestFont(dir); });
    GUI* gui = loaded.gui();
    ASSERT_NE(nullptr, gui);
    auto* font = findStyle<SimpleFontStyle>(gui, "font");
    ASSERT_NE(nullptr, font);
    EXPECT_EQ(H::right, font->horizontal);
    EXPECT_EQ(Vj::top, font->vertical);
    expectColor(font->color, 0.0f, 1.0f, 0.0f, 1.0f);
    ASSERT_NE(nullptr, font->font);
    EXPECT_EQ(fonts::FontDescriptor("Test", 8, 0), font->font->name);
    EXPECT_EQ(nullptr, findStyle<SimpleFontStyle>(gui, "noSize")->font);
    auto* plainFont = findStyle<SimpleFontStyle>(gui, "plainFont");
    EXPECT_EQ(H::left, plainFont->horizontal);
    EXPECT_EQ(Vj::center, plainFont->vertical);
    expectColor(plainFont->color, 1.0f, 1.0f, 1.0f, 1.0f);

    auto* label = findStyle<LabelStyle>(gui, "label");
    ASSERT_NE(nullptr, label);
    EXPECT_EQ(findStyle<RectStyle>(gui, "rect"), label->rect);
    EXPECT_EQ(font, label->font);
    EXPECT_EQ(H::left, label->imageHorizontal);
    EXPECT_EQ(Vj::bottom, label->imageVertical);
    expectColor(label->imageColor, 1.0f, 0.0f, 0.0f, 1.0f);
    auto* wrong = findStyle<LabelStyle>(gui, "wrongKinds");
    EXPECT_EQ(nullptr, wrong->rect);
    EXPECT_EQ(nullptr, wrong->font);
    EXPECT_EQ(H::center, wrong->imageHorizontal);
    EXPECT_EQ(Vj::center, wrong->imageVertical);

    auto* button = findStyle<ButtonStyle>(gui, "button");
    EXPECT_EQ(label, button->getStyle(up));
    EXPECT_EQ(nullptr, button->getStyle(down));
    EXPECT_EQ(nullptr, button->getStyle(upHot));
    EXPECT_EQ(label, button->getStyle(downHot));
    auto* list = findStyle<DropdownListStyle>(gui, "list");
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(label, list->getStyle(upHot));
    EXPECT_EQ(gui->getImages()->resources["arrow"], list->image);
    auto* check = findStyle<CheckboxStyle>(gui, "check");
    EXPECT_EQ(button, check->getStyle(true));
    EXPECT_EQ(list, check->getStyle(false));
    EXPECT_EQ(label, check->getStyle(downHot, true));
    EXPECT_EQ(nullptr, check->getStyle(down, true));
    EXPECT_EQ(label, check->getStyle(upHot, false));
    // A state without a label style draws and prints nothing at all.
    button->draw(R(0, 0, 10, 10), upHot);
    button->print(R(0, 0, 10, 10), upHot, "x", nullptr);
    check->draw(R(0, 0, 10, 10), up, false);
    CheckboxStyle empty;
    empty.draw(R(0, 0, 10, 10), up, true);
    empty.print(R(0, 0, 10, 10), up, true, "x", nullptr);
    EXPECT_EQ(nullptr, empty.getStyle(up, false));
}

TEST(LabelPlacement, EveryImageJustificationPairWithAndWithoutAMatchingFont) {
    R r(10, 20, 100, 50);
    float const w = 20, h = 10;
    struct Case {
        H h;
        float x;
    } horizontals[] = {{H::left, 10}, {H::center, 50}, {H::right, 90}};
    struct VCase {
        Vj v;
        float y;
    } verticals[] = {{Vj::bottom, 20}, {Vj::center, 40}, {Vj::top, 60}};
    for (Case const& hc : horizontals)
        for (VCase const& vc : verticals) {
            // Without a font style the text keeps the whole rectangle.
            LabelPlacement alone = placeLabel(r, w, h, hc.h, vc.v, nullptr);
            EXPECT_EQ(V(hc.x, vc.y), alone.image);
            EXPECT_EQ(r, alone.text);
            // A font on the same sides shares the rectangle with the image.
            TextFont same(hc.h, vc.v);
            LabelPlacement shared = placeLabel(r, w, h, hc.h, vc.v, &same);
            EXPECT_EQ(V(hc.x, vc.y), shared.image);
            R expected = r;
            if (hc.h == H::left) {
                expected.x += w;
                expected.width -= w;
            } else if (hc.h == H::right) {
                expected.width -= w;
            }
            if (vc.v == Vj::bottom) {
                expected.y += h;
                expected.height -= h;
            } else if (vc.v == Vj::top) {
                expected.height -= h;
            }
            EXPECT_EQ(expected, shared.text);
            // A centred font prints over the whole rectangle, image included.
            TextFont centred(H::center, Vj::center);
            EXPECT_EQ(r, placeLabel(r, w, h, hc.h, vc.v, &centred).text);
        }
    TextFont leftTop(H::left, Vj::top);
    EXPECT_EQ(R(30, 20, 80, 50), placeLabel(r, w, h, H::left, Vj::bottom, &leftTop).text);
}

TEST(StyleGL, PlainRectanglePaintsItsBorderOutsideWithMitredCorners) {
    Canvas canvas(160, 120);
    PlainRectStyle style;
    style.color = Color(1, 0, 0, 1);
    style.colorBorder1 = Color(0, 1, 0, 1);
    style.colorBorder2 = Color(0, 0, 1, 1);
    style.border = 4.0f;
    style.draw(R(10, 10, 20, 20));
    EXPECT_EQ(RED, testutil::pixelAt(10, 10));
    EXPECT_EQ(RED, testutil::pixelAt(29, 29));
    EXPECT_EQ(400, count(10, 10, 20, 20, RED));
    // Top and left in the first border colour, bottom and right in the second.
    EXPECT_EQ(GREEN, testutil::pixelAt(20, 32));
    EXPECT_EQ(GREEN, testutil::pixelAt(7, 20));
    EXPECT_EQ(BLUE, testutil::pixelAt(20, 7));
    EXPECT_EQ(BLUE, testutil::pixelAt(32, 20));
    // Square corners at the top left and bottom right, mitres at the other two.
    EXPECT_EQ(GREEN, testutil::pixelAt(6, 33));
    EXPECT_EQ(BLUE, testutil::pixelAt(33, 6));
    EXPECT_EQ(GREEN, testutil::pixelAt(7, 9));
    EXPECT_EQ(BLUE, testutil::pixelAt(8, 6));
    EXPECT_EQ(GREEN, testutil::pixelAt(31, 33));
    EXPECT_EQ(BLUE, testutil::pixelAt(33, 31));
    // Nothing beyond the border.
    EXPECT_EQ(28 * 28 - 400, count(6, 6, 28, 28, GREEN) + count(6, 6, 28, 28, BLUE));
    EXPECT_EQ(BLACK, testutil::pixelAt(5, 20));
    EXPECT_EQ(BLACK, testutil::pixelAt(34, 34));
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST(StyleGL, PlainRectangleWithoutBorderPaintsOnlyItself) {
    Canvas canvas(160, 120);
    PlainRectStyle style;
    style.color = Color(1, 0, 0, 1);
    style.colorBorder1 = Color(0, 1, 0, 1);
    style.draw(R(10, 10, 20, 20));
    EXPECT_EQ(400, count(0, 0, 160, 120, RED));
    EXPECT_EQ(160 * 120 - 400, count(0, 0, 160, 120, BLACK));
}

namespace {

// Nine 4 x 4 pieces in colours of their own; the centre and the upper edge have a left half in
// one colour and a right half in another, so single, repeat and stretch can be told apart.
struct Frame {
    testutil::TempDir dir;
    std::vector<std::unique_ptr<gfx::SimpleImage>> images;
    TexturedRectStyle style;

    gfx::SimpleImage* image(std::string const& name, std::uint32_t left, std::uint32_t right) {
        std::string file = guitest::writePicture(dir, name + ".png", 4, 4,
                                                 [=](int x, int) { return x < 2 ? left : right; });
        images.emplace_back(new gfx::SimpleImage(name, file));
        images.back()->filter = gfx::none;
        images.back()->refresh(false);
        return images.back().get();
    }
    Frame() {
        style.color = Color(1, 1, 1, 1);
        style.upperLeft = image("ul", 0x110000FFu, 0x110000FFu);
        style.upper = image("u", 0x220000FFu, 0x330000FFu);
        style.upperRight = image("ur", 0x440000FFu, 0x440000FFu);
        style.left = image("l", 0x550000FFu, 0x550000FFu);
        style.center = image("c", 0x660000FFu, 0x770000FFu);
        style.right = image("r", 0x880000FFu, 0x880000FFu);
        style.lowerLeft = image("ll", 0x990000FFu, 0x990000FFu);
        style.lower = image("lo", 0xAA0000FFu, 0xAA0000FFu);
        style.lowerRight = image("lr", 0xBB0000FFu, 0xBB0000FFu);
    }
    ~Frame() {
        for (auto& image : images)
            image->release(false);
    }
};

} // namespace

TEST(StyleGL, TexturedFramePlacesItsNinePiecesAroundTheRectangle) {
    Canvas canvas(160, 120);
    Frame frame;
    frame.style.draw(R(20, 20, 12, 8));
    // Corners outside the rectangle's corners.
    EXPECT_EQ(4 * 4, count(16, 28, 4, 4, 0x110000FFu));
    EXPECT_EQ(4 * 4, count(32, 28, 4, 4, 0x440000FFu));
    EXPECT_EQ(4 * 4, count(16, 16, 4, 4, 0x990000FFu));
    EXPECT_EQ(4 * 4, count(32, 16, 4, 4, 0xBB0000FFu));
    // Edges along the sides, repeated at natural size by default.
    EXPECT_EQ(4 * 8, count(16, 20, 4, 8, 0x550000FFu));
    EXPECT_EQ(4 * 8, count(32, 20, 4, 8, 0x880000FFu));
    EXPECT_EQ(12 * 4, count(20, 16, 12, 4, 0xAA0000FFu));
    for (int x = 20; x < 32; ++x) {
        bool first = (x - 20) % 4 < 2;
        EXPECT_EQ(first ? 0x220000FFu : 0x330000FFu, testutil::pixelAt(x, 29)) << x;
        EXPECT_EQ(first ? 0x660000FFu : 0x770000FFu, testutil::pixelAt(x, 21)) << x;
    }
    EXPECT_EQ(160 * 120 - 20 * 16, count(0, 0, 160, 120, BLACK));

    // Stretched edges and a single centre at the rectangle's corner.
    glClear(GL_COLOR_BUFFER_BIT);
    frame.style.stretchUpper = stretch;
    frame.style.stretchCenter = single;
    frame.style.draw(R(20, 20, 12, 8));
    for (int x = 20; x < 32; ++x)
        EXPECT_EQ(x < 26 ? 0x220000FFu : 0x330000FFu, testutil::pixelAt(x, 30)) << x;
    EXPECT_EQ(0x660000FFu, testutil::pixelAt(21, 21));
    EXPECT_EQ(0x770000FFu, testutil::pixelAt(23, 23));
    EXPECT_EQ(BLACK, testutil::pixelAt(25, 21));
    EXPECT_EQ(BLACK, testutil::pixelAt(21, 25));

    // A mode outside the three draws nothing for its piece.
    glClear(GL_COLOR_BUFFER_BIT);
    frame.style.stretchLeft = static_cast<StretchMode>(3);
    frame.style.draw(R(20, 20, 12, 8));
    EXPECT_EQ(4 * 8, count(16, 20, 4, 8, BLACK));
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST(StyleGL, TexturedFrameWithoutColourIsInvisible) {
    Canvas canvas(160, 120);
    Frame frame;
    frame.style.color = Color();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    frame.style.draw(R(20, 20, 12, 8));
    EXPECT_EQ(160 * 120, count(0, 0, 160, 120, BLACK));
}

TEST(StyleGL, LabelPrintsItsImageAndTextSideBySideOrTheTextOverTheWhole) {
    Canvas canvas(160, 120);
    testutil::TempDir dir;
    fonts::BitmapFont font(guitest::writeTestFont(dir));
    gfx::SimpleImage image("i", guitest::writeSolid(dir, "i.png", 8, 8, WHITE));
    image.filter = gfx::none;
    image.refresh(false);
    SimpleFontStyle text;
    text.font = &font;
    text.color = Color(0, 1, 0, 1);
    text.vertical = Vj::bottom;
    LabelStyle label;
    label.font = &text;
    label.imageHorizontal = H::left;
    label.imageVertical = Vj::center;
    label.imageColor = Color(1, 0, 0, 1);
    glPushMatrix();
    label.print(R(0, 0, 64, 8), "AA", &image);
    glPopMatrix();
    // The image at the left in its colour, the text (8 wide) right after it.
    EXPECT_EQ(64, count(0, 0, 8, 8, RED));
    EXPECT_EQ(64, count(8, 0, 8, 8, GREEN));
    EXPECT_EQ(160 * 120 - 128, count(0, 0, 160, 120, BLACK));

    glClear(GL_COLOR_BUFFER_BIT);
    text.horizontal = H::center;
    glPushMatrix();
    label.print(R(0, 0, 64, 8), "AA", &image);
    glPopMatrix();
    // Centred over the whole rectangle: 28 to 36.
    EXPECT_EQ(64, count(0, 0, 8, 8, RED));
    EXPECT_EQ(64, count(28, 0, 8, 8, GREEN));
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    image.release(false);
}

TEST(StyleGL, RectanglesAndTextLeaveTheStateAsFoundButForTheTextsAdvance) {
    Canvas canvas(160, 120);
    Frame frame;
    testutil::TempDir dir;
    fonts::BitmapFont font(guitest::writeTestFont(dir));
    PlainRectStyle plain;
    plain.color = Color(1, 0, 0, 1);
    plain.border = 2;
    SimpleFontStyle text;
    text.font = &font;
    text.color = Color(0, 1, 0, 1);
    GLuint other = 0;
    glGenTextures(1, &other);
    GLfloat vertices[9] = {};
    for (bool texturing : {false, true}) {
        testutil::setUnusualState(other, vertices);
        if (texturing)
            glEnable(GL_TEXTURE_2D);
        std::string expected = testutil::GLState::read().text();
        plain.draw(R(10, 10, 20, 20));
        EXPECT_EQ(expected, testutil::GLState::read().text()) << "plain " << texturing;
        frame.style.draw(R(40, 40, 12, 8));
        EXPECT_EQ(expected, testutil::GLState::read().text()) << "textured " << texturing;

        testutil::GLState before = testutil::GLState::read();
        text.print(R(60, 10, 40, 20), "AA");
        testutil::GLState after = testutil::GLState::read();
        EXPECT_FLOAT_EQ(3.0f + 8.0f, after.modelview[12]);
        std::copy(after.modelview, after.modelview + 16, before.modelview);
        EXPECT_EQ(before.text(), after.text()) << "text " << texturing;
    }
    glDeleteTextures(1, &other);
}
