#include "ravek/src/gui/text.h"

#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/tests/gl_util.h"
#include "ravek/tests/gui/gui_util.h"
#include "ravek/tests/test_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ravek;
using namespace ravek::gui;

namespace {

typedef basic_Vector2D<float> V;
typedef basic_Rect<float> R;
typedef std::vector<Trigger*> Pushed;

struct Fixture {
    guitest::Triggers triggers;
    GUI gui;
    ControlQueue queue;
    Textfield* field;
    Fixture() : field(new Textfield) {
        gui.setDimensions(R(0, 0, 200, 100));
        field->setDimensions(R(10, 10, 100, 20));
        gui += field;
        field->setFocused(true);
    }
    bool type(unsigned short unicode, SDLKey key = SDLK_UNKNOWN, int mod = KMOD_NONE) {
        return field->keyDown(&queue, key, static_cast<SDLMod>(mod), unicode);
    }
};

// A label style printing with the test font (read with the OpenGL context of the moment).
struct TestFontStyle {
    testutil::TempDir dir;
    fonts::BitmapFont font;
    SimpleFontStyle text;
    LabelStyle style;
    TestFontStyle() : font(guitest::writeTestFont(dir)) {
        text.font = &font;
        style.font = &text;
    }
};

} // namespace

TEST(Textfield, PrintableCharactersAppendAndBackspaceErases) {
    Fixture f;
    EXPECT_TRUE(f.field->focusable);
    EXPECT_TRUE(f.type('a'));
    EXPECT_TRUE(f.type(' '));
    EXPECT_TRUE(f.type(255));
    EXPECT_EQ(std::string("a \xFF"), f.field->getCaption());
    EXPECT_TRUE(f.type(8));
    EXPECT_TRUE(f.type(8));
    EXPECT_EQ("a", f.field->getCaption());
    EXPECT_EQ(8, f.field->heldChar);
    EXPECT_TRUE(f.type(8));
    // Backspace on the empty text changes nothing, stops the repeat and is consumed.
    EXPECT_TRUE(f.type(8));
    EXPECT_EQ("", f.field->getCaption());
    EXPECT_EQ(0, f.field->heldChar);
    // A character above 255, or none at all, is left to navigation.
    EXPECT_FALSE(f.type(300, SDLK_a));
    EXPECT_FALSE(f.type(0, SDLK_F1));
    EXPECT_EQ("", f.field->getCaption());

    // With a Ctrl key held (a fire key), letters, digits and space type their own characters:
    // X gives control codes or none, SDL 2 underneath none for a Latin-1 letter and the unshifted
    // ASCII letter. Shift xor Caps Lock makes capitals.
    struct Typed {
        unsigned short unicode;
        int key, mod;
    };
    for (Typed t :
         {Typed{1, SDLK_a, KMOD_LCTRL}, Typed{26, SDLK_z, KMOD_RCTRL},
          Typed{1, SDLK_a, KMOD_LCTRL | KMOD_LSHIFT}, Typed{1, SDLK_a, KMOD_RCTRL | KMOD_CAPS},
          Typed{1, SDLK_a, KMOD_LCTRL | KMOD_CAPS | KMOD_RSHIFT},
          Typed{'a', SDLK_a, KMOD_LCTRL | KMOD_LSHIFT}, Typed{0, SDLK_2, KMOD_LCTRL},
          Typed{27, SDLK_3, KMOD_LCTRL}, Typed{127, SDLK_8, KMOD_RCTRL},
          Typed{0, SDLK_SPACE, KMOD_LCTRL}, Typed{235, SDLK_WORLD_75, KMOD_LCTRL},
          Typed{0, SDLK_WORLD_75, KMOD_RCTRL | KMOD_LSHIFT},
          Typed{0, SDLK_WORLD_63, KMOD_LCTRL | KMOD_LSHIFT}})
        EXPECT_TRUE(f.type(t.unicode, static_cast<SDLKey>(t.key), t.mod)) << t.key;
    EXPECT_EQ("azAAaA238 \xEB\xCB\xDF", f.field->getCaption());
    EXPECT_EQ(0xDF, f.field->heldChar);
    // Shifted digits and Alt or AltGr chords make other characters, which are not guessed.
    EXPECT_FALSE(f.type(0, SDLK_2, KMOD_LCTRL | KMOD_LSHIFT));
    EXPECT_FALSE(f.type(0, SDLK_q, KMOD_RCTRL | KMOD_MODE));
    // Backspace and Return still erase and enter.
    f.field->setTriggerConfirm(f.triggers["a"]);
    EXPECT_TRUE(f.type(8, SDLK_BACKSPACE, KMOD_LCTRL));
    EXPECT_TRUE(f.type(13, SDLK_RETURN, KMOD_RCTRL));
    EXPECT_EQ("azAAaA238 \xEB\xCB", f.field->getCaption());
    EXPECT_EQ(Pushed{f.triggers["a"]}, guitest::drain(f.queue));
}

