#include "ravek/src/gui/core.h"

#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/standard.h"
#include "ravek/src/gui/styles.h"
#include "ravek/tests/gl_util.h"
#include "ravek/tests/gui/gui_util.h"
#include "ravek/tests/test_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>

using namespace ravek;
using namespace ravek::gui;
using guitest::Callback;

namespace {

typedef basic_Vector2D<float> V;
typedef basic_Rect<float> R;

// A focusable component.
class Focusable : public Component {
public:
    Focusable() { focusable = true; }
};

// Counts its destructions.
class Counted : public Component {
public:
    explicit Counted(int* count) : count(count) {}
    ~Counted() override { ++*count; }
    int* count;
};

Component* add(Component& parent, Component* child, std::string const& name = "") {
    child->name = name;
    parent += child;
    return child;
}

Component* addAt(Component& parent, Component* child, int gx, int gy, int gw = 1, int gh = 1) {
    child->gridX = gx;
    child->gridY = gy;
    child->gridWidth = gw;
    child->gridHeight = gh;
    parent += child;
    return child;
}

} // namespace

TEST(Direction, PostfixIncrementStepsRoundTheCompassAndReturnsTheOld) {
    Direction d = North;
    EXPECT_EQ(North, d++);
    EXPECT_EQ(East, d++);
    EXPECT_EQ(South, d++);
    EXPECT_EQ(West, d++);
    EXPECT_EQ(North, d);
    EXPECT_EQ(vertical, strTo<Orientation>("vertical"));
    EXPECT_EQ(horizontal, strTo<Orientation>("horizontal"));
    EXPECT_THROW(strTo<Orientation>("diagonal"), std::string);
}

TEST(ComponentTree, ChildrenWithoutCellsStackIntoOneColumn) {
    Component parent;
    Component* a = add(parent, new Focusable);
    Component* b = add(parent, new Focusable);
    Component* c = add(parent, new Focusable);
    EXPECT_EQ(0, a->gridX);
    EXPECT_EQ(0, a->gridY);
    EXPECT_EQ(1, b->gridY);
    EXPECT_EQ(2, c->gridY);
    parent.recalcNeighbours();
    EXPECT_EQ(a, b->neighbours[North]);
    EXPECT_EQ(c, b->neighbours[South]);
    // East and West wrap back to the child itself.
    EXPECT_EQ(nullptr, b->neighbours[East]);
    EXPECT_EQ(nullptr, b->neighbours[West]);
    // Both axes wrap around.
    EXPECT_EQ(c, a->neighbours[North]);
    EXPECT_EQ(a, c->neighbours[South]);
}

TEST(ComponentTree, ReAddingKeepsTheCellAndMovingLeavesTheOldParent) {
    Component first, second;
    Component* child = addAt(first, new Component, 3, 4);
    second += child;
    EXPECT_EQ(3, child->gridX);
    EXPECT_EQ(4, child->gridY);
    EXPECT_TRUE(first.children.empty());
    EXPECT_EQ(&second, child->getParent());
    // Only one coordinate at -1 keeps both.
    Component* half = addAt(second, new Component, -1, 5);
    EXPECT_EQ(-1, half->gridX);
    EXPECT_EQ(5, half->gridY);
}

TEST(ComponentTree, RemovingAComponentThatIsNotAChildThrows) {
    Component parent, stranger;
    try {
        parent -= &stranger;
        FAIL();
    } catch (std::string const& text) {
        EXPECT_EQ("Trying to remove a component which is not a child.", text);
    }
    Component* child = add(parent, new Component);
    parent -= child;
    EXPECT_EQ(nullptr, child->parent);
    delete child;
}

TEST(ComponentTree, LookupByNameSearchesDirectChildrenFirst) {
    Component root;
    Component* pane = add(root, new Component, "pane");
    Component* deep = add(*pane, new Component, "x");
    Component* shallow = add(root, new Component, "x");
    EXPECT_EQ(shallow, root["x"]);
    EXPECT_EQ(deep, (*pane)["x"]);
    EXPECT_EQ(nullptr, root["nothing"]);
    EXPECT_EQ(pane, root.children.front());
    shallow->bringToFront();
    EXPECT_EQ(shallow, root.children.front());
    EXPECT_EQ(nullptr, root.getRoot());
}

