#include "ravek/src/gui/slider.h"

#include "ravek/tests/gui/gui_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace ravek;
using namespace ravek::gui;

namespace {

typedef basic_Vector2D<float> V;
typedef basic_Rect<float> R;
typedef std::vector<Trigger*> Pushed;

// A slider of 200 x 20 (horizontal) in a GUI, range 0..100, steps 5 and 20, with a trigger.
template <typename T>
struct Fixture {
    guitest::Triggers triggers;
    GUI gui;
    ControlQueue queue;
    Slider<T>* slider;
    Fixture(Orientation orientation = horizontal) : slider(new Slider<T>) {
        gui.setDimensions(R(0, 0, 400, 300));
        slider->orientation = orientation;
        slider->setDimensions(orientation == horizontal ? R(10, 10, 200, 20) : R(10, 10, 20, 200));
        slider->min = 0;
        slider->max = 100;
        slider->stepSmall = 5;
        slider->stepLarge = 20;
        slider->trigger = triggers["a"];
        gui += slider;
        slider->setFocused(true);
    }
    bool key(SDLKey k) { return slider->keyDown(&queue, k, KMOD_NONE, 0); }
    size_t pushed() { return guitest::drain(queue).size(); }
};

} // namespace

TEST(SliderHandle, LengthTravelFractionAndRectangle) {
    EXPECT_FLOAT_EQ(50.0f, sliderHandleLength(200.0f, 0.25f));
    EXPECT_FLOAT_EQ(150.0f, sliderTravel(200.0f, 0.25f));
    // Zero or below: minus a length in units, whatever the bar's length.
    EXPECT_FLOAT_EQ(30.0f, sliderHandleLength(200.0f, -30.0f));
    EXPECT_FLOAT_EQ(170.0f, sliderTravel(200.0f, -30.0f));
    EXPECT_FLOAT_EQ(0.0f, sliderHandleLength(200.0f, 0.0f));
    EXPECT_DOUBLE_EQ(0.5, sliderFraction(5, 0, 10));
    EXPECT_DOUBLE_EQ(0.5, sliderFraction(5, 10, 0));
    EXPECT_DOUBLE_EQ(0.0, sliderFraction(3, 3, 3));
    EXPECT_DOUBLE_EQ(0.0, sliderFraction(-4, 0, 10));
    EXPECT_DOUBLE_EQ(1.0, sliderFraction(40, 0, 10));
    EXPECT_DOUBLE_EQ(0.0, sliderFraction(std::nan(""), 0, 10));
    EXPECT_EQ(R(82, 0, 36, 28),
              sliderHandle(R(28, 0, 144, 28), horizontal, 0.25f, 0.5, V(200, 28)));
    EXPECT_EQ(R(0, 34, 20, 10), sliderHandle(R(0, 20, 20, 60), vertical, -10.0f, 0.28, V(20, 100)));
}

TEST(Slider, TheDefaultRangeKeepsTheValueAtZeroAndTheHandleAtTheStart) {
    Slider<int> slider;
    slider.setDimensions(R(0, 0, 100, 10));
    EXPECT_TRUE(slider.focusable);
    slider.increase(true);
    slider.decrease(false);
    EXPECT_EQ(0, slider.value);
    EXPECT_EQ(R(0, 0, 25, 10), slider.calculateHandle());
    EXPECT_FLOAT_EQ(100.0f, slider.getBarSize());
    EXPECT_EQ(V(10, 10), slider.getButtonSize());
}

TEST(Slider, KeysChangeTheValueAndPushTheTriggerEvenAtTheLimit) {
    Fixture<int> f;
    f.slider->value = 50;
    EXPECT_TRUE(f.key(SDLK_HOME));
    EXPECT_EQ(0, f.slider->value);
    EXPECT_TRUE(f.key(SDLK_HOME));
    EXPECT_EQ(2u, f.pushed());
    EXPECT_TRUE(f.key(SDLK_END));
    EXPECT_EQ(100, f.slider->value);
    EXPECT_TRUE(f.key(SDLK_LEFT));
    EXPECT_EQ(95, f.slider->value);
    EXPECT_TRUE(f.key(SDLK_RIGHT));
    EXPECT_TRUE(f.key(SDLK_RIGHT));
    EXPECT_EQ(100, f.slider->value);
    EXPECT_TRUE(f.key(SDLK_PAGEUP));
    EXPECT_EQ(80, f.slider->value);
    EXPECT_TRUE(f.key(SDLK_PAGEDOWN));
    EXPECT_EQ(100, f.slider->value);
    EXPECT_EQ(6u, f.pushed());
    // Up and Down on a horizontal slider move the focus instead.
    EXPECT_TRUE(f.key(SDLK_UP));
    EXPECT_TRUE(f.key(SDLK_DOWN));
    EXPECT_FALSE(f.slider->keyDown(&f.queue, SDLK_a, KMOD_NONE, 'a'));
    EXPECT_EQ(100, f.slider->value);
    EXPECT_EQ(0u, f.pushed());
}

