#include "ravek/src/gui/core.h"

#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gfx/sprites.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/lists.h"
#include "ravek/src/gui/slider.h"
#include "ravek/src/gui/standard.h"
#include "ravek/src/gui/styles.h"
#include "ravek/src/gui/text.h"
#include "ravek/src/xml.h"
#include "ravek/tests/gui/gui_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace ravek;
using namespace ravek::gui;
using guitest::Callback;

namespace {

typedef basic_Vector2D<float> V;
typedef basic_Rect<float> R;

std::string point(V const& p) {
    return toStr(p.x) + "," + toStr(p.y);
}

// Writes down every event handler call it gets.
class Recorder : public Component {
public:
    std::vector<std::string> log;
    bool consume = true;

    explicit Recorder(bool canFocus = false) { focusable = canFocus; }
    void enter(ControlQueue*, V p) override { log.push_back("enter " + point(p)); }
    void leave(ControlQueue*, V p) override { log.push_back("leave " + point(p)); }
    void mouseMove(ControlQueue*, V p) override { log.push_back("move " + point(p)); }
    void mouseDown(ControlQueue*, V p, unsigned char b) override {
        log.push_back("down " + point(p) + " " + toStr<int>(b));
    }
    void mouseUp(ControlQueue*, V p, unsigned char b) override {
        log.push_back("up " + point(p) + " " + toStr<int>(b));
    }
    bool keyDown(ControlQueue*, SDLKey key, SDLMod, unsigned short unicode) override {
        log.push_back("keyDown " + toStr<int>(key) + " " + toStr(unicode));
        return consume;
    }
    bool keyUp(ControlQueue*, SDLKey key, SDLMod, unsigned short) override {
        log.push_back("keyUp " + toStr<int>(key));
        return consume;
    }
    bool joyButtonDown(ControlQueue*, unsigned char j, unsigned char b) override {
        log.push_back("joyDown " + toStr<int>(j) + " " + toStr<int>(b));
        return consume;
    }
    bool joyButtonUp(ControlQueue*, unsigned char j, unsigned char b) override {
        log.push_back("joyUp " + toStr<int>(j) + " " + toStr<int>(b));
        return consume;
    }
    bool joyAxisMotion(ControlQueue*, unsigned char j, unsigned char a, short v) override {
        log.push_back("axis " + toStr<int>(j) + " " + toStr<int>(a) + " " + toStr(v));
        return consume;
    }
    std::vector<std::string> take() {
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }
};

typedef std::vector<std::string> Log;

Recorder* addRecorder(Component& parent, R const& rect, bool canFocus = false) {
    auto* recorder = new Recorder(canFocus);
    recorder->setDimensions(rect);
    parent += recorder;
    return recorder;
}

// An active, visible GUI with a cursor sprite (without an image).
struct ActiveGui {
    GUI gui;
    ControlQueue queue;
    ActiveGui(R const& rect, bool cursor = true) {
        gui.setDimensions(rect);
        gui.setActive(true);
        gui.setVisible(true);
        if (cursor)
            gui.setMouseCursor(new sprites::ImageSprite(V(0, 0), true, nullptr));
    }
    bool operator()(SDL_Event const& e) { return gui.evaluate(e, &queue); }
};

// A GUI whose pointer stands where the test puts it (window pixels).
class PointedGui : public GUI {
public:
    std::pair<int, int> mouse{0, 0};

protected:
    bool pointerPosition(int& mouseX, int& mouseY) const override {
        mouseX = mouse.first;
        mouseY = mouse.second;
        return true;
    }
};

} // namespace

TEST(GuiEvents, AnInactiveGuiConsumesNothingNotEvenMouseMotion) {
    guitest::Screen screen(200, 100);
    ActiveGui g(R(0, 0, 200, 100));
    Recorder* r = addRecorder(g.gui, R(0, 0, 200, 100), true);
    r->setFocused(true);
    g.gui.setActive(false);
    EXPECT_FALSE(g.gui.getActive());
    EXPECT_FALSE(g(guitest::keyDown(SDLK_a, 'a')));
    EXPECT_FALSE(g(guitest::mouseMotion(10, 10)));
    EXPECT_FALSE(g(guitest::mouseButton(SDL_MOUSEBUTTONDOWN, 1, 10, 10)));
    EXPECT_FALSE(g(guitest::joyAxis(0, 0, 30000)));
    EXPECT_TRUE(r->take().empty());
    // The evaluator's own flag is another switch.
    EXPECT_TRUE(g.gui.Evaluator::active);
}