TEST(ComponentTree, DestructionDeletesTheChildrenAndLeavesTheParent) {
    int deleted = 0;
    Component root;
    Component* pane = add(root, new Counted(&deleted));
    add(*pane, new Counted(&deleted));
    add(*pane, new Counted(&deleted));
    delete pane;
    EXPECT_EQ(3, deleted);
    EXPECT_TRUE(root.children.empty());
}

TEST(ComponentTree, DeletingAComponentWithManyChildrenTakesLinearTime) {
    int deleted = 0;
    GUI gui;
    Component* pane = add(gui, new Component);
    for (int i = 0; i < 200000; ++i)
        add(*pane, new Counted(&deleted));
    Component* last = add(*pane, new Focusable);
    last->setFocused(true);
    double started = testutil::threadSeconds();
    delete pane;
    EXPECT_LT(testutil::threadSeconds() - started, 5.0);
    EXPECT_EQ(200000, deleted);
    EXPECT_EQ(&gui, gui.getFocused());
    EXPECT_TRUE(gui.children.empty());
}

TEST(ComponentGeometry, FindSkipsHiddenAndDisabledComponentsAndPrefersTheFront) {
    Component root;
    root.setDimensions(R(0, 0, 100, 100));
    Component* back = add(root, new Component);
    back->setDimensions(R(10, 10, 50, 50));
    Component* front = new Component;
    front->setDimensions(R(30, 30, 50, 50));
    root += front;
    front->bringToFront();
    EXPECT_EQ(front, root.find(V(40, 40)));
    EXPECT_EQ(back, root.find(V(15, 15)));
    EXPECT_EQ(&root, root.find(V(95, 5)));
    EXPECT_EQ(nullptr, root.find(V(100, 5)));
    front->setVisible(false);
    EXPECT_EQ(back, root.find(V(40, 40)));
    root.setEnabled(false);
    EXPECT_EQ(nullptr, root.find(V(40, 40)));
    EXPECT_FALSE(root.isEnabled());
}

TEST(ComponentGeometry, RelativeCoordinatesSubtractEveryAncestorAndCenteringTruncates) {
    Component root;
    root.setDimensions(V(5, 7), V(100, 100));
    Component* pane = add(root, new Component);
    pane->setDimensions(R(10, 20, 30, 40));
    Component* child = add(*pane, new Component);
    child->setDimensions(V(1, 2), V(3, 3));
    EXPECT_EQ(V(84, 71), child->getRelativeCoordinates(V(100, 100)));
    child->setDimensions(V(9, 9));
    EXPECT_EQ(V(1, 2), child->getPos());
    EXPECT_EQ(V(9, 9), child->getDimensions());

    pane->center(V(101, 0));
    EXPECT_FLOAT_EQ(35.0f, pane->x);
    EXPECT_FLOAT_EQ(20.0f, pane->y);
    pane->center(V(-1, 11));
    EXPECT_FLOAT_EQ(35.0f, pane->x);
    // (11 - 40) / 2 = -14.5, truncated towards zero.
    EXPECT_FLOAT_EQ(-14.0f, pane->y);
}

TEST(ComponentFocus, FocusMarksTheChainUpToTheGuiAndClearsThePreviousChain) {
    GUI gui;
    Component* pane = add(gui, new Component);
    Component* button = add(*pane, new Focusable);
    Component* other = add(gui, new Focusable);
    EXPECT_EQ(&gui, gui.getFocused());
    button->setFocused(true);
    EXPECT_TRUE(button->isFocused());
    EXPECT_TRUE(pane->isFocused());
    EXPECT_TRUE(gui.isFocused());
    EXPECT_EQ(button, gui.getFocused());
    other->setFocused(true);
    EXPECT_FALSE(button->isFocused());
    EXPECT_FALSE(pane->isFocused());
    EXPECT_TRUE(gui.isFocused());
    EXPECT_EQ(other, gui.getFocused());
    // Unfocusing what is not the root's focused component changes nothing.
    button->setFocused(false);
    EXPECT_TRUE(other->isFocused());
    other->setFocused(false);
    EXPECT_FALSE(gui.isFocused());
    EXPECT_EQ(other, gui.getFocused());
}