TEST(Slider, AVerticalSliderTakesUpAndDownAndItsJoystickAxisRunsTheOtherWay) {
    Fixture<float> f(vertical);
    f.slider->value = 50;
    EXPECT_TRUE(f.key(SDLK_UP));
    EXPECT_FLOAT_EQ(55.0f, f.slider->value);
    EXPECT_TRUE(f.key(SDLK_DOWN));
    EXPECT_TRUE(f.key(SDLK_DOWN));
    EXPECT_FLOAT_EQ(45.0f, f.slider->value);
    EXPECT_TRUE(f.key(SDLK_LEFT));
    EXPECT_TRUE(f.key(SDLK_RIGHT));
    EXPECT_FLOAT_EQ(45.0f, f.slider->value);
    EXPECT_EQ(3u, f.pushed());
    // Axis 1 at -1 is North for navigation but lowers the value here.
    EXPECT_TRUE(f.slider->joyAxisMotion(&f.queue, 3, 1, -1));
    EXPECT_FLOAT_EQ(40.0f, f.slider->value);
    EXPECT_TRUE(f.slider->joyAxisMotion(&f.queue, 0, 1, 1));
    EXPECT_FLOAT_EQ(45.0f, f.slider->value);
    EXPECT_EQ(2u, f.pushed());
    EXPECT_TRUE(f.slider->joyAxisMotion(&f.queue, 0, 1, 0));
    EXPECT_TRUE(f.slider->joyAxisMotion(&f.queue, 0, 0, 1));
    EXPECT_FALSE(f.slider->joyAxisMotion(&f.queue, 1, 0, 1));
    EXPECT_FLOAT_EQ(45.0f, f.slider->value);
    EXPECT_EQ(0u, f.pushed());
}

TEST(Slider, ClicksBesideTheHandleStepLargeAndOnItStartADrag) {
    Fixture<int> f;
    // Handle 50 long at 0; a click exactly at its end is beside it.
    f.slider->mouseDown(&f.queue, V(50, 5), SDL_BUTTON_LEFT);
    EXPECT_EQ(20, f.slider->value);
    EXPECT_FALSE(f.slider->dragging);
    // Handle now at 30: a click exactly at its start grabs it.
    f.slider->mouseDown(&f.queue, V(30, 5), SDL_BUTTON_LEFT);
    EXPECT_TRUE(f.slider->dragging);
    EXPECT_EQ(downHot, f.slider->getState());
    EXPECT_EQ(f.slider, f.gui.getMouseCaptured());
    EXPECT_EQ(V(0, 5), f.slider->dragOffset);
    f.slider->mouseMove(&f.queue, V(75, 5));
    EXPECT_EQ(50, f.slider->value);
    // 100 / 3 is cut to 33.
    f.slider->mouseMove(&f.queue, V(50, 5));
    EXPECT_EQ(33, f.slider->value);
    f.slider->mouseMove(&f.queue, V(1000, 5));
    EXPECT_EQ(100, f.slider->value);
    f.slider->mouseUp(&f.queue, V(1000, 5), SDL_BUTTON_LEFT);
    EXPECT_FALSE(f.slider->dragging);
    EXPECT_EQ(nullptr, f.gui.getMouseCaptured());
    EXPECT_EQ(upHot, f.slider->getState());
    f.slider->mouseMove(&f.queue, V(0, 5));
    EXPECT_EQ(100, f.slider->value);
    f.slider->mouseDown(&f.queue, V(10, 5), SDL_BUTTON_LEFT);
    EXPECT_EQ(80, f.slider->value);
    f.slider->mouseDown(&f.queue, V(10, 5), SDL_BUTTON_WHEELUP);
    EXPECT_EQ(85, f.slider->value);
    f.slider->mouseDown(&f.queue, V(10, 5), SDL_BUTTON_WHEELDOWN);
    f.slider->mouseDown(&f.queue, V(10, 5), SDL_BUTTON_WHEELDOWN);
    EXPECT_EQ(75, f.slider->value);
    f.slider->mouseDown(&f.queue, V(10, 5), SDL_BUTTON_MIDDLE);
    EXPECT_EQ(75, f.slider->value);
}

