#include "ravek/src/gui/standard.h"

#include "ravek/src/gfx/images.h"
#include "ravek/tests/gui/gui_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ravek;
using namespace ravek::gui;
using guitest::Callback;

namespace {

typedef basic_Vector2D<float> V;
typedef basic_Rect<float> R;
typedef std::vector<Trigger*> Pushed;

class Handler : public ClickEventHandler {
public:
    std::vector<Component*> clicks;
    void handleClickEvent(Component* c) override { clicks.push_back(c); }
};

// A GUI holding one widget, with a callback and a queue.
template <typename W>
struct Fixture {
    guitest::Triggers triggers;
    GUI gui;
    Callback callback;
    ControlQueue queue;
    W* widget;
    Fixture() : widget(new W) {
        gui.setCallback(&callback);
        gui.setDimensions(R(0, 0, 200, 100));
        widget->setDimensions(R(10, 10, 50, 20));
        gui += widget;
    }
    Pushed pushed() { return guitest::drain(queue); }
};

} // namespace

TEST(Button, ClicksOnlyOnAReleaseOverItWhileItHasTheFocus) {
    Fixture<Button> f;
    Button* b = f.widget;
    Handler handler;
    b->setOnClick(&handler);
    b->setTrigger(f.triggers["a"]);
    EXPECT_TRUE(b->focusable);
    b->setFocused(true);
    b->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_TRUE(b->pressed);
    EXPECT_EQ(b, f.gui.getMouseCaptured());
    EXPECT_EQ(0, f.callback.confirms);
    EXPECT_EQ(downHot, b->getState());
    b->mouseUp(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_EQ(1, f.callback.confirms);
    EXPECT_EQ(std::vector<Component*>{b}, handler.clicks);
    EXPECT_EQ(Pushed{f.triggers["a"]}, f.pushed());
    EXPECT_FALSE(b->pressed);
    EXPECT_EQ(nullptr, f.gui.getMouseCaptured());

    // Pressed, then the pointer moves off (the GUI takes the focus): no click.
    b->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    f.gui.setFocused(true);
    EXPECT_EQ(up, b->getState());
    b->mouseUp(&f.queue, V(100, 1), SDL_BUTTON_LEFT);
    EXPECT_EQ(1, f.callback.confirms);
    EXPECT_TRUE(f.pushed().empty());
    EXPECT_FALSE(b->pressed);
    // Other mouse buttons do nothing.
    b->setFocused(true);
    b->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_RIGHT);
    b->mouseUp(&f.queue, V(1, 1), SDL_BUTTON_RIGHT);
    EXPECT_FALSE(b->pressed);
    EXPECT_EQ(1, f.callback.confirms);
}