TEST(ComponentNavigation, LaterChildrenOverwriteSharedCellsAndSpansHaveNoNeighbourThatWay) {
    Component parent;
    Component* wide = addAt(parent, new Focusable, 0, 0, 2, 1);
    Component* left = addAt(parent, new Focusable, 0, 1);
    Component* right = addAt(parent, new Focusable, 1, 1);
    Component* cover = addAt(parent, new Focusable, 1, 2);
    Component* over = addAt(parent, new Focusable, 1, 2);
    Component* outside = addAt(parent, new Focusable, -1, 0, 2, 1);
    Component* passive = addAt(parent, new Component, 0, 2);
    passive->neighbours[North] = left;
    parent.recalcNeighbours();
    // Cell (0, 0) went to `outside`, whose range starts left of the grid.
    EXPECT_EQ(nullptr, wide->neighbours[East]);
    EXPECT_EQ(nullptr, wide->neighbours[West]);
    EXPECT_EQ(nullptr, wide->neighbours[North]);
    EXPECT_EQ(left, wide->neighbours[South]);
    EXPECT_EQ(outside, left->neighbours[North]);
    EXPECT_EQ(right, left->neighbours[East]);
    EXPECT_EQ(right, left->neighbours[West]);
    // The empty cell (0, 2) gives no neighbour.
    EXPECT_EQ(nullptr, left->neighbours[South]);
    EXPECT_EQ(wide, right->neighbours[North]);
    EXPECT_EQ(over, right->neighbours[South]);
    // The overwritten child still looks from its own first cell.
    EXPECT_EQ(right, cover->neighbours[North]);
    EXPECT_EQ(wide, cover->neighbours[South]);
    EXPECT_EQ(nullptr, over->neighbours[West]);
    for (int d = 0; d < 4; ++d)
        EXPECT_EQ(nullptr, outside->neighbours[d]);
    EXPECT_EQ(left, passive->neighbours[North]);
}

TEST(ComponentNavigation, GridValuesBeyondTheGridAreCutAndSpansBelowOneCountAsOne) {
    Component parent;
    Component* flat = addAt(parent, new Focusable, 0, 0, 0, -5);
    Component* far = addAt(parent, new Focusable, 2000000000, 1, 2000000000, 1);
    Component* below = addAt(parent, new Focusable, 0, 1);
    parent.recalcNeighbours();
    EXPECT_EQ(below, flat->neighbours[South]);
    EXPECT_EQ(below, flat->neighbours[North]);
    // The far child is cut into the grid's last column, so it is found across the wrap.
    EXPECT_EQ(far, below->neighbours[West]);
    EXPECT_EQ(below, far->neighbours[East]);
}

TEST(ComponentNavigation, DirectionTriggerTakesPrecedenceAndTellsNoCallback) {
    guitest::Triggers triggers;
    GUI gui;
    Callback callback;
    gui.setCallback(&callback);
    ControlQueue queue;
    Component* a = add(gui, new Focusable);
    Component* b = add(gui, new Focusable);
    gui.recalcNeighbours();
    a->triggers[South] = triggers["a"];
    a->setFocused(true);
    EXPECT_TRUE(a->keyDown(&queue, SDLK_DOWN, KMOD_NONE, 0));
    EXPECT_EQ(std::vector<Trigger*>{triggers["a"]}, guitest::drain(queue));
    EXPECT_EQ(a, gui.getFocused());
    EXPECT_EQ(0, callback.moves);
    EXPECT_TRUE(a->keyDown(&queue, SDLK_UP, KMOD_NONE, 0));
    EXPECT_EQ(b, gui.getFocused());
    EXPECT_EQ(1, callback.moves);
    EXPECT_TRUE(queue.isEmpty());
}