TEST(Slider, DraggingAnIntegerSliderTruncatesTowardsZero) {
    Fixture<int> f;
    f.slider->min = -10;
    f.slider->max = 10;
    f.slider->value = -10;
    f.slider->mouseDown(&f.queue, V(1, 5), SDL_BUTTON_LEFT);
    ASSERT_TRUE(f.slider->dragging);
    // -10 + 48.25 / 150 * 20 = -3.57
    f.slider->mouseMove(&f.queue, V(49.25f, 5));
    EXPECT_EQ(-3, f.slider->value);
}

TEST(Slider, EveryChangeByMouseOrArrowButtonPushesTheTrigger) {
    Fixture<int> f;
    f.slider->mouseDown(&f.queue, V(10, 5), SDL_BUTTON_WHEELUP);
    f.slider->mouseDown(&f.queue, V(10, 5), SDL_BUTTON_WHEELDOWN);
    f.slider->mouseDown(&f.queue, V(150, 5), SDL_BUTTON_LEFT);
    EXPECT_EQ(3u, f.pushed());
    f.slider->mouseDown(&f.queue, V(40, 5), SDL_BUTTON_LEFT);
    ASSERT_TRUE(f.slider->dragging);
    // A drag pushes only when it changes the value.
    f.slider->mouseMove(&f.queue, V(40, 5));
    EXPECT_EQ(0u, f.pushed());
    f.slider->mouseMove(&f.queue, V(55, 5));
    EXPECT_EQ(30, f.slider->value);
    EXPECT_EQ(1u, f.pushed());
    f.slider->mouseUp(&f.queue, V(55, 5), SDL_BUTTON_LEFT);
    f.slider->setButtonsAfter(both);
    f.slider->bIncAfter->doClick(&f.queue);
    EXPECT_EQ(35, f.slider->value);
    EXPECT_EQ(Pushed{f.triggers["a"]}, guitest::drain(f.queue));
}

TEST(Slider, WithoutRoomToTravelADragLeavesTheValue) {
    for (float size : {1.0f, -300.0f}) {
        Fixture<int> f;
        f.slider->size = size;
        f.slider->value = 40;
        f.slider->mouseDown(&f.queue, V(0, 5), SDL_BUTTON_LEFT);
        ASSERT_TRUE(f.slider->dragging) << size;
        f.slider->mouseMove(&f.queue, V(120, 5));
        EXPECT_EQ(40, f.slider->value) << size;
    }
}

TEST(Slider, ARangeUpsideDownOrANaNNeverBreaksTheValue) {
    Fixture<float> upside;
    upside.slider->min = 10;
    upside.slider->max = 0;
    upside.slider->value = 5;
    upside.slider->stepSmall = 1;
    // The clamp tests the low end first.
    upside.slider->increase(false);
    EXPECT_FLOAT_EQ(10.0f, upside.slider->value);
    EXPECT_EQ(upside.slider->bar.x, upside.slider->calculateHandle().x);

    Fixture<float> nan;
    nan.slider->value = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(nan.slider->bar.x, nan.slider->calculateHandle().x);
    nan.slider->increase(false);
    EXPECT_TRUE(std::isnan(nan.slider->value));
    EXPECT_TRUE(nan.key(SDLK_HOME));
    EXPECT_FLOAT_EQ(0.0f, nan.slider->value);

    // A pointer position that is not a number never reaches an integer.
    Fixture<int> integer;
    integer.slider->value = 20;
    integer.slider->mouseDown(&integer.queue, V(40, 5), SDL_BUTTON_LEFT);
    ASSERT_TRUE(integer.slider->dragging);
    integer.slider->mouseMove(&integer.queue, V(std::nanf(""), 5));
    EXPECT_EQ(20, integer.slider->value);
    integer.slider->max = 2147483647;
    integer.slider->value = 2147483640;
    integer.slider->increase(true);
    EXPECT_EQ(2147483647, integer.slider->value);
}