TEST(GuiEvents, KeysAndJoystickButtonsGoStraightToTheFocusedComponent) {
    ActiveGui g(R(0, 0, 200, 100));
    Component* pane = new Component;
    g.gui += pane;
    Recorder* r = addRecorder(*pane, R(0, 0, 10, 10), true);
    r->setFocused(true);
    EXPECT_TRUE(g(guitest::keyDown(SDLK_a, 'a')));
    EXPECT_TRUE(g(guitest::keyUp(SDLK_a)));
    EXPECT_TRUE(g(guitest::joyButton(SDL_JOYBUTTONDOWN, 1, 3)));
    EXPECT_TRUE(g(guitest::joyButton(SDL_JOYBUTTONUP, 1, 3)));
    r->consume = false;
    EXPECT_FALSE(g(guitest::keyDown(SDLK_b, 'b')));
    EXPECT_EQ(Log({"keyDown 97 97", "keyUp 97", "joyDown 1 3", "joyUp 1 3", "keyDown 98 98"}),
              r->take());
    SDL_Event other = guitest::keyDown(SDLK_a);
    other.type = SDL_VIDEOEXPOSE;
    EXPECT_FALSE(g(other));
}

TEST(GuiEvents, AxisBeyondTheThresholdIsDeliveredOncePerCrossingForEachJoystickAndAxis) {
    axisTable.clear();
    ActiveGui g(R(0, 0, 200, 100));
    Recorder* r = addRecorder(g.gui, R(0, 0, 10, 10), true);
    r->setFocused(true);
    // Exactly 16000 is still the middle, which the new entry already holds.
    EXPECT_FALSE(g(guitest::joyAxis(0, 1, 16000)));
    EXPECT_TRUE(g(guitest::joyAxis(0, 1, 16001)));
    EXPECT_FALSE(g(guitest::joyAxis(0, 1, 32767)));
    EXPECT_TRUE(g(guitest::joyAxis(1, 1, 20000)));
    EXPECT_TRUE(g(guitest::joyAxis(0, 0, -16001)));
    EXPECT_FALSE(g(guitest::joyAxis(0, 0, -16001)));
    EXPECT_TRUE(g(guitest::joyAxis(0, 1, -16000)));
    EXPECT_FALSE(g(guitest::joyAxis(0, 1, 5)));
    EXPECT_EQ(Log({"axis 0 1 1", "axis 1 1 1", "axis 0 0 -1", "axis 0 1 0"}), r->take());
    axisTable.clear();
}

TEST(GuiEvents, MouseMotionWithoutACursorIsConsumedAndDoesNothing) {
    guitest::Screen screen(200, 100);
    ActiveGui g(R(0, 0, 200, 100), false);
    Recorder* r = addRecorder(g.gui, R(0, 0, 200, 100));
    EXPECT_TRUE(g(guitest::mouseMotion(10, 10)));
    EXPECT_EQ(&g.gui, g.gui.getFocused());
    EXPECT_TRUE(r->take().empty());
}

TEST(GuiEvents, HoverGivesTheFocusToWhateverLiesUnderTheCursor) {
    guitest::Screen screen(200, 100);
    ActiveGui g(R(0, 0, 200, 100));
    Callback callback;
    g.gui.setCallback(&callback);
    Recorder* label = addRecorder(g.gui, R(10, 10, 50, 20));
    Recorder* button = addRecorder(g.gui, R(100, 10, 50, 20), true);
    // Window (20, 80) is GUI point (20, 20).
    EXPECT_TRUE(g(guitest::mouseMotion(20, 80)));
    EXPECT_EQ(V(20, 20), g.gui.getMouseCursor()->position);
    EXPECT_EQ(label, g.gui.getFocused());
    EXPECT_EQ(Log({"enter 20,20"}), label->take());
    g(guitest::mouseMotion(25, 80));
    EXPECT_EQ(Log({"move 15,10"}), label->take());
    g(guitest::mouseMotion(120, 75));
    EXPECT_EQ(Log({"leave 120,25"}), label->take());
    EXPECT_EQ(Log({"enter 120,25"}), button->take());
    EXPECT_EQ(button, g.gui.getFocused());
    g(guitest::mouseMotion(180, 5));
    EXPECT_EQ(&g.gui, g.gui.getFocused());
    EXPECT_EQ(Log({"leave 180,95"}), button->take());
    // Hover moves tell no callback.
    EXPECT_EQ(0, callback.moves);
    // The cursor stays inside the GUI.
    g(guitest::mouseMotion(500, 500));
    EXPECT_EQ(V(199, 0), g.gui.getMouseCursor()->position);
}