TEST(ComponentNavigation, ArrowWithoutNeighbourOrTriggerIsConsumedAndChangesNothing) {
    GUI gui;
    Component* a = add(gui, new Focusable);
    gui.recalcNeighbours();
    a->setFocused(true);
    ControlQueue queue;
    for (SDLKey key : {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT})
        EXPECT_TRUE(a->keyDown(&queue, key, KMOD_NONE, 0));
    EXPECT_EQ(a, gui.getFocused());
    EXPECT_FALSE(a->keyDown(&queue, SDLK_a, KMOD_NONE, 'a'));
    EXPECT_FALSE(a->keyUp(&queue, SDLK_a, KMOD_NONE, 'a'));
}

TEST(ComponentNavigation, OnlyJoystickZerosFirstTwoAxesMoveTheFocus) {
    GUI gui;
    Component* a = addAt(gui, new Focusable, 0, 0);
    Component* b = addAt(gui, new Focusable, 1, 0);
    Component* c = addAt(gui, new Focusable, 0, 1);
    gui.recalcNeighbours();
    a->setFocused(true);
    ControlQueue queue;
    EXPECT_FALSE(a->joyAxisMotion(&queue, 1, 0, 1));
    EXPECT_EQ(a, gui.getFocused());
    EXPECT_FALSE(a->joyAxisMotion(&queue, 0, 2, 1));
    EXPECT_TRUE(a->joyAxisMotion(&queue, 0, 0, 0));
    EXPECT_EQ(a, gui.getFocused());
    EXPECT_TRUE(a->joyAxisMotion(&queue, 0, 0, 1));
    EXPECT_EQ(b, gui.getFocused());
    EXPECT_TRUE(b->joyAxisMotion(&queue, 0, 0, -1));
    EXPECT_EQ(a, gui.getFocused());
    EXPECT_TRUE(a->joyAxisMotion(&queue, 0, 1, 1));
    EXPECT_EQ(c, gui.getFocused());
    EXPECT_TRUE(c->joyAxisMotion(&queue, 0, 1, -1));
    EXPECT_EQ(a, gui.getFocused());
    EXPECT_FALSE(a->joyButtonDown(&queue, 0, 0));
    EXPECT_FALSE(a->joyButtonUp(&queue, 0, 0));
}

TEST(ComponentTab, CyclesDepthFirstWithinTheParent) {
    GUI gui;
    Callback callback;
    gui.setCallback(&callback);
    Component* window = add(gui, new Component);
    Component* first = add(*window, new Focusable);
    Component* group = add(*window, new Component);
    Component* inner = add(*group, new Focusable);
    Component* last = add(*window, new Focusable);
    Component* elsewhere = add(gui, new Focusable);
    first->setFocused(true);
    first->focusNext();
    EXPECT_EQ(inner, gui.getFocused());
    inner->focusNext();
    // Inside the group the walk wraps to the group's front child.
    EXPECT_EQ(inner, gui.getFocused());
    last->setFocused(true);
    last->focusNext();
    EXPECT_EQ(first, gui.getFocused());
    EXPECT_EQ(3, callback.moves);
    (void)elsewhere;
}

TEST(ComponentTab, TabOnTheGuiItselfFocusesTheFirstFocusableInDepthFirstOrder) {
    GUI gui;
    ControlQueue queue;
    Component* label = add(gui, new Component);
    Component* pane = add(gui, new Component);
    add(*pane, new Component);
    Component* button = add(*pane, new Focusable);
    EXPECT_TRUE(gui.keyDown(&queue, SDLK_TAB, KMOD_NONE, 9));
    EXPECT_EQ(button, gui.getFocused());
    (void)label;
    // The GUI's own switch hides the whole tree, not a part of it.
    EXPECT_FALSE(gui.getVisible());
}

TEST(ComponentTab, SubtreesWithoutAnythingFocusableAndHiddenOrDisabledOnesArePassedOver) {
    GUI gui;
    Component* a = add(gui, new Focusable);
    Component* labels = add(gui, new Component);
    add(*labels, new Component);
    add(*labels, new Component);
    // A closed panel's buttons and a disabled button: a player would not see the focus there.
    Component* closed = add(gui, new Component);
    add(*closed, new Focusable);
    closed->setVisible(false);
    add(gui, new Focusable)->setEnabled(false);
    Component* b = add(gui, new Focusable);
    a->setFocused(true);
    a->focusNext();
    EXPECT_EQ(b, gui.getFocused());
    b->focusNext();
    EXPECT_EQ(a, gui.getFocused());
}