TEST(SliderButtons, SidesCreateAndDeleteTheirArrowButtonsAndGiveTheBarTheRest) {
    Fixture<int> f;
    ButtonStyle style;
    f.slider->buttonStyle = &style;
    f.slider->setButtonsBefore(both);
    Button* decButton = f.slider->bDecBefore;
    ASSERT_NE(nullptr, decButton);
    ASSERT_NE(nullptr, f.slider->bIncBefore);
    EXPECT_EQ("bDecBefore", decButton->name);
    EXPECT_EQ("<", decButton->getCaption());
    EXPECT_EQ(">", f.slider->bIncBefore->getCaption());
    EXPECT_EQ("bIncBefore", f.slider->bIncBefore->name);
    EXPECT_EQ(&style, decButton->getStyle());
    EXPECT_TRUE(decButton->getRepeat());
    EXPECT_EQ(f.slider, decButton->getOnClick());
    EXPECT_EQ(f.slider, decButton->getParent());
    EXPECT_EQ(R(0, 0, 20, 20), R(decButton->x, decButton->y, decButton->width, decButton->height));
    EXPECT_FLOAT_EQ(20.0f, f.slider->bIncBefore->x);
    EXPECT_EQ(R(40, 0, 160, 20), f.slider->bar);
    f.slider->setButtonsBefore(both);
    EXPECT_EQ(decButton, f.slider->bDecBefore);
    EXPECT_EQ(2u, f.slider->children.size());
    // A button style set later reaches only buttons made later.
    ButtonStyle later;
    f.slider->buttonStyle = &later;
    f.slider->setButtonsAfter(both);
    EXPECT_EQ(&style, decButton->getStyle());
    EXPECT_EQ(&later, f.slider->bDecAfter->getStyle());
    EXPECT_FLOAT_EQ(180.0f, f.slider->bIncAfter->x);
    EXPECT_FLOAT_EQ(160.0f, f.slider->bDecAfter->x);
    EXPECT_EQ("bDecAfter", f.slider->bDecAfter->name);
    EXPECT_EQ(R(40, 0, 120, 20), f.slider->bar);
    f.slider->setButtonsAfter(inc);
    EXPECT_EQ(nullptr, f.slider->bDecAfter);
    EXPECT_EQ(R(40, 0, 140, 20), f.slider->bar);
    f.slider->setButtonsAfter(none);
    f.slider->setButtonsBefore(none);
    EXPECT_TRUE(f.slider->children.empty());
    EXPECT_EQ(R(0, 0, 200, 20), f.slider->bar);
    EXPECT_EQ(none, f.slider->buttonsBefore);
    EXPECT_EQ(both, strTo<SliderButtons>("both"));
    EXPECT_EQ(dec, strTo<SliderButtons>("dec"));
    EXPECT_THROW(strTo<SliderButtons>("all"), std::string);
}