TEST(Button, HeldRepeatButtonClicksOnPressAfterTheDelayThenEveryIntervalAndOnRelease) {
    Fixture<Button> f;
    Button* b = f.widget;
    b->setRepeat(true);
    b->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_EQ(1, f.callback.confirms);
    // Not focused, but a pressed repeat button is down.
    EXPECT_EQ(down, b->getState());
    int expected[] = {0, 0, 1, 3};
    int total = 1;
    for (int clicks : expected) {
        f.gui.perform(&f.queue, 100.0f);
        total += clicks;
        EXPECT_EQ(total, f.callback.confirms);
    }
    b->mouseUp(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_EQ(total + 1, f.callback.confirms);
    EXPECT_FLOAT_EQ(0.0f, b->timer);
    f.gui.perform(&f.queue, 1000.0f);
    EXPECT_EQ(total + 1, f.callback.confirms);
}

TEST(Button, AKeyRepeatOfZeroOrLessStillEndsTheRepeatLoop) {
    for (float interval : {0.0f, -5.0f}) {
        Fixture<Button> f;
        f.gui.setKeyRepeat(300.0f, interval);
        f.widget->setRepeat(true);
        f.widget->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
        f.gui.perform(&f.queue, 400.0f);
        // One click at 300 ms and one per millisecond after it.
        EXPECT_EQ(1 + 101, f.callback.confirms);
        EXPECT_GT(f.widget->timer, 0.0f);
    }
}

TEST(Button, ReturnSpaceAndJoystickButtonZeroClick) {
    Fixture<Button> f;
    Button* b = f.widget;
    b->setTrigger(f.triggers["b"]);
    b->setFocused(true);
    EXPECT_TRUE(b->keyDown(&f.queue, SDLK_RETURN, KMOD_NONE, 13));
    // The keypad's Enter carries the character 13 as well.
    EXPECT_TRUE(b->keyDown(&f.queue, SDLK_KP_ENTER, KMOD_NONE, 13));
    EXPECT_TRUE(b->keyDown(&f.queue, SDLK_SPACE, KMOD_NONE, 32));
    EXPECT_TRUE(b->joyButtonDown(&f.queue, 1, 0));
    EXPECT_EQ(4, f.callback.confirms);
    EXPECT_EQ(4u, f.pushed().size());
    EXPECT_FALSE(b->joyButtonDown(&f.queue, 0, 1));
    EXPECT_FALSE(b->keyDown(&f.queue, SDLK_a, KMOD_NONE, 'a'));
    EXPECT_TRUE(b->keyDown(&f.queue, SDLK_DOWN, KMOD_NONE, 0));
    EXPECT_EQ(4, f.callback.confirms);
}

TEST(Button, SetRepeatStopsARunningRepetition) {
    Fixture<Button> f;
    f.widget->setRepeat(true);
    f.widget->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_FLOAT_EQ(300.0f, f.widget->timer);
    f.widget->setRepeat(false);
    EXPECT_FALSE(f.widget->getRepeat());
    EXPECT_FLOAT_EQ(0.0f, f.widget->timer);
    f.gui.perform(&f.queue, 1000.0f);
    EXPECT_EQ(1, f.callback.confirms);
}

TEST(Button, ReadsItsAttributes) {
    guitest::Loaded loaded(guitest::evaluatorDescription() +
                           "<images name=\"img\"><image name=\"pic\" filename=\"p.png\"/></images>"
                           "<gui name=\"gui\" images=\"img\">"
                           "<ButtonStyle name=\"bs\"/><LabelStyle name=\"ls\"/>"
                           "<Button name=\"b1\" caption=\"Go\" repeat=\"true\" style=\"bs\" "
                           "image=\"pic\" trigger=\"ev.a\"/>"
                           "<Button name=\"b2\" style=\"ls\" trigger=\"ev.nothing\" "
                           "image=\"nothing\"/>"
                           "</gui>");
    GUI* gui = loaded.gui();
    ASSERT_NE(nullptr, gui);
    auto* b1 = dynamic_cast<Button*>((*gui)["b1"]);
    ASSERT_NE(nullptr, b1);
    EXPECT_EQ("Go", b1->getCaption());
    EXPECT_TRUE(b1->getRepeat());
    EXPECT_EQ(findStyle<ButtonStyle>(gui, "bs"), b1->getStyle());
    EXPECT_EQ(gui->getImages()->resources["pic"], b1->getImage());
    EXPECT_EQ(loaded.trigger("a"), b1->getTrigger());
    auto* b2 = dynamic_cast<Button*>((*gui)["b2"]);
    EXPECT_EQ(nullptr, b2->getStyle());
    EXPECT_EQ(nullptr, b2->getTrigger());
    EXPECT_EQ(nullptr, b2->getImage());
    EXPECT_FALSE(b2->getRepeat());
    EXPECT_EQ("", b2->getCaption());
}

TEST(Checkbox, AClickTogglesAndPushesOffWhenItWasCheckedElseOn) {
    Fixture<Checkbox> f;
    Checkbox* c = f.widget;
    c->setTriggerOn(f.triggers["a"]);
    c->setTriggerOff(f.triggers["b"]);
    c->setFocused(true);
    EXPECT_TRUE(c->keyDown(&f.queue, SDLK_SPACE, KMOD_NONE, 32));
    EXPECT_TRUE(c->getChecked());
    EXPECT_TRUE(c->keyDown(&f.queue, SDLK_RETURN, KMOD_NONE, 13));
    EXPECT_FALSE(c->getChecked());
    EXPECT_EQ(Pushed({f.triggers["a"], f.triggers["b"]}), f.pushed());
    EXPECT_EQ(2, f.callback.confirms);
    // The keypad's Enter is not the key code 13.
    EXPECT_FALSE(c->keyDown(&f.queue, SDLK_KP_ENTER, KMOD_NONE, 13));
    EXPECT_TRUE(c->joyButtonDown(&f.queue, 0, 0));
    EXPECT_FALSE(c->joyButtonDown(&f.queue, 0, 2));
    EXPECT_TRUE(c->getChecked());
    f.pushed();
    c->setChecked(false);
    EXPECT_TRUE(f.pushed().empty());

    EXPECT_EQ(upHot, c->getState());
    c->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_EQ(downHot, c->getState());
    EXPECT_TRUE(c->isDown());
    EXPECT_EQ(c, f.gui.getMouseCaptured());
    c->mouseUp(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_TRUE(c->getChecked());
    EXPECT_EQ(nullptr, f.gui.getMouseCaptured());
    c->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    f.gui.setFocused(true);
    EXPECT_EQ(up, c->getState());
    c->mouseUp(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_TRUE(c->getChecked());
    EXPECT_FALSE(c->pressed);
}

TEST(Checkbox, ATriggerAttributeServesBothWaysUnlessOverridden) {
    guitest::Loaded loaded(guitest::evaluatorDescription() +
                           "<gui name=\"gui\"><CheckboxStyle name=\"cs\"/>"
                           "<Checkbox name=\"both\" trigger=\"ev.a\" checked=\"true\" "
                           "style=\"cs\" caption=\"Full\"/>"
                           "<Checkbox name=\"split\" trigger=\"ev.a\" triggerOff=\"ev.b\"/>"
                           "</gui>");
    GUI* gui = loaded.gui();
    auto* both = dynamic_cast<Checkbox*>((*gui)["both"]);
    ASSERT_NE(nullptr, both);
    EXPECT_TRUE(both->getChecked());
    EXPECT_EQ(findStyle<CheckboxStyle>(gui, "cs"), both->getStyle());
    EXPECT_EQ("Full", both->getCaption());
    EXPECT_EQ(loaded.trigger("a"), both->getTriggerOn());
    EXPECT_EQ(loaded.trigger("a"), both->getTriggerOff());
    auto* split = dynamic_cast<Checkbox*>((*gui)["split"]);
    EXPECT_EQ(loaded.trigger("a"), split->getTriggerOn());
    EXPECT_EQ(loaded.trigger("b"), split->getTriggerOff());
    ControlQueue queue;
    both->doClick(&queue);
    both->doClick(&queue);
    EXPECT_EQ(Pushed({loaded.trigger("a"), loaded.trigger("a")}), guitest::drain(queue));
}

TEST(InputCaptor, CatchesTheFirstInputThenDisablesItselfAndKeepsSwallowing) {
    Fixture<InputCaptor> f;
    InputCaptor* c = f.widget;
    c->triggerKey = f.triggers["a"];
    c->triggerJoyButton = f.triggers["b"];
    c->triggerJoyAxis = f.triggers["c"];
    EXPECT_FALSE(c->focusable);
    c->setFocused(true);
    f.gui.setActive(true);
    EXPECT_TRUE(f.gui.evaluate(guitest::keyDown(SDLK_TAB, 9), &f.queue));
    EXPECT_EQ(SDLK_TAB, c->getKey());
    EXPECT_FALSE(c->getEnabled());
    EXPECT_EQ(c, f.gui.getFocused());
    EXPECT_EQ(Pushed{f.triggers["a"]}, f.pushed());
    // Disabled, it still swallows keys and buttons.
    EXPECT_TRUE(f.gui.evaluate(guitest::keyDown(SDLK_UP), &f.queue));
    EXPECT_TRUE(f.gui.evaluate(guitest::joyButton(SDL_JOYBUTTONDOWN, 1, 4), &f.queue));
    EXPECT_EQ(SDLK_TAB, c->getKey());
    EXPECT_EQ(0, c->getJoyButton());
    EXPECT_TRUE(f.pushed().empty());

    c->setEnabled(true);
    EXPECT_TRUE(c->joyButtonDown(&f.queue, 1, 4));
    EXPECT_EQ(1, c->getJoy());
    EXPECT_EQ(4, c->getJoyButton());
    EXPECT_EQ(Pushed{f.triggers["b"]}, f.pushed());

    c->setEnabled(true);
    axisTable.clear();
    // The middle is ignored (and consumed); a push away is caught.
    EXPECT_TRUE(c->joyAxisMotion(&f.queue, 0, 3, 0));
    EXPECT_TRUE(c->getEnabled());
    EXPECT_TRUE(f.gui.evaluate(guitest::joyAxis(1, 2, -20000), &f.queue));
    EXPECT_EQ(1, c->getJoy());
    EXPECT_EQ(2, c->getJoyAxis());
    EXPECT_EQ(-1, c->getJoyAxisDirection());
    EXPECT_FALSE(c->getEnabled());
    EXPECT_EQ(Pushed{f.triggers["c"]}, f.pushed());
    // Key releases keep the component's behaviour.
    EXPECT_FALSE(f.gui.evaluate(guitest::keyUp(SDLK_a), &f.queue));
    axisTable.clear();
}

TEST(InputCaptor, ReadsItsTriggers) {
    guitest::Loaded loaded(guitest::evaluatorDescription() +
                           "<gui name=\"gui\"><InputCaptor name=\"ic\" enabled=\"false\" "
                           "triggerKey=\"ev.a\" triggerJoyButton=\"ev.b\" "
                           "triggerJoyAxis=\"ev.c\"/></gui>");
    auto* c = dynamic_cast<InputCaptor*>((*loaded.gui())["ic"]);
    ASSERT_NE(nullptr, c);
    EXPECT_FALSE(c->getEnabled());
    EXPECT_EQ(loaded.trigger("a"), c->triggerKey);
    EXPECT_EQ(loaded.trigger("b"), c->triggerJoyButton);
    EXPECT_EQ(loaded.trigger("c"), c->triggerJoyAxis);
}
