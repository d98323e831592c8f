// A whole GUI description with every widget kind and style, read from text, driven by hand-built
// events and drawn.
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gfx/sprites.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/core.h"
#include "ravek/src/gui/lists.h"
#include "ravek/src/gui/slider.h"
#include "ravek/src/gui/standard.h"
#include "ravek/src/gui/styles.h"
#include "ravek/src/gui/text.h"
#include "ravek/tests/gl_util.h"
#include "ravek/tests/gui/gui_util.h"
#include "ravek/tests/test_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace ravek;
using namespace ravek::gui;

namespace {

typedef basic_Vector2D<float> V;
typedef basic_Rect<float> R;
typedef std::vector<Trigger*> Pushed;

// Widgets first, styles last: the styles are read before any widget all the same.
std::string const DESCRIPTION =
    guitest::evaluatorDescription() +
    "<images name=\"img\">"
    "<image name=\"cursor\" filename=\"cursor.png\" filter=\"none\"/>"
    "<image name=\"fc\" filename=\"fc.png\" filter=\"none\"/>"
    "<image name=\"fe\" filename=\"fe.png\" filter=\"none\"/>"
    "<image name=\"arrow\" filename=\"arrow.png\" filter=\"none\"/>"
    "</images>"
    "<fonts name=\"fnt\"><bitmapfont dir=\"font/\"/></fonts>"
    "<gui name=\"gui\" fonts=\"fnt\" images=\"img\" cursor=\"cursor\" x=\"0\" y=\"0\" "
    "width=\"160\" height=\"120\" visible=\"true\">"
    " <InputCaptor name=\"captor\" triggerKey=\"ev.f\" triggerJoyButton=\"ev.f\" "
    "triggerJoyAxis=\"ev.f\" enabled=\"false\" width=\"160\" height=\"120\"/>"
    " <Pane name=\"window\" style=\"frame\" x=\"10\" y=\"10\" width=\"140\" height=\"100\">"
    "  <Label name=\"title\" caption=\"A\" style=\"lsTitle\" x=\"0\" y=\"90\" width=\"140\" "
    "height=\"8\"/>"
    "  <Button name=\"ok\" caption=\"A\" style=\"bsButton\" trigger=\"ev.a\" x=\"4\" y=\"70\" "
    "width=\"40\" height=\"12\" gridX=\"0\" gridY=\"0\"/>"
    "  <Checkbox name=\"check\" caption=\"A\" style=\"csCheck\" trigger=\"ev.b\" x=\"50\" "
    "y=\"70\" width=\"40\" height=\"12\" gridX=\"1\" gridY=\"0\"/>"
    "  <DropdownList name=\"list\" style=\"dsList\" trigger=\"ev.c\" x=\"96\" y=\"70\" "
    "width=\"40\" height=\"12\" gridX=\"2\" gridY=\"0\">"
    "<Item caption=\"1\" id=\"1\"/><Item caption=\"2\" id=\"2\"/><Item caption=\"3\" id=\"3\"/>"
    "</DropdownList>"
    "  <Textfield name=\"name\" style=\"lsField\" triggerConfirm=\"ev.d\" maxLength=\"5\" "
    "x=\"4\" y=\"50\" width=\"132\" height=\"12\" gridX=\"0\" gridY=\"1\" gridWidth=\"3\"/>"
    "  <Slider_int name=\"volume\" barStyle=\"plainBar\" handleStyle=\"bsButton\" "
    "buttonStyle=\"bsButton\" buttonsBefore=\"dec\" buttonsAfter=\"inc\" min=\"0\" max=\"100\" "
    "stepSmall=\"10\" stepLarge=\"50\" value=\"50\" trigger=\"ev.e\" x=\"4\" y=\"30\" "
    "width=\"132\" height=\"12\" gridX=\"0\" gridY=\"2\" gridWidth=\"3\"/>"
    "  <Slider_float name=\"gamma\" handleStyle=\"bsButton\" orientation=\"horizontal\" "
    "min=\"0\" max=\"1\" stepSmall=\"0.25\" value=\"0.5\" x=\"4\" y=\"10\" width=\"132\" "
    "height=\"12\" gridX=\"0\" gridY=\"3\" gridWidth=\"3\"/>"
    "  <Pane name=\"strip\" style=\"plainDown\" x=\"130\" y=\"2\" width=\"30\" height=\"6\"/>"
    " </Pane>"
    " <PlainRectStyle name=\"plainBar\" color=\"404040FF\"/>"
    " <PlainRectStyle name=\"plainUp\" color=\"0000FFFF\" border=\"1\" colorBorder1=\"FFFFFFFF\" "
    "colorBorder2=\"808080FF\"/>"
    " <PlainRectStyle name=\"plainHot\" color=\"00FF00FF\"/>"
    " <PlainRectStyle name=\"plainDown\" color=\"FF0000FF\"/>"
    " <TexturedRectStyle name=\"frame\" stretch=\"stretch\" color=\"FFFFFFFF\" center=\"fc\" "
    "upperLeft=\"fe\" upper=\"fe\" upperRight=\"fe\" left=\"fe\" right=\"fe\" lowerLeft=\"fe\" "
    "lower=\"fe\" lowerRight=\"fe\"/>"
    " <SimpleFontStyle name=\"font\" horizontal=\"center\" vertical=\"center\" "
    "color=\"FFFFFFFF\" family=\"Test\" size=\"8\"/>"
    " <SimpleFontStyle name=\"fontLeft\" horizontal=\"left\" family=\"Test\" size=\"8\"/>"
    " <LabelStyle name=\"lsTitle\" font=\"font\"/>"
    " <LabelStyle name=\"lsUp\" rect=\"plainUp\" font=\"font\"/>"
    " <LabelStyle name=\"lsHot\" rect=\"plainHot\" font=\"font\"/>"
    " <LabelStyle name=\"lsDown\" rect=\"plainDown\" font=\"font\"/>"
    " <LabelStyle name=\"lsField\" rect=\"plainBar\" font=\"fontLeft\"/>"
    " <ButtonStyle name=\"bsButton\" up=\"lsUp\" down=\"lsDown\" upHot=\"lsHot\" "
    "downHot=\"lsDown\"/>"
    " <ButtonStyle name=\"bsOff\" up=\"lsField\" down=\"lsField\" upHot=\"lsField\" "
    "downHot=\"lsField\"/>"
    " <CheckboxStyle name=\"csCheck\" checked=\"bsButton\" unchecked=\"bsOff\"/>"
    " <LabelStyle name=\"lsList\" rect=\"plainUp\" font=\"font\" imageHorizontal=\"right\"/>"
    " <DropdownListStyle name=\"dsList\" up=\"lsList\" down=\"lsDown\" upHot=\"lsHot\" "
    "downHot=\"lsDown\" image=\"arrow\"/>"
    "</gui>";

std::uint32_t const BLUE = 0x0000FFFFu;
std::uint32_t const GREEN = 0x00FF00FFu;
std::uint32_t const RED = 0xFF0000FFu;
std::uint32_t const GREY = 0x404040FFu;
std::uint32_t const WHITE = 0xFFFFFFFFu;
std::uint32_t const YELLOW = 0xFFFF00FFu;
std::uint32_t const MAGENTA = 0xFF00FFFFu;
std::uint32_t const DARK = 0x202020FFu;
std::uint32_t const BLACK = 0x000000FFu;

void writeFiles(testutil::TempDir const& dir) {
    guitest::writeTestFont(dir);
    guitest::writeSolid(dir, "cursor.png", 4, 4, YELLOW);
    guitest::writeSolid(dir, "fc.png", 2, 2, DARK);
    guitest::writeSolid(dir, "fe.png", 2, 2, MAGENTA);
    guitest::writeSolid(dir, "arrow.png", 4, 4, 0x00FFFFFFu);
}

// The GUI read from the description, active, with a callback and a queue; the screen is the
// GUI's size.
struct Described {
    guitest::Screen screen;
    guitest::Loaded loaded;
    GUI* gui;
    guitest::Callback callback;
    ControlQueue queue;