TEST(GuiEvents, AKeyGivesTheFocusBackToTheWidgetThePointerTookItFrom) {
    guitest::Screen screen(200, 100);
    ActiveGui g(R(0, 0, 200, 100));
    Callback callback;
    g.gui.setCallback(&callback);
    Component* pane = new Component;
    pane->setDimensions(R(0, 0, 160, 100));
    g.gui += pane;
    Recorder* label = addRecorder(*pane, R(10, 10, 50, 20));
    Recorder* button = addRecorder(*pane, R(100, 10, 50, 20), true);
    addRecorder(*pane, R(100, 60, 50, 20), true);
    button->setFocused(true);
    // Off the widgets of a panel of two, onto the GUI itself: arrows, Tab, Return and Space
    // only show the highlight again; other keys go on to the widget.
    for (SDLKey key : {SDLK_DOWN, SDLK_TAB, SDLK_RETURN, SDLK_SPACE}) {
        g(guitest::mouseMotion(180, 50));
        EXPECT_EQ(&g.gui, g.gui.getFocused());
        EXPECT_TRUE(g(guitest::keyDown(key, key)));
        EXPECT_EQ(button, g.gui.getFocused());
    }
    EXPECT_EQ(4, callback.moves);
    g(guitest::mouseMotion(20, 80));
    g(guitest::mouseMotion(25, 80));
    EXPECT_EQ(label, g.gui.getFocused());
    EXPECT_TRUE(g(guitest::keyDown(SDLK_a, 'a')));
    EXPECT_EQ(button, g.gui.getFocused());
    EXPECT_EQ(Log({"leave 180,50", "leave 180,50", "leave 180,50", "leave 180,50", "leave 20,20",
                   "keyDown 97 97"}),
              button->take());
    EXPECT_EQ(Log({"enter 20,20", "move 15,10"}), label->take());

    // Focus the application gives (a key captor) keeps its keys.
    g(guitest::mouseMotion(20, 80));
    label->setFocused(true);
    g(guitest::keyDown(SDLK_b, 'b'));
    EXPECT_EQ(label, g.gui.getFocused());
    EXPECT_EQ(Log({"enter 20,20", "keyDown 98 98"}), label->take());
    // A widget that can no longer be seen, or is gone, is not given the focus.
    button->setFocused(true);
    g(guitest::mouseMotion(180, 50));
    pane->setVisible(false);
    g(guitest::keyDown(SDLK_DOWN));
    EXPECT_EQ(&g.gui, g.gui.getFocused());
    pane->setVisible(true);
    delete button;
    g(guitest::keyDown(SDLK_DOWN));
    EXPECT_EQ(&g.gui, g.gui.getFocused());

    // Alone in its panel (a name field beside its prompt), the widget is all a key can mean:
    // Return acts at once.
    Component* entry = new Component;
    entry->setDimensions(R(0, 0, 160, 100));
    g.gui += entry;
    pane->setVisible(false);
    addRecorder(*entry, R(10, 60, 50, 20));
    Recorder* field = addRecorder(*entry, R(100, 10, 50, 20), true);
    g(guitest::mouseMotion(120, 80));
    g(guitest::mouseMotion(180, 50));
    EXPECT_TRUE(g(guitest::keyDown(SDLK_RETURN, 13)));
    EXPECT_EQ(field, g.gui.getFocused());
    EXPECT_EQ(Log({"enter 120,20", "leave 180,50", "keyDown 13 13"}), field->take());
}

TEST(GuiEvents, ACapturedComponentLeavesAndReentersAndKeepsGettingMotion) {
    guitest::Screen screen(200, 100);
    ActiveGui g(R(0, 0, 200, 100));
    Recorder* button = addRecorder(g.gui, R(100, 10, 50, 20), true);
    button->setFocused(true);
    button->captureMouse(true);
    g(guitest::mouseMotion(110, 80));
    EXPECT_EQ(Log({"move 10,10"}), button->take());
    g(guitest::mouseMotion(20, 80));
    EXPECT_EQ(Log({"leave -80,10"}), button->take());
    EXPECT_EQ(&g.gui, g.gui.getFocused());
    g(guitest::mouseMotion(30, 80));
    EXPECT_EQ(Log({"move -70,10"}), button->take());
    g(guitest::mouseMotion(120, 85));
    EXPECT_EQ(Log({"enter 20,5"}), button->take());
    EXPECT_EQ(button, g.gui.getFocused());
    // Buttons go to the captured component, wherever the pointer is.
    EXPECT_TRUE(g(guitest::mouseButton(SDL_MOUSEBUTTONUP, 1, 20, 80)));
    EXPECT_EQ(Log({"up -80,10 1"}), button->take());
}