TEST(Textfield, ACharacterTheStylesFontHasNoGlyphForIsRefused) {
    Fixture f;
    TestFontStyle styled;
    f.field->setStyle(&styled.style);
    // SDL's character code of a Latin-1 letter is its byte.
    EXPECT_TRUE(f.type('A'));
    EXPECT_TRUE(f.type(235));
    EXPECT_EQ("A\xeb", f.field->getCaption());
    // Consumed, not taken, and the held key stops repeating: B, delete, a C1 control, e acute.
    for (unsigned short refused : {66, 127, 128, 233, 255}) {
        EXPECT_TRUE(f.type(refused)) << refused;
        EXPECT_EQ(0, f.field->heldChar) << refused;
    }
    f.gui.perform(&f.queue, 1000.0f);
    EXPECT_EQ("A\xeb", f.field->getCaption());
    // A font style without a font cannot tell: the field takes every printable byte.
    styled.text.font = nullptr;
    EXPECT_TRUE(f.type('B'));
    EXPECT_EQ("A\xeb"
              "B",
              f.field->getCaption());
}

TEST(Textfield, AHeldKeyRepeatsAfterTheDelayPlusOneIntervalThenEveryInterval) {
    Fixture f;
    f.type('x');
    EXPECT_FLOAT_EQ(-300.0f, f.field->repeatTimer);
    f.gui.perform(&f.queue, 300.0f);
    f.gui.perform(&f.queue, 29.0f);
    EXPECT_EQ("x", f.field->getCaption());
    f.gui.perform(&f.queue, 1.0f);
    EXPECT_EQ("xx", f.field->getCaption());
    f.gui.perform(&f.queue, 30.0f);
    EXPECT_EQ("xxx", f.field->getCaption());
    // A long frame makes several at once.
    f.gui.perform(&f.queue, 95.0f);
    EXPECT_EQ("xxxxxx", f.field->getCaption());
    EXPECT_FLOAT_EQ(5.0f, f.field->repeatTimer);
    // Another key takes over the repeat and arms the delay again; pressing the held one again
    // does not.
    f.type('y');
    EXPECT_FLOAT_EQ(-300.0f, f.field->repeatTimer);
    f.gui.perform(&f.queue, 100.0f);
    f.type('y');
    EXPECT_FLOAT_EQ(-200.0f, f.field->repeatTimer);
    // Any release stops it.
    EXPECT_TRUE(f.field->keyUp(&f.queue, SDLK_z, KMOD_NONE, 'z'));
    f.gui.perform(&f.queue, 1000.0f);
    EXPECT_EQ("xxxxxxyy", f.field->getCaption());
}

TEST(Textfield, LeavingStopsTheRepeatAndBackspaceRepeatsUntilTheTextIsEmpty) {
    Fixture f;
    f.field->setCaption("abcdef");
    f.type('g');
    f.field->enter(&f.queue, V(0, 0));
    EXPECT_EQ('g', f.field->heldChar);
    f.field->leave(&f.queue, V(0, 0));
    f.gui.perform(&f.queue, 1000.0f);
    EXPECT_EQ("abcdefg", f.field->getCaption());
    f.type(8);
    f.gui.perform(&f.queue, 10000.0f);
    EXPECT_EQ("", f.field->getCaption());
    EXPECT_EQ(0, f.field->heldChar);
}

TEST(Textfield, ReturnStopsTheRepeatAndPushesTheConfirmTriggerWhenSet) {
    Fixture f;
    f.type('a');
    EXPECT_TRUE(f.type(13, SDLK_RETURN));
    EXPECT_EQ(0, f.field->heldChar);
    EXPECT_TRUE(f.queue.isEmpty());
    f.field->setTriggerConfirm(f.triggers["a"]);
    EXPECT_EQ(f.triggers["a"], f.field->getTriggerConfirm());
    EXPECT_TRUE(f.type(13, SDLK_KP_ENTER));
    f.gui.perform(&f.queue, 1000.0f);
    EXPECT_EQ(Pushed{f.triggers["a"]}, guitest::drain(f.queue));
    EXPECT_EQ("a", f.field->getCaption());
}

TEST(Textfield, TabAndTheArrowsMoveTheFocusOutOfTheField) {
    Fixture f;
    auto* other = new Textfield;
    f.gui += other;
    f.gui.recalcNeighbours();
    EXPECT_TRUE(f.type(9, SDLK_TAB));
    EXPECT_EQ(other, f.gui.getFocused());
    EXPECT_TRUE(other->keyDown(&f.queue, SDLK_UP, KMOD_NONE, 0));
    EXPECT_EQ(f.field, f.gui.getFocused());
    EXPECT_FALSE(f.type(27, SDLK_ESCAPE));
}

TEST(Textfield, AKeyRepeatOfZeroOrLessStillEnds) {
    Fixture f;
    f.gui.setKeyRepeat(300.0f, 0.0f);
    f.type('z');
    f.gui.perform(&f.queue, 400.0f);
    // Every millisecond past the delay, the first at 301.
    EXPECT_EQ(std::string(101, 'z'), f.field->getCaption());
}