TEST(SliderButtons, ArrowButtonsStepSmallAndRepeatWhileHeld) {
    Fixture<int> f;
    f.slider->setButtonsBefore(dec);
    f.slider->setButtonsAfter(inc);
    f.slider->value = 50;
    Button* incButton = f.slider->bIncAfter;
    incButton->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_EQ(55, f.slider->value);
    f.gui.perform(&f.queue, 330.0f);
    EXPECT_EQ(65, f.slider->value);
    incButton->mouseUp(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_EQ(70, f.slider->value);
    EXPECT_EQ(4u, f.pushed());
    f.slider->bDecBefore->doClick(&f.queue);
    EXPECT_EQ(65, f.slider->value);
    // A click from any other component changes nothing.
    Button stranger;
    f.slider->handleClickEvent(&stranger);
    EXPECT_EQ(65, f.slider->value);
    EXPECT_EQ(nullptr, stranger.getTrigger());
    // Held when its GUI goes inactive, the press is called off: no click on the way out.
    f.gui.setActive(true);
    incButton->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    f.gui.setActive(false);
    f.gui.perform(&f.queue, 1000.0f);
    EXPECT_EQ(70, f.slider->value);
    EXPECT_EQ(nullptr, f.gui.getMouseCaptured());
    EXPECT_EQ(2u, f.pushed());
}

TEST(SliderButtons, RemovingAFocusedArrowButtonHandsTheFocusToTheSlider) {
    Fixture<int> f;
    f.slider->setButtonsBefore(both);
    f.slider->bDecBefore->setFocused(true);
    f.slider->bDecBefore->mouseDown(&f.queue, V(1, 1), SDL_BUTTON_LEFT);
    EXPECT_EQ(f.slider->bDecBefore, f.gui.getMouseCaptured());
    f.slider->setButtonsBefore(none);
    EXPECT_EQ(f.slider, f.gui.getFocused());
    EXPECT_EQ(nullptr, f.gui.getMouseCaptured());
    f.gui.perform(&f.queue, 1000.0f);
}

TEST(SliderReading, AttributesInOrderWithAWarningForEachUndecodableOne) {
    testutil::LogCapture log;
    guitest::Loaded loaded(
        guitest::evaluatorDescription() +
        "<gui name=\"gui\">"
        "<PlainRectStyle name=\"rs\"/><ButtonStyle name=\"bs\"/><ButtonStyle name=\"late\"/>"
        "<Slider_int name=\"s\" width=\"200\" height=\"20\" barStyle=\"rs\" handleStyle=\"bs\" "
        "buttonStyle=\"bs\" orientation=\"sideways\" size=\"-40\" min=\"abc\" max=\"100\" "
        "stepSmall=\"2\" stepLarge=\"x\" buttonsBefore=\"both\" buttonsAfter=\"all\" "
        "value=\"500\" trigger=\"ev.b\"/>"
        "<Slider_float name=\"v\" orientation=\"vertical\" width=\"20\" height=\"200\" "
        "barStyle=\"bs\" min=\"-1.5\" max=\"2.5\" value=\"0.25\" buttonsAfter=\"dec\" "
        "stepLarge=\"0.5\"/>"
        "</gui>");
    std::string text = log.text();
    GUI* gui = loaded.gui();
    auto* s = dynamic_cast<Slider<int>*>((*gui)["s"]);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(findStyle<RectStyle>(gui, "rs"), s->barStyle);
    EXPECT_EQ(findStyle<ButtonStyle>(gui, "bs"), s->handleStyle);
    EXPECT_EQ(horizontal, s->orientation);
    EXPECT_FLOAT_EQ(-40.0f, s->size);
    EXPECT_EQ(0, s->min);
    EXPECT_EQ(100, s->max);
    EXPECT_EQ(2, s->stepSmall);
    EXPECT_EQ(1, s->stepLarge);
    // Not clamped to the range.
    EXPECT_EQ(500, s->value);
    EXPECT_EQ(loaded.trigger("b"), s->trigger);
    ASSERT_NE(nullptr, s->bDecBefore);
    EXPECT_EQ(findStyle<ButtonStyle>(gui, "bs"), s->bDecBefore->getStyle());
    EXPECT_EQ(none, s->buttonsAfter);
    EXPECT_EQ(R(40, 0, 160, 20), s->bar);
    for (char const* line :
         {"(warning) Could not decode value for Slider.orientation: \"sideways\".",
          "(warning) Could not decode value for Slider.min: \"abc\".",
          "(warning) Could not decode value for Slider.stepLarge: \"x\".",
          "(warning) Could not decode value for Slider.buttonsAfter: \"all\"."})
        EXPECT_NE(std::string::npos, text.find(line)) << line;

    auto* v = dynamic_cast<Slider<float>*>((*gui)["v"]);
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(vertical, v->orientation);
    EXPECT_EQ(nullptr, v->barStyle);
    EXPECT_FLOAT_EQ(-1.5f, v->min);
    EXPECT_FLOAT_EQ(2.5f, v->max);
    EXPECT_FLOAT_EQ(0.25f, v->value);
    EXPECT_FLOAT_EQ(0.5f, v->stepLarge);
    ASSERT_NE(nullptr, v->bDecAfter);
    // After the bar means above it: y points up.
    EXPECT_EQ(V(0, 180), v->bDecAfter->getPos());
    EXPECT_EQ(R(0, 0, 20, 180), v->bar);
    v->increase(true);
    EXPECT_FLOAT_EQ(0.75f, v->value);
}