TEST(GuiEvents, ClicksAndMotionAgreeWhenTheGuiIsOffsetAndShorterThanTheScreen) {
    guitest::Screen screen(400, 300);
    ActiveGui g(R(50, 40, 200, 100));
    Recorder* child = addRecorder(g.gui, R(10, 10, 50, 20), true);
    // Window (70, 245) is (70, 55) in the GUI's render context: GUI point (20, 15).
    g(guitest::mouseMotion(70, 245));
    EXPECT_EQ(V(20, 15), g.gui.getMouseCursor()->position);
    EXPECT_EQ(child, g.gui.getFocused());
    g(guitest::mouseMotion(70, 245));
    EXPECT_TRUE(g(guitest::mouseButton(SDL_MOUSEBUTTONDOWN, 3, 70, 245)));
    EXPECT_EQ(Log({"enter 20,15", "move 10,5", "down 10,5 3"}), child->take());
    child->captureMouse(true);
    g(guitest::mouseMotion(75, 245));
    EXPECT_EQ(Log({"move 15,5"}), child->take());
    child->captureMouse(false);

    // Keys took the highlight elsewhere: a press acts where the pointer is, and on nothing
    // where no widget is.
    Recorder* other = addRecorder(g.gui, R(100, 10, 50, 20), true);
    other->setFocused(true);
    EXPECT_TRUE(g(guitest::mouseButton(SDL_MOUSEBUTTONDOWN, 1, 70, 245)));
    EXPECT_TRUE(g(guitest::mouseButton(SDL_MOUSEBUTTONUP, 1, 70, 245)));
    EXPECT_EQ(child, g.gui.getFocused());
    EXPECT_EQ(Log({"enter 20,15", "down 10,5 1", "up 10,5 1"}), child->take());
    EXPECT_EQ(Log({"leave 20,15"}), other->take());
    other->setFocused(true);
    g(guitest::mouseButton(SDL_MOUSEBUTTONDOWN, 1, 130, 180));
    EXPECT_EQ(V(80, 80), g.gui.getMouseCursor()->position);
    EXPECT_EQ(&g.gui, g.gui.getFocused());
    EXPECT_EQ(Log({"leave 80,80"}), other->take());

    // Motion missed while the GUI was inactive or hidden: made active or shown, it draws its
    // cursor where the pointer really is.
    PointedGui pointed;
    pointed.setDimensions(R(50, 40, 200, 100));
    pointed.setMouseCursor(new sprites::ImageSprite(V(0, 0), true, nullptr));
    pointed.mouse = {70, 245};
    pointed.setActive(true);
    EXPECT_EQ(V(20, 15), pointed.getMouseCursor()->position);
    pointed.mouse = {500, 0};
    pointed.setVisible(true);
    EXPECT_EQ(V(199, 99), pointed.getMouseCursor()->position);
}

TEST(GuiEvents, ArrowsOnTheGuiItselfPushItsDirectionTriggers) {
    guitest::Triggers triggers;
    ActiveGui g(R(0, 0, 200, 100));
    g.gui.Component::triggers[North] = triggers["a"];
    EXPECT_TRUE(g(guitest::keyDown(SDLK_UP)));
    EXPECT_TRUE(g(guitest::keyDown(SDLK_DOWN)));
    EXPECT_EQ(std::vector<Trigger*>{triggers["a"]}, guitest::drain(g.queue));
    EXPECT_EQ(&g.gui, g.gui.getFocused());
}