    Described() : screen(160, 120), loaded(DESCRIPTION, writeFiles), gui(loaded.gui()) {
        gui->setCallback(&callback);
        gui->setActive(true);
    }
    template <typename W>
    W* get(char const* name) {
        return dynamic_cast<W*>((*gui)[name]);
    }
    bool key(SDLKey key, Uint16 unicode = 0) {
        return gui->evaluate(guitest::keyDown(key, unicode), &queue);
    }
    // A point of the GUI (y up) in window coordinates.
    void move(int x, int y) { gui->evaluate(guitest::mouseMotion(x, 120 - y), &queue); }
    void press(int x, int y, bool down) {
        gui->evaluate(guitest::mouseButton(down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP,
                                           SDL_BUTTON_LEFT, x, 120 - y),
                      &queue);
    }
    Pushed pushed() { return guitest::drain(queue); }
    Trigger* t(char const* name) { return loaded.trigger(name); }
    Component* focused() { return gui->getFocused(); }
};

} // namespace

TEST(Description, EveryWidgetKindIsReadAndDrivenByFocusMovesClicksKeysAndCapture) {
    Described d;
    ASSERT_NE(nullptr, d.gui);
    auto* ok = d.get<Button>("ok");
    auto* check = d.get<Checkbox>("check");
    auto* list = d.get<DropdownList>("list");
    auto* name = d.get<Textfield>("name");
    auto* volume = d.get<Slider<int>>("volume");
    auto* gamma = d.get<Slider<float>>("gamma");
    auto* captor = d.get<InputCaptor>("captor");
    ASSERT_TRUE(ok && check && list && name && volume && gamma && captor);
    ASSERT_NE(nullptr, d.get<Label>("title"));
    EXPECT_NE(nullptr, ok->getStyle());
    EXPECT_NE(nullptr, check->getStyle());
    EXPECT_NE(nullptr, list->getStyle());
    EXPECT_NE(nullptr, name->getStyle());
    EXPECT_NE(nullptr, volume->handleStyle);
    EXPECT_NE(nullptr, volume->bDecBefore->getStyle());
    EXPECT_EQ("1", list->getCaption());

    // Tab from the GUI itself finds the first focusable widget, past the captor and the title.
    EXPECT_TRUE(d.key(SDLK_TAB, 9));
    EXPECT_EQ(ok, d.focused());
    EXPECT_TRUE(d.key(SDLK_RIGHT));
    EXPECT_EQ(check, d.focused());
    d.key(SDLK_RIGHT);
    d.key(SDLK_RIGHT);
    EXPECT_EQ(ok, d.focused());
    d.key(SDLK_DOWN);
    EXPECT_EQ(name, d.focused());
    d.key(SDLK_DOWN);
    d.key(SDLK_DOWN);
    EXPECT_EQ(gamma, d.focused());
    d.key(SDLK_DOWN);
    EXPECT_EQ(ok, d.focused());
    EXPECT_EQ(8, d.callback.moves);

    // Clicks by keyboard.
    EXPECT_TRUE(d.key(SDLK_RETURN, 13));
    d.key(SDLK_RIGHT);
    EXPECT_TRUE(d.key(SDLK_SPACE, 32));
    EXPECT_TRUE(check->getChecked());
    d.key(SDLK_RIGHT);
    EXPECT_TRUE(d.key(SDLK_RETURN, 13));
    EXPECT_EQ("2", list->getCaption());
    EXPECT_EQ(Pushed({d.t("a"), d.t("b"), d.t("c")}), d.pushed());
    EXPECT_EQ(3, d.callback.confirms);

    // Text entry, cut at the maximum length, confirmed by Return.
    d.key(SDLK_DOWN);
    EXPECT_EQ(name, d.focused());
    for (char c : std::string("A1.2-3"))
        EXPECT_TRUE(d.key(SDLK_UNKNOWN, static_cast<Uint16>(c)));
    EXPECT_EQ("A1.2-", name->getCaption());
    d.key(SDLK_BACKSPACE, 8);
    d.gui->evaluate(guitest::keyUp(SDLK_BACKSPACE, 8), &d.queue);
    d.key(SDLK_RETURN, 13);
    EXPECT_EQ("A1.2", name->getCaption());
    EXPECT_EQ(Pushed{d.t("d")}, d.pushed());

    // Slider keys push the slider's trigger.
    d.key(SDLK_DOWN);
    EXPECT_EQ(volume, d.focused());
    d.key(SDLK_RIGHT);
    EXPECT_EQ(60, volume->value);
    d.key(SDLK_PAGEDOWN);
    EXPECT_EQ(100, volume->value);
    d.key(SDLK_HOME);
    EXPECT_EQ(0, volume->value);
    EXPECT_EQ(Pushed({d.t("e"), d.t("e"), d.t("e")}), d.pushed());
    d.key(SDLK_DOWN);
    d.key(SDLK_RIGHT);
    EXPECT_FLOAT_EQ(0.75f, gamma->value);
    EXPECT_TRUE(d.pushed().empty());

    // The mouse: hovering focuses, a press and release over the button clicks it.
    d.move(20, 85);
    EXPECT_EQ(ok, d.focused());
    d.press(20, 85, true);
    EXPECT_EQ(ok, d.gui->getMouseCaptured());
    d.press(20, 85, false);
    EXPECT_EQ(Pushed{d.t("a")}, d.pushed());
    // Dragging the volume's handle (bar from 26 to 134, handle 27 long at the start).
    d.move(30, 45);
    EXPECT_EQ(volume, d.focused());
    d.press(30, 45, true);
    EXPECT_TRUE(volume->dragging);
    d.move(71, 45);
    d.press(71, 45, false);
    EXPECT_EQ(50, volume->value);
    EXPECT_FALSE(volume->dragging);
    EXPECT_EQ(Pushed{d.t("e")}, d.pushed());
    // The arrow button after the bar, held for a while.
    d.move(140, 45);
    EXPECT_EQ(volume->bIncAfter, d.focused());
    d.press(140, 45, true);
    d.gui->perform(&d.queue, 330.0f);
    d.press(140, 45, false);
    EXPECT_EQ(90, volume->value);
    EXPECT_EQ(4u, d.pushed().size());

    // Key capture: the captor takes the next key and disables itself.
    captor->setEnabled(true);
    captor->setFocused(true);
    EXPECT_TRUE(d.key(SDLK_q, 'q'));
    EXPECT_EQ(SDLK_q, captor->getKey());
    EXPECT_FALSE(captor->getEnabled());
    EXPECT_TRUE(d.key(SDLK_TAB, 9));
    EXPECT_EQ(captor, d.focused());
    EXPECT_EQ(Pushed{d.t("f")}, d.pushed());
}