TEST(ComponentTab, TabWithNothingFocusableEndsAndKeepsTheFocus) {
    GUI gui;
    Callback callback;
    gui.setCallback(&callback);
    Component* pane = add(gui, new Component);
    Component* label = add(*pane, new Component);
    Component* other = add(*pane, new Component);
    add(*other, new Component);
    label->setFocused(true);
    label->focusNext();
    EXPECT_EQ(label, gui.getFocused());
    other->focusNext();
    pane->focusNext();
    gui.focusNext();
    EXPECT_EQ(label, gui.getFocused());
    EXPECT_EQ(0, callback.moves);
    Component lonely;
    lonely.focusNext();
}

TEST(ComponentDeletion, DeletingTheFocusedOrCapturedComponentHandsTheFocusToItsParent) {
    GUI gui;
    Component* pane = add(gui, new Component);
    Component* group = add(*pane, new Component);
    Component* button = add(*group, new Focusable);
    button->setFocused(true);
    button->captureMouse(true);
    EXPECT_EQ(button, gui.getMouseCaptured());
    delete group;
    EXPECT_EQ(pane, gui.getFocused());
    EXPECT_TRUE(pane->isFocused());
    EXPECT_EQ(nullptr, gui.getMouseCaptured());

    Component* other = add(*pane, new Focusable);
    other->setFocused(true);
    other->captureMouse(true);
    *pane -= other;
    EXPECT_EQ(pane, gui.getFocused());
    EXPECT_EQ(nullptr, gui.getMouseCaptured());
    EXPECT_FALSE(other->isFocused());
    delete other;
}

TEST(ComponentDeletion, CaptureIsReleasedOnlyByItsHolder) {
    GUI gui;
    Component* a = add(gui, new Component);
    Component* b = add(gui, new Component);
    a->captureMouse(true);
    b->captureMouse(false);
    EXPECT_EQ(a, gui.getMouseCaptured());
    a->captureMouse(false);
    EXPECT_EQ(nullptr, gui.getMouseCaptured());
    Component free;
    free.captureMouse(true);
    free.setFocused(true);
    EXPECT_TRUE(free.isFocused());
}

TEST(ComponentPerform, PerformsChildrenBackToFrontAndNothingWhileDisabled) {
    struct Recorder : Component {
        std::string* log;
        char mark;
        Recorder(std::string* log, char mark) : log(log), mark(mark) {}
        void performSelf(ControlQueue*, float) override { *log += mark; }
    };
    std::string log;
    Recorder root(&log, 'r');
    root += new Recorder(&log, 'a');
    Component* b = new Recorder(&log, 'b');
    root += b;
    root.perform(nullptr, 1.0f);
    EXPECT_EQ("rba", log);
    b->setVisible(false);
    b->setEnabled(false);
    root.perform(nullptr, 1.0f);
    EXPECT_EQ("rbara", log);
    EXPECT_FALSE(b->getEnabled());
    EXPECT_FALSE(b->getVisible());
}