TEST(GuiRoot, KeyTimingCallbackAndGeneratorDefaults) {
    GUI gui;
    EXPECT_FALSE(gui.getVisible());
    EXPECT_FALSE(gui.getActive());
    EXPECT_FLOAT_EQ(300.0f, gui.getKeyDelay());
    EXPECT_FLOAT_EQ(30.0f, gui.getKeyRepeat());
    gui.setKeyRepeat(100.0f, 0.0f);
    EXPECT_FLOAT_EQ(100.0f, keyDelayOf(&gui));
    // Repeat loops must end: the interval is at least 1 ms.
    EXPECT_FLOAT_EQ(1.0f, keyRepeatOf(&gui));
    Component loose;
    EXPECT_FLOAT_EQ(300.0f, keyDelayOf(&loose));
    EXPECT_FLOAT_EQ(30.0f, keyRepeatOf(&loose));
    EXPECT_EQ("", gui.getNodeName());
    EXPECT_EQ(nullptr, gui.getTriggers());
    Callback callback;
    gui.doMove();
    gui.setCallback(&callback);
    EXPECT_EQ(&callback, gui.getCallback());
    gui.doMove();
    gui.doConfirm();
    EXPECT_EQ(1, callback.moves);
    EXPECT_EQ(1, callback.confirms);

    std::unique_ptr<BasicResourceBank> bank(gui::resourceBankGenerator.generateBank("gui"));
    EXPECT_NE(nullptr, dynamic_cast<GUI*>(bank.get()));
    EXPECT_EQ(nullptr, gui::resourceBankGenerator.generateBank("Gui"));
}

TEST(GuiDescription, TriggersAreFoundByTheirFullyQualifiedNameOnly) {
    guitest::Loaded loaded(guitest::evaluatorDescription() + "<gui name=\"gui\"/>" +
                           "<gui name=\"other\"/>");
    GUI* gui = loaded.gui();
    ASSERT_NE(nullptr, gui);
    EXPECT_EQ(&loaded.manager, gui->manager);
    EXPECT_EQ(loaded.trigger("b"), gui->findTrigger("ev.b"));
    EXPECT_EQ(nullptr, gui->findTrigger("ev.zz"));
    EXPECT_EQ(nullptr, gui->findTrigger("nobank.a"));
    EXPECT_EQ(nullptr, gui->findTrigger("other.a"));
    {
        testutil::LogCapture log;
        EXPECT_EQ(nullptr, gui->findTrigger("a"));
        EXPECT_NE(std::string::npos,
                  log.text().find("(critical) Not a fully qualified trigger name."));
    }
    GUI alone;
    testutil::LogCapture log;
    try {
        alone.findTrigger("ev.a");
        FAIL();
    } catch (std::string const& text) {
        EXPECT_EQ("Manager not yet set!", text);
    }
    EXPECT_NE(std::string::npos, log.text().find("(critical) Manager not yet set!"));
}

TEST(GuiDescription, StylesAreReadBeforeAnyWidgetWhateverTheOrder) {
    guitest::Loaded loaded(
        guitest::evaluatorDescription() +
        "<gui name=\"gui\" visible=\"true\" width=\"100\" height=\"50\">"
        "<Label name=\"early\" style=\"ls\"/>"
        "<ButtonStyle name=\"forward\" up=\"ls\"/>"
        "<LabelStyle name=\"ls\" imageHorizontal=\"left\" imageVertical=\"top\" "
        "imageColor=\"FF000080\"/>"
        "<Pane name=\"p\"><Label name=\"nested\" style=\"ls\"/><Unknown name=\"u\"/></Pane>"
        "</gui>");
    GUI* gui = loaded.gui();
    ASSERT_NE(nullptr, gui);
    EXPECT_TRUE(gui->getVisible());
    auto* ls = findStyle<LabelStyle>(gui, "ls");
    ASSERT_NE(nullptr, ls);
    EXPECT_EQ(gui->getStyles(), ls->bank);
    auto* early = dynamic_cast<Label*>((*gui)["early"]);
    ASSERT_NE(nullptr, early);
    EXPECT_EQ(ls, early->getStyle());
    EXPECT_EQ(ls, dynamic_cast<Label*>((*gui)["nested"])->getStyle());
    EXPECT_EQ(nullptr, (*gui)["u"]);
    // A style naming one defined later gets null.
    EXPECT_EQ(nullptr, findStyle<ButtonStyle>(gui, "forward")->up);
}