TEST(DescriptionGL, TheGuiDrawsItsWidgetsClippedWithTheCursorOnTop) {
    testutil::Window window(160, 120);
    Described d;
    ASSERT_NE(nullptr, d.gui);
    d.gui->getImages()->refresh(nullptr);
    RenderContext2D(V(160, 120)).apply();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    clearScreen();
    // Hover over the OK button: it takes the focus and the cursor stands on it.
    d.move(20, 90);
    d.gui->draw();

    // The window's frame: stretched centre, edges outside the pane.
    EXPECT_EQ(DARK, testutil::pixelAt(12, 12));
    EXPECT_EQ(MAGENTA, testutil::pixelAt(9, 60));
    EXPECT_EQ(MAGENTA, testutil::pixelAt(80, 111));
    // The focused button is hot; the cursor lies above it.
    EXPECT_EQ(GREEN, testutil::pixelAt(16, 82));
    EXPECT_EQ(YELLOW, testutil::pixelAt(21, 88));
    EXPECT_EQ(YELLOW, testutil::pixelAt(23, 86));
    EXPECT_EQ(GREEN, testutil::pixelAt(25, 88));
    // The caption "A", centred: 4 x 8 white pixels in the middle of the button.
    int white = 0;
    for (int y = 80; y < 92; ++y)
        for (int x = 14; x < 54; ++x)
            white += testutil::pixelAt(x, y) == WHITE;
    EXPECT_EQ(32, white);
    EXPECT_EQ(WHITE, testutil::pixelAt(32, 82));
    // An unchecked checkbox uses the unchecked button style, its caption at the left.
    EXPECT_EQ(GREY, testutil::pixelAt(70, 82));
    EXPECT_EQ(WHITE, testutil::pixelAt(61, 83));
    // The list in its up style with a border, its image at the right.
    EXPECT_EQ(BLUE, testutil::pixelAt(108, 82));
    EXPECT_EQ(WHITE, testutil::pixelAt(110, 92));
    EXPECT_EQ(0x00FFFFFFu, testutil::pixelAt(143, 85));
    // The slider: bar, handle at the middle and its arrow buttons.
    EXPECT_EQ(GREY, testutil::pixelAt(30, 45));
    EXPECT_EQ(BLUE, testutil::pixelAt(70, 41));
    EXPECT_EQ(GREY, testutil::pixelAt(100, 45));
    EXPECT_EQ(BLUE, testutil::pixelAt(16, 42));
    EXPECT_EQ(BLUE, testutil::pixelAt(137, 42));
    // The strip sticks out of the window but is clipped to it; the frame is not.
    EXPECT_EQ(RED, testutil::pixelAt(145, 14));
    EXPECT_EQ(MAGENTA, testutil::pixelAt(151, 14));
    EXPECT_EQ(BLACK, testutil::pixelAt(155, 14));

    // Pressed: the down style; hidden panes draw nothing.
    d.press(20, 90, true);
    clearScreen();
    d.gui->draw();
    EXPECT_EQ(RED, testutil::pixelAt(16, 82));
    d.press(20, 90, false);
    d.get<Pane>("window")->setVisible(false);
    clearScreen();
    d.gui->draw();
    EXPECT_EQ(BLACK, testutil::pixelAt(12, 12));
    EXPECT_EQ(BLACK, testutil::pixelAt(16, 82));
    EXPECT_EQ(YELLOW, testutil::pixelAt(21, 88));
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    d.gui->getImages()->release();
}