TEST(ComponentReading, ComponentAttributesAndTheMissingNameError) {
    guitest::Loaded loaded(guitest::evaluatorDescription() +
                           "<gui name=\"gui\" x=\"1\" y=\"2\" width=\"300\" height=\"200\" "
                           "data=\"0x10\" dataString=\"hello\" triggerNorth=\"ev.a\">"
                           "<Pane name=\"p\" x=\"5\" width=\"50\" gridX=\"2\" gridY=\"3\" "
                           "gridWidth=\"4\" gridHeight=\"5\" visible=\"false\" enabled=\"0\" "
                           "triggerEast=\"ev.b\" triggerSouth=\"ev.none\" "
                           "triggerWest=\"ev.c\"/>"
                           "</gui>");
    GUI* gui = loaded.gui();
    ASSERT_NE(nullptr, gui);
    EXPECT_EQ("gui", gui->getName());
    EXPECT_EQ(V(1, 2), gui->getPos());
    EXPECT_EQ(V(300, 200), gui->getDimensions());
    EXPECT_EQ(16, gui->data);
    EXPECT_EQ("hello", gui->dataString);
    EXPECT_EQ(loaded.trigger("a"), gui->Component::triggers[North]);
    Component* pane = (*gui)["p"];
    ASSERT_NE(nullptr, pane);
    EXPECT_EQ(R(5, 0, 50, 0), R(pane->x, pane->y, pane->width, pane->height));
    EXPECT_EQ(2, pane->gridX);
    EXPECT_EQ(3, pane->gridY);
    EXPECT_EQ(4, pane->gridWidth);
    EXPECT_EQ(5, pane->gridHeight);
    EXPECT_FALSE(pane->visible);
    EXPECT_FALSE(pane->enabled);
    EXPECT_EQ(loaded.trigger("b"), pane->triggers[East]);
    EXPECT_EQ(nullptr, pane->triggers[South]);
    EXPECT_EQ(loaded.trigger("c"), pane->triggers[West]);

    testutil::LogCapture log;
    Pane unnamed;
    unnamed.name = "old";
    xml::Node node;
    node.name = "Pane";
    unnamed.getSelfFromNode(&node, gui);
    EXPECT_EQ("", unnamed.name);
    EXPECT_NE(std::string::npos,
              log.text().find("(error) No name specified for style. Using empty name."));
}

TEST(ComponentReading, GridValuesBeyondTheGridAreCappedWithAWarning) {
    testutil::LogCapture log;
    Component c;
    xml::Node node;
    node["name"] = "huge";
    node["gridX"] = "99999999999";
    node["gridY"] = "7";
    node["gridWidth"] = "100000";
    c.getSelfFromNode(&node, nullptr);
    EXPECT_EQ(maxGridSize - 1, c.gridX);
    EXPECT_EQ(7, c.gridY);
    EXPECT_EQ(maxGridSize, c.gridWidth);
    std::string text = log.text();
    EXPECT_NE(std::string::npos, text.find("(warning) Grid value gridX=\"99999999999\" of "
                                           "component \"huge\" lies beyond the navigation grid; "
                                           "using 255."));
    EXPECT_NE(std::string::npos, text.find("gridWidth=\"100000\""));
}

namespace {

// Fills its rectangle with one colour.
class Filled : public Component {
public:
    explicit Filled(Color color) : color(color) {}
    void drawSelf() override {
        style.color = color;
        style.draw(R(0, 0, width, height));
    }
    Color color;
    PlainRectStyle style;
};

Filled* addFilled(Component& parent, R const& rect, Color color) {
    auto* filled = new Filled(color);
    filled->setDimensions(rect);
    parent += filled;
    return filled;
}

} // namespace

TEST(ComponentGL, EachChildIsClippedToItsParentsBoxWhichReplacesTheAncestorsBoxes) {
    testutil::Window window(160, 120);
    RenderContext2D(V(160, 120)).apply();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    clearScreen();
    GUI gui;
    gui.setDimensions(R(0, 0, 160, 120));
    gui.setVisible(true);
    Filled* pane = addFilled(gui, R(10, 10, 20, 20), Color(1, 0, 0, 1));
    Filled* child = addFilled(*pane, R(10, 10, 30, 30), Color(0, 1, 0, 1));
    addFilled(*child, R(15, 15, 10, 10), Color(0, 0, 1, 1));
    Filled* hidden = addFilled(gui, R(0, 0, 5, 5), Color(1, 1, 1, 1));
    hidden->setVisible(false);
    gui.draw();
    EXPECT_EQ(0x000000FFu, testutil::pixelAt(1, 1));
    EXPECT_EQ(0xFF0000FFu, testutil::pixelAt(12, 12));
    // The child lies partly outside the pane: only its part inside is drawn.
    EXPECT_EQ(0x00FF00FFu, testutil::pixelAt(25, 25));
    EXPECT_EQ(0x000000FFu, testutil::pixelAt(35, 25));
    // The grandchild is drawn within the child's box alone, outside the pane's.
    EXPECT_EQ(0x0000FFFFu, testutil::pixelAt(40, 40));
    EXPECT_EQ(0.0f, currentPos.x);
    EXPECT_EQ(0.0f, currentPos.y);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}