TEST(GuiDescription, AStyleDefinedTwiceKeepsTheEarlierAliveForWhatPointsToIt) {
    guitest::Loaded loaded(guitest::evaluatorDescription() +
                           "<gui name=\"gui\">"
                           "<LabelStyle name=\"ls\" imageHorizontal=\"left\"/>"
                           "<ButtonStyle name=\"bs\" up=\"ls\"/>"
                           "<LabelStyle name=\"ls\" imageHorizontal=\"right\"/>"
                           "<Label name=\"l\" style=\"ls\"/>"
                           "</gui>");
    GUI* gui = loaded.gui();
    ASSERT_NE(nullptr, gui);
    EXPECT_EQ(2, gui->getStyles()->size());
    auto* later = findStyle<LabelStyle>(gui, "ls");
    ASSERT_NE(nullptr, later);
    EXPECT_EQ(JustificationHorizontal::right, later->imageHorizontal);
    LabelStyle* earlier = findStyle<ButtonStyle>(gui, "bs")->up;
    ASSERT_NE(nullptr, earlier);
    EXPECT_NE(later, earlier);
    // Still alive (the sanitizer would see a freed style here).
    EXPECT_EQ(JustificationHorizontal::left, earlier->imageHorizontal);
    EXPECT_EQ("ls", earlier->name);
    EXPECT_EQ(later, dynamic_cast<Label*>((*gui)["l"])->getStyle());
}

TEST(GuiDescription, InvalidJustificationOrStretchWordsThrowOutOfReading) {
    struct Case {
        char const* element;
        char const* text;
    } cases[] = {
        {"<gui name=\"g\"><SimpleFontStyle name=\"f\" horizontal=\"middle\"/></gui>",
         "middle is not a valid JustificationHorizontal value."},
        {"<gui name=\"g\"><LabelStyle name=\"l\" imageVertical=\"centre\"/></gui>",
         "centre is not a valid JustificationVertical value."},
        {"<gui name=\"g\"><TexturedRectStyle name=\"t\" stretchLeft=\"wide\"/></gui>", "wide"},
    };
    for (Case const& c : cases) {
        testutil::TempDir dir;
        std::unique_ptr<xml::Node> node(xml::loadXML(dir.write("g.xml", c.element)));
        GUI gui;
        try {
            gui.getFromNode(node.get(), "");
            ADD_FAILURE() << c.element;
        } catch (std::string const& text) {
            EXPECT_EQ(c.text, text);
        }
    }
}

TEST(GuiDescription, BanksAndTheCursorComeFromTheManager) {
    guitest::Loaded loaded(
        "<images name=\"img\"><image name=\"arrow\" filename=\"arrow.png\"/></images>"
        "<fonts name=\"fnt\"/>"
        "<gui name=\"gui\" fonts=\"fnt\" images=\"img\" cursor=\"arrow\" width=\"80\" "
        "height=\"60\"/>"
        "<gui name=\"unknownImage\" images=\"img\" cursor=\"nothing\"/>"
        "<gui name=\"wrongBanks\" fonts=\"img\" images=\"nothing\" cursor=\"arrow\"/>");
    GUI* gui = loaded.gui();
    ASSERT_NE(nullptr, gui);
    EXPECT_EQ(loaded.manager.banks["fnt"], gui->getFonts());
    EXPECT_EQ(loaded.manager.banks["img"], gui->getImages());
    auto* cursor = dynamic_cast<sprites::ImageSprite*>(gui->getMouseCursor());
    ASSERT_NE(nullptr, cursor);
    EXPECT_TRUE(cursor->visible);
    EXPECT_EQ(V(40, 30), cursor->position);
    EXPECT_EQ(gui->getImages()->resources["arrow"], cursor->image);

    auto* unknown = dynamic_cast<sprites::ImageSprite*>(loaded.gui("unknownImage")->mouseCursor);
    ASSERT_NE(nullptr, unknown);
    EXPECT_EQ(nullptr, unknown->image);
    GUI* wrong = loaded.gui("wrongBanks");
    EXPECT_EQ(nullptr, wrong->getFonts());
    EXPECT_EQ(nullptr, wrong->getImages());
    auto* imageless = dynamic_cast<sprites::ImageSprite*>(wrong->mouseCursor);
    ASSERT_NE(nullptr, imageless);
    EXPECT_EQ(nullptr, imageless->image);
}