TEST(Textfield, AnOptionalMaximumLengthDropsWhatIsTypedBeyondIt) {
    Fixture f;
    EXPECT_EQ(0u, f.field->getMaxLength());
    for (int i = 0; i < 300; ++i)
        f.type('a');
    EXPECT_EQ(300u, f.field->getCaption().size());
    f.field->setCaption("");
    f.field->setMaxLength(3);
    for (char c : std::string("abcde"))
        EXPECT_TRUE(f.type(static_cast<unsigned char>(c)));
    EXPECT_EQ("abc", f.field->getCaption());
    f.type(8);
    f.type('z');
    EXPECT_EQ("abz", f.field->getCaption());
}

TEST(TextReading, LabelsAndTextFieldsReadTheirAttributes) {
    guitest::Loaded loaded(guitest::evaluatorDescription() +
                           "<images name=\"img\"><image name=\"pic\" filename=\"p.png\"/></images>"
                           "<gui name=\"gui\" images=\"img\">"
                           "<LabelStyle name=\"ls\"/><ButtonStyle name=\"bs\"/>"
                           "<Label name=\"l1\" caption=\"Hello\" style=\"ls\" image=\"pic\"/>"
                           "<Label name=\"l2\" style=\"bs\" image=\"nothing\"/>"
                           "<Textfield name=\"t1\" caption=\"Bob\" style=\"ls\" "
                           "triggerConfirm=\"ev.c\" maxLength=\"17\"/>"
                           "<Textfield name=\"t2\" maxLength=\"-4\" triggerConfirm=\"c\"/>"
                           "</gui>"
                           "<gui name=\"noImages\"><Label name=\"l\" image=\"pic\"/></gui>");
    GUI* gui = loaded.gui();
    auto* l1 = dynamic_cast<Label*>((*gui)["l1"]);
    ASSERT_NE(nullptr, l1);
    EXPECT_FALSE(l1->focusable);
    EXPECT_EQ("Hello", l1->getCaption());
    EXPECT_EQ(findStyle<LabelStyle>(gui, "ls"), l1->getStyle());
    EXPECT_EQ(gui->getImages()->resources["pic"], l1->getImage());
    auto* l2 = dynamic_cast<Label*>((*gui)["l2"]);
    EXPECT_EQ(nullptr, l2->getStyle());
    EXPECT_EQ(nullptr, l2->getImage());
    auto* t1 = dynamic_cast<Textfield*>((*gui)["t1"]);
    ASSERT_NE(nullptr, t1);
    EXPECT_EQ("Bob", t1->getCaption());
    EXPECT_EQ(findStyle<LabelStyle>(gui, "ls"), t1->getStyle());
    EXPECT_EQ(loaded.trigger("c"), t1->getTriggerConfirm());
    EXPECT_EQ(17u, t1->getMaxLength());
    auto* t2 = dynamic_cast<Textfield*>((*gui)["t2"]);
    EXPECT_EQ(0u, t2->getMaxLength());
    EXPECT_EQ(nullptr, t2->getTriggerConfirm());

    testutil::LogCapture log;
    Label label;
    xml::Node node;
    node["name"] = "l";
    node["image"] = "pic";
    label.getSelfFromNode(&node, loaded.gui("noImages"));
    EXPECT_EQ(nullptr, label.getImage());
    EXPECT_NE(std::string::npos,
              log.text().find("(warning) No image bank to find image \"pic\" in."));
}

namespace {

struct Canvas {
    testutil::Window window;
    Canvas() : window(160, 120) {
        RenderContext2D(V(160, 120)).apply();
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        clearScreen();
    }
};

int countWhite(int x, int y, int w, int h) {
    std::vector<std::uint8_t> pixels = testutil::readPixels(x, y, w, h);
    int n = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        n += testutil::rgba(&pixels[i]) == 0xFFFFFFFFu;
    return n;
}

} // namespace

TEST(TextGL, AFocusedTextFieldShowsATrailingUnderscoreThatIsNotInItsText) {
    Canvas canvas;
    TestFontStyle styled;
    styled.text.vertical = JustificationVertical::bottom;
    LabelStyle& style = styled.style;
    GUI gui;
    gui.setDimensions(R(0, 0, 160, 120));
    gui.setVisible(true);
    auto* field = new Textfield;
    field->setDimensions(R(0, 0, 64, 8));
    field->setStyle(&style);
    field->setCaption("AA");
    auto* label = new Label;
    label->setDimensions(R(0, 20, 64, 8));
    label->setStyle(&style);
    label->setCaption("A");
    gui += field;
    gui += label;
    gui.draw();
    EXPECT_EQ(8 * 8, countWhite(0, 0, 64, 8));
    EXPECT_EQ(4 * 8, countWhite(0, 20, 64, 8));
    field->setFocused(true);
    glClear(GL_COLOR_BUFFER_BIT);
    gui.draw();
    EXPECT_EQ(12 * 8, countWhite(0, 0, 64, 8));
    EXPECT_EQ("AA", field->getCaption());
    // Without a style nothing is drawn at all.
    field->setStyle(nullptr);
    label->setStyle(nullptr);
    glClear(GL_COLOR_BUFFER_BIT);
    gui.draw();
    EXPECT_EQ(0, countWhite(0, 0, 160, 120));
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}