TEST(GuiDescription, EveryWidgetElementMakesItsWidgetAndMayHoldNestedWidgets) {
    guitest::Loaded loaded(guitest::evaluatorDescription() +
                           "<gui name=\"gui\">"
                           "<Pane name=\"pane\"/><InputCaptor name=\"captor\"/>"
                           "<Label name=\"label\"/>"
                           "<Button name=\"button\"><Label name=\"inButton\"/></Button>"
                           "<Checkbox name=\"checkbox\"/><DropdownList name=\"list\"/>"
                           "<Textfield name=\"field\"/><Slider_int name=\"int\"/>"
                           "<Slider_float name=\"float\"/><slider name=\"lowercase\"/>"
                           "</gui>");
    GUI* gui = loaded.gui();
    ASSERT_NE(nullptr, gui);
    EXPECT_NE(nullptr, dynamic_cast<Pane*>((*gui)["pane"]));
    EXPECT_NE(nullptr, dynamic_cast<InputCaptor*>((*gui)["captor"]));
    EXPECT_NE(nullptr, dynamic_cast<Label*>((*gui)["label"]));
    EXPECT_NE(nullptr, dynamic_cast<Button*>((*gui)["button"]));
    EXPECT_NE(nullptr, dynamic_cast<Label*>((*(*gui)["button"])["inButton"]));
    EXPECT_NE(nullptr, dynamic_cast<Checkbox*>((*gui)["checkbox"]));
    EXPECT_NE(nullptr, dynamic_cast<DropdownList*>((*gui)["list"]));
    EXPECT_NE(nullptr, dynamic_cast<Textfield*>((*gui)["field"]));
    EXPECT_NE(nullptr, dynamic_cast<Slider<int>*>((*gui)["int"]));
    EXPECT_NE(nullptr, dynamic_cast<Slider<float>*>((*gui)["float"]));
    EXPECT_EQ(nullptr, (*gui)["lowercase"]);
    EXPECT_EQ(9u, gui->children.size());
    // The GUI's grid was built: the focusable widgets stack in one column.
    EXPECT_EQ((*gui)["checkbox"], (*gui)["button"]->neighbours[South]);
}

namespace {

std::string sourceRoot() {
    std::string file = __FILE__;
    return file.substr(0, file.rfind("ravek/tests/gui/"));
}

} // namespace

TEST(GuiDescription, TheGamesGuiDescriptionReadsWithoutComplaint) {
    std::string dir = sourceRoot() + "resources/";
    std::unique_ptr<xml::Node> root(xml::loadXML(dir + "resources.xml"));
    ASSERT_NE(nullptr, root);
    // Only the banks the GUI looks at: nothing else is needed to read it.
    xml::Node wanted;
    wanted.name = "resources";
    std::vector<xml::Node*> moved;
    for (xml::Node* child : root->children)
        if (child->name == "inputEvaluator" || child->name == "images" || child->name == "fonts" ||
            child->name == "gui")
            moved.push_back(child);
    for (xml::Node* child : moved)
        wanted += child;

    ResourceManager manager;
    std::string text;
    {
        testutil::LogCapture log;
        manager.getFromNode(&wanted, dir);
        text = log.text();
    }
    EXPECT_EQ(std::string::npos, text.find("(warning)")) << text;
    EXPECT_EQ(std::string::npos, text.find("(error)")) << text;
    EXPECT_EQ(std::string::npos, text.find("(critical)")) << text;

    auto* gui = dynamic_cast<GUI*>(manager.banks["gui"]);
    ASSERT_NE(nullptr, gui);
    EXPECT_NE(nullptr, gui->getFonts());
    EXPECT_NE(nullptr, gui->getImages());
    ASSERT_NE(nullptr, gui->getMouseCursor());
    EXPECT_NE(nullptr, dynamic_cast<sprites::ImageSprite*>(gui->getMouseCursor())->image);
    char const* panes[] = {"pMainMenu",      "pSettings",  "pControls", "pCredits", "pGetKey",
                           "pSoundSettings", "pEnterName", "pInGame",   "pQuit"};
    for (char const* name : panes) {
        auto* pane = dynamic_cast<Pane*>((*gui)[name]);
        ASSERT_NE(nullptr, pane) << name;
        EXPECT_NE(nullptr, pane->getStyle()) << name;
    }
    char const* buttons[] = {"btnQuitNo",
                             "btnQuit",
                             "btnSinglePlayerA",
                             "btnSinglePlayerB",
                             "btnMultiplayer",
                             "btnSettings",
                             "btnCredits",
                             "btnControlsSinglePlayer",
                             "btnControlsMultiplayer1",
                             "btnControlsMultiplayer2",
                             "btnSettingsDone",
                             "btnSoundSettings",
                             "btnSoundSettingsOk",
                             "btnControlsPlayer1",
                             "btnControlsPlayer2",
                             "btnControlsLeft",
                             "btnControlsRight",
                             "btnControlsFire",
                             "btnContinue",
                             "btnInGameSoundSettings",
                             "btnInGameControlsSinglePlayer",
                             "btnInGameControlsMultiplayer1",
                             "btnInGameControlsMultiplayer2"};
    for (char const* name : buttons) {
        auto* button = dynamic_cast<Button*>((*gui)[name]);
        ASSERT_NE(nullptr, button) << name;
        EXPECT_NE(nullptr, button->getStyle()) << name;
    }
    char const* labels[] = {"labelControlsHeader",
                            "labelControlsLeft",
                            "labelControlsRight",
                            "labelControlsUp",
                            "labelControlsDown",
                            "labelControlsLeftJoy",
                            "labelControlsRightJoy",
                            "labelControlsUpJoy",
                            "labelControlsDownJoy",
                            "labelControlsFire",
                            "labelControlsShield",
                            "labelControlsTimeWarp",
                            "labelControlsFireJoy",
                            "labelControlsShieldJoy",
                            "labelControlsTimeWarpJoy",
                            "labelControlsPauseJoy",
                            "lGetKeyTriggerName",
                            "lGetKeyHeader",
                            "lGetKeyHeaderAlternate",
                            "lHeaderVersion",
                            "lVolumeSoundsValue",
                            "lVolumeMusicValue",
                            "lEnterName"};
    for (char const* name : labels) {
        auto* label = dynamic_cast<Label*>((*gui)[name]);
        ASSERT_NE(nullptr, label) << name;
        EXPECT_NE(nullptr, label->getStyle()) << name;
    }
    EXPECT_NE(nullptr, dynamic_cast<Checkbox*>((*gui)["cbFullscreen"]));
    EXPECT_NE(nullptr, dynamic_cast<Checkbox*>((*gui)["cbInGameFullscreen"]));
    EXPECT_NE(nullptr, dynamic_cast<InputCaptor*>((*gui)["icGetKey"]));
    EXPECT_NE(nullptr, dynamic_cast<Textfield*>((*gui)["tfEnterName"]));
    for (char const* name : {"sVolumeSounds", "sVolumeMusic"}) {
        auto* slider = dynamic_cast<Slider<int>*>((*gui)[name]);
        ASSERT_NE(nullptr, slider) << name;
        EXPECT_NE(nullptr, slider->trigger) << name;
        EXPECT_NE(nullptr, slider->handleStyle) << name;
        EXPECT_EQ(100, slider->max);
    }
    EXPECT_NE(nullptr, findStyle<LabelStyle>(gui, "lsTextfieldRed"));
    EXPECT_NE(nullptr, findStyle<LabelStyle>(gui, "lsTextfieldBlue"));
    auto* quit = dynamic_cast<Button*>((*gui)["btnQuit"]);
    auto* core = dynamic_cast<InputEvaluator*>(manager.banks["evaluatorGui"]);
    ASSERT_NE(nullptr, core);
    EXPECT_EQ(core->resources["back"], quit->getTrigger());
    auto* captor = dynamic_cast<InputCaptor*>((*gui)["icGetKey"]);
    EXPECT_EQ(core->resources["capturedKey"], captor->triggerKey);
    EXPECT_FALSE(captor->getEnabled());

    delete gui;
    manager.banks.erase("gui");
    for (auto& bank : manager.banks)
        delete bank.second;
}

TEST(GuiDescription, BanksReplacedUnderTheirNamesStayValidForTheGuiThatUsesThem) {
    testutil::TempDir dir;
    dir.write("r.xml", "<resources><images name='img'><image name='c' filename='c.png'/></images>"
                       "<gui name='g' images='img' cursor='c'/><images name='img'/>"
                       "<gui name='g'/></resources>");
    testutil::LogCapture log;
    {
        ResourceManager manager;
        manager.load(dir.file("r.xml"), "");
        auto* gui = dynamic_cast<GUI*>(manager.banks["g"]);
        ASSERT_NE(nullptr, gui);
        EXPECT_EQ(nullptr, gui->getMouseCursor());
        EXPECT_EQ(2u, manager.banks.size());
        manager.deleteBanks();
    }
    EXPECT_NE(std::string::npos, log.text().find("Resource bank name \"g\" used again"));
}

TEST(GuiDescription, WidgetsNestedBeyondTheReadersLimitAreRefusedWithFileAndLine) {
    testutil::TempDir dir;
    std::string text = "<resources><gui name='g'>";
    for (int i = 0; i < 40000; ++i)
        text += "<Pane name='p'>\n";
    std::string file = dir.write("r.xml", text);
    ResourceManager manager;
    try {
        manager.load(file, "");
        FAIL();
    } catch (std::string const& message) {
        EXPECT_EQ("\"" + file + "\": elements nested deeper than 256 levels at line 255", message);
    }
    EXPECT_TRUE(manager.banks.empty());
}
