#include "ravek/src/controls.h"
#include "ravek/src/debug.h"
#include "ravek/src/xml.h"

#include "ravek/tests/sdl_events.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace ravek;

namespace {

using testutil::joyAxis;
using testutil::keyEvent;
using testutil::mouseButton;

// Relative motion only, as the mouse-axis translators read it.
SDL_Event mouseMotion(Sint16 xrel, Sint16 yrel) {
    return testutil::mouseMotion(0, 0, xrel, yrel);
}

std::string xmlOf(xml::Node const* node) {
    return node ? node->toString(0) : "(null)";
}

std::unique_ptr<xml::Node> parse(testutil::TempDir const& dir, std::string const& text) {
    return std::unique_ptr<xml::Node>(xml::loadXML(dir.write("t.xml", text)));
}

class TranslatorTest : public ::testing::Test {
protected:
    // Offers the event and reports whether it was consumed.
    bool offer(SDL_Event const& event) { return evaluator.evaluate(event, &queue); }
    size_t queued() {
        size_t n = queue.triggers.size();
        queue.triggers.clear();
        return n;
    }

    InputEvaluator evaluator;
    ControlQueue queue;
};

} // namespace

TEST_F(TranslatorTest, TwoPressedKeysOfOneTriggerReleaseOnlyByTheLastOneHeld) {
    Trigger* x = new Trigger(&evaluator, 202, "x", "", KS_PRESSED);
    new KeyTranslator(x, SDLK_LEFT, KS_DEFAULT, -1);
    new KeyTranslator(x, SDLK_RIGHT, KS_DEFAULT, 1);
    EXPECT_TRUE(offer(keyEvent(SDL_KEYDOWN, SDLK_LEFT)));
    EXPECT_EQ(-1.0f, x->value);
    EXPECT_TRUE(offer(keyEvent(SDL_KEYDOWN, SDLK_RIGHT)));
    EXPECT_EQ(1.0f, x->value);
    EXPECT_EQ(0u, queued()) << "a press only holds";
    EXPECT_TRUE(offer(keyEvent(SDL_KEYUP, SDLK_LEFT)));
    EXPECT_EQ(1.0f, x->value);
    EXPECT_EQ(1u, evaluator.heldTriggers.count(x));
    EXPECT_EQ(0u, queued());
    EXPECT_TRUE(offer(keyEvent(SDL_KEYUP, SDLK_RIGHT)));
    EXPECT_EQ(0.0f, x->value);
    EXPECT_TRUE(evaluator.heldTriggers.empty());
    EXPECT_EQ(1u, queued());
}

TEST_F(TranslatorTest, DownKeyFiresOnEveryPressAndKeepsItsValue) {
    Trigger* fire = new Trigger(&evaluator, 204, "fire", "", KS_DOWN);
    new KeyTranslator(fire, SDLK_SPACE, KS_DEFAULT, 1);
    EXPECT_TRUE(offer(keyEvent(SDL_KEYDOWN, SDLK_SPACE)));
    EXPECT_FALSE(offer(keyEvent(SDL_KEYUP, SDLK_SPACE)));
    EXPECT_TRUE(fire->isActive());
    EXPECT_TRUE(offer(keyEvent(SDL_KEYDOWN, SDLK_SPACE)));
    EXPECT_EQ(2u, queued());
    EXPECT_FALSE(offer(keyEvent(SDL_KEYDOWN, SDLK_a))) << "another key";
}

TEST_F(TranslatorTest, UpKeyFiresOnReleaseOnly) {
    Trigger* t = new Trigger(&evaluator, 1, "back", "", KS_UP);
    new KeyTranslator(t, SDLK_ESCAPE, KS_DEFAULT, 1);
    EXPECT_FALSE(offer(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE)));
    EXPECT_EQ(0u, queued());
    EXPECT_TRUE(offer(keyEvent(SDL_KEYUP, SDLK_ESCAPE)));
    EXPECT_EQ(1u, queued());
}

TEST_F(TranslatorTest, TranslatorOfStateDefaultTakesTheTriggersDefaultAndZeroNeverFires) {
    Trigger* t = new Trigger(&evaluator, 1, "t", "", KS_UP);
    auto* key = new KeyTranslator(t, SDLK_a, KS_DEFAULT, 1);
    EXPECT_EQ(KS_UP, key->state);
    Trigger* none = new Trigger(&evaluator, 2, "none", "", KS_DEFAULT);
    new KeyTranslator(none, SDLK_b, KS_DEFAULT, 1);
    EXPECT_FALSE(offer(keyEvent(SDL_KEYDOWN, SDLK_b)));
    EXPECT_FALSE(offer(keyEvent(SDL_KEYUP, SDLK_b)));
    EXPECT_FALSE(none->isActive());
}

TEST_F(TranslatorTest, AxisHasADeadZoneScalesLinearlyAndSaturates) {
    Trigger* x = new Trigger(&evaluator, 202, "x", "", 1.0f);
    x->queue = true;
    new JoyAxisTranslator(x, 0, 0, 0, 4000, 30000);
    EXPECT_TRUE(offer(joyAxis(0, 0, 3999)));
    EXPECT_EQ(0.0f, x->value);
    EXPECT_EQ(0u, queued()) << "unchanged value";
    EXPECT_TRUE(offer(joyAxis(0, 0, 17000)));
    EXPECT_FLOAT_EQ(0.5f, x->value);
    EXPECT_TRUE(offer(joyAxis(0, 0, -30000)));
    EXPECT_EQ(-1.0f, x->value);
    EXPECT_TRUE(offer(joyAxis(0, 0, 0)));
    EXPECT_TRUE(offer(joyAxis(0, 0, -32768)));
    EXPECT_EQ(-1.0f, x->value) << "full deflection must not overflow into the dead zone";
    EXPECT_TRUE(offer(joyAxis(0, 0, 32767)));
    EXPECT_EQ(1.0f, x->value);
    EXPECT_EQ(5u, queued());
    EXPECT_FALSE(offer(joyAxis(0, 1, 20000))) << "another axis";
    EXPECT_FALSE(offer(joyAxis(1, 0, 20000))) << "another joystick";
}

TEST_F(TranslatorTest, AxisScalesToTheTriggersMax) {
    Trigger* y = new Trigger(&evaluator, 203, "y", "", 4.0f);
    new JoyAxisTranslator(y, 0, 1, 0, 0, 100);
    offer(joyAxis(0, 1, -25));
    EXPECT_FLOAT_EQ(-1.0f, y->value);
    EXPECT_EQ(0u, queued()) << "axis triggers do not queue by default";
}

TEST_F(TranslatorTest, DirectionalAxisIgnoresTheOtherHalfAndMapsRestToZero) {
    Trigger* right = new Trigger(&evaluator, 202, "right", "", 1.0f);
    new JoyAxisTranslator(right, 0, 0, 1, 4000, 30000);
    EXPECT_TRUE(offer(joyAxis(0, 0, 30000)));
    EXPECT_EQ(1.0f, right->value);
    EXPECT_FALSE(offer(joyAxis(0, 0, -30000)));
    EXPECT_EQ(1.0f, right->value) << "left alone";
    EXPECT_TRUE(offer(joyAxis(0, 0, 0)));
    EXPECT_EQ(0.0f, right->value);
}

TEST_F(TranslatorTest, RepeatedMouseMotionWithTheSameValueQueuesOnce) {
    Trigger* x = new Trigger(&evaluator, 1, "mx", "", 1.0f);
    Trigger* y = new Trigger(&evaluator, 2, "my", "", 1.0f);
    x->queue = y->queue = true;
    new MouseAxisTranslator(x, 0, 0, 0, 10);
    new MouseAxisTranslator(y, 1, -1, 0, 10);
    EXPECT_TRUE(offer(mouseMotion(20, 5)));
    EXPECT_TRUE(offer(mouseMotion(30, 5)));
    EXPECT_EQ(1.0f, x->value);
    EXPECT_EQ(0.0f, y->value) << "downwards is filtered";
    EXPECT_EQ(1u, queued());
    offer(mouseMotion(0, -5));
    EXPECT_EQ(-0.5f, y->value);
}

TEST_F(TranslatorTest, PressedMouseButtonHoldsItsTrigger) {
    Trigger* t = new Trigger(&evaluator, 1, "shield", "", KS_PRESSED);
    new MouseButtonTranslator(t, SDL_BUTTON_RIGHT, KS_DEFAULT, 1);
    EXPECT_FALSE(offer(mouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT)));
    EXPECT_TRUE(offer(mouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT)));
    EXPECT_TRUE(t->isActive());
    EXPECT_EQ(1u, evaluator.heldTriggers.count(t));
    EXPECT_TRUE(offer(mouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT)));
    EXPECT_FALSE(t->isActive());
}

TEST_F(TranslatorTest, TranslatorsRegisterInTheirTriggerAndEvaluatorUntilDeleted) {
    Trigger* t = new Trigger(&evaluator, 1, "t", "", KS_DOWN);
    auto* key = new KeyTranslator(t, SDLK_a, KS_DOWN, 1);
    auto* button = new JoyButtonTranslator(t, 0, 1, KS_DOWN, 1);
    new JoyAxisTranslator(t, 0, 1, 0, 0, 1);
    new MouseButtonTranslator(t, 1, KS_DOWN, 1);
    new MouseAxisTranslator(t, 0, 0, 0, 1);
    EXPECT_EQ(5u, t->translators.size());
    EXPECT_EQ(key, t->translators.front());
    EXPECT_EQ(1u, evaluator.keyTranslators.size());
    EXPECT_EQ(1u, evaluator.mouseAxisTranslators.size());
    delete button;
    EXPECT_EQ(4u, t->translators.size());
    EXPECT_TRUE(evaluator.joyButtonTranslators.empty());
    t->clearTranslators();
    EXPECT_TRUE(t->translators.empty());
    EXPECT_TRUE(evaluator.keyTranslators.empty());
    EXPECT_TRUE(evaluator.joyAxisTranslators.empty());
    EXPECT_TRUE(evaluator.mouseButtonTranslators.empty());
    EXPECT_TRUE(evaluator.mouseAxisTranslators.empty());
}

TEST_F(TranslatorTest, ClearingByValueOrDirectionKeepsTheOthers) {
    Trigger* x = new Trigger(&evaluator, 202, "x", "", 1.0f);
    new KeyTranslator(x, SDLK_LEFT, KS_DEFAULT, -1);
    new KeyTranslator(x, SDLK_RIGHT, KS_DEFAULT, 1);
    new JoyButtonTranslator(x, 0, 4, KS_DEFAULT, -1);
    new JoyButtonTranslator(x, 0, 5, KS_DEFAULT, 1);
    new JoyAxisTranslator(x, 0, 0, -1, 4000, 30000);
    new JoyAxisTranslator(x, 0, 0, 1, 4000, 30000);
    x->clearKeyTranslators(-1);
    x->clearJoyButtonTranslators(-1);
    x->clearJoyAxisTranslators(-1);
    EXPECT_EQ("right", x->keysToString(0));
    EXPECT_EQ("Joy 0; Axis 0 +;Joy 0; Btn 5", x->joyToString(0, 0));
    x->clearJoyAxisTranslators(0);
    x->clearKeyTranslators(0);
    EXPECT_EQ("", x->keysToString(0));
    EXPECT_EQ("Joy 0; Btn 5", x->joyToString(0, 0));
    new MouseButtonTranslator(x, 1, KS_DEFAULT, 1);
    new MouseAxisTranslator(x, 0, 1, 0, 10);
    x->clearMouseButtonTranslators(2);
    x->clearMouseAxisTranslators(-1);
    EXPECT_EQ(3u, x->translators.size());
    x->clearMouseButtonTranslators(0);
    x->clearMouseAxisTranslators(0);
    EXPECT_EQ(1u, x->translators.size());
}

TEST_F(TranslatorTest, LabelsListBindingsByValueAndDirection) {
    Trigger* y = new Trigger(&evaluator, 203, "y", "", 1.0f);
    new KeyTranslator(y, SDLK_UP, KS_DEFAULT, -1);
    new KeyTranslator(y, SDLK_w, KS_DEFAULT, -1);
    new KeyTranslator(y, SDLK_DOWN, KS_DEFAULT, 1);
    new KeyTranslator(y, static_cast<SDLKey>(200), KS_DEFAULT, 1); // no name
    new JoyAxisTranslator(y, 0, 1, -1, 4000, 30000);
    new JoyAxisTranslator(y, 1, 3, 1, 4000, 30000);
    new JoyButtonTranslator(y, -1, 12, KS_DEFAULT, 1);
    EXPECT_EQ("up;w", y->keysToString(-1));
    EXPECT_EQ("down;", y->keysToString(1));
    EXPECT_EQ("up;w;down;", y->keysToString(0));
    EXPECT_EQ("Joy 0; Axis 1 -", y->joyToString(-1, -1));
    EXPECT_EQ("Joy 1; Axis 3 +;Joy -1; Btn 12", y->joyToString(1, 1));
    EXPECT_EQ("Joy 0; Axis 1 -;Joy 1; Axis 3 +;Joy -1; Btn 12", y->joyToString(0, 1));
    EXPECT_EQ("Joy 0; Axis 1 -;Joy 1; Axis 3 +", y->joyAxisToString(0));
    EXPECT_EQ("", y->joyButtonsToString(-1));
    Trigger* pause = new Trigger(&evaluator, 5, "pause", "", KS_DOWN);
    EXPECT_EQ("", pause->joyToString(0, 0));
    new JoyAxisTranslator(pause, 0, 2, 0, 4000, 30000);
    EXPECT_EQ("Joy 0; Axis 2", pause->joyToString(0, 0));
}

TEST_F(TranslatorTest, WrittenElementsHoldNumbersAndOmitDefaults) {
    Trigger* t = new Trigger(&evaluator, 1, "t", "", KS_DOWN);
    new KeyTranslator(t, SDLK_LEFT, KS_DEFAULT, -1);
    new KeyTranslator(t, SDLK_RETURN, KS_PRESSED, 1);
    new JoyButtonTranslator(t, -1, -1, KS_DOWN, 0.5f);
    new JoyButtonTranslator(t, 1, 7, KS_UP, 1);
    new JoyAxisTranslator(t, 1, 1, 0, 4000, 30000);
    new JoyAxisTranslator(t, 0, 3, -1, 0, 1);
    new MouseButtonTranslator(t, 3, KS_DEFAULT, 1);
    new MouseAxisTranslator(t, 1, 1, 2, 20);
    std::unique_ptr<xml::Node> tree(t->buildTranslatorTree());
    EXPECT_EQ("<trigger name=\"t\">\n"
              " <keyTranslator key=\"left\" value=\"-1\"/>\n"
              " <keyTranslator key=\"return\" state=\"pressed\" value=\"1\"/>\n"
              " <joyButtonTranslator button=\"-1\" joy=\"-1\" value=\"0.5\"/>\n"
              " <joyButtonTranslator button=\"7\" joy=\"1\" state=\"up\" value=\"1\"/>\n"
              " <joyAxisTranslator axis=\"1\" joy=\"1\" max=\"30000\" min=\"4000\"/>\n"
              " <joyAxisTranslator axis=\"3\" direction=\"-1\" joy=\"0\" max=\"1\" min=\"0\"/>\n"
              " <mouseButtonTranslator button=\"3\" value=\"1\"/>\n"
              " <mouseAxisTranslator axis=\"1\" direction=\"1\" max=\"20\" min=\"2\"/>\n"
              "</trigger>\n",
              xmlOf(tree.get()));
}

TEST_F(TranslatorTest, KeyWithoutANameIsLeftOutOfTheWrittenTreeWithAWarning) {
    Trigger* t = new Trigger(&evaluator, 1, "fire", "", KS_DOWN);
    new KeyTranslator(t, static_cast<SDLKey>(160), KS_DEFAULT, 1);
    new KeyTranslator(t, SDLK_SPACE, KS_DEFAULT, 1);
    testutil::LogCapture log;
    std::unique_ptr<xml::Node> tree(t->buildTranslatorTree());
    EXPECT_NE(std::string::npos,
              log.text().find("(warning) Key 160 of trigger \"fire\" has no name and is not "
                              "written."));
    EXPECT_EQ("<trigger name=\"fire\">\n <keyTranslator key=\"space\" value=\"1\"/>\n</trigger>\n",
              xmlOf(tree.get()));
}

TEST_F(TranslatorTest, ReadingReplacesTranslatorsAndSkipsOnlyUnknownKeys) {
    testutil::TempDir dir;
    Trigger* t = new Trigger(&evaluator, 1, "t", "", KS_PRESSED);
    new KeyTranslator(t, SDLK_z, KS_DEFAULT, 1);
    auto node = parse(dir, "<trigger>"
                           "<keyTranslator key=\"Left\"/>"
                           "<keyTranslator key=\"left\"/>"
                           "<keyTranslator/>"
                           "<joyButtonTranslator/>"
                           "<joyAxisTranslator/>"
                           "<mouseButtonTranslator button=\"0x2\" state=\"down\" value=\"-1\"/>"
                           "<mouseAxisTranslator axis=\"1\" direction=\"-1\" min=\"3\"/>"
                           "<gamepadTranslator/>"
                           "</trigger>");
    testutil::LogCapture log;
    t->getTranslatorsFromNode(node.get());
    std::string text = log.text();
    EXPECT_NE(std::string::npos, text.find("(warning) Left is no valid key identifier.\n"));
    EXPECT_NE(std::string::npos, text.find("(warning)  is no valid key identifier.\n"));
    ASSERT_EQ(5u, t->translators.size());
    ASSERT_EQ(1u, evaluator.keyTranslators.size());
    KeyTranslator* key = evaluator.keyTranslators.front();
    EXPECT_EQ(SDLK_LEFT, key->key);
    EXPECT_EQ(KS_PRESSED, key->state);
    EXPECT_EQ(1.0f, key->value);
    JoyButtonTranslator* button = evaluator.joyButtonTranslators.front();
    EXPECT_EQ(0, button->joystick);
    EXPECT_EQ(0, button->button);
    JoyAxisTranslator* axis = evaluator.joyAxisTranslators.front();
    EXPECT_EQ(0, axis->axis);
    EXPECT_EQ(0, axis->direction);
    EXPECT_EQ(0, axis->min);
    EXPECT_EQ(1, axis->max);
    MouseButtonTranslator* mouse = evaluator.mouseButtonTranslators.front();
    EXPECT_EQ(2, mouse->button);
    EXPECT_EQ(KS_DOWN, mouse->state);
    EXPECT_EQ(-1.0f, mouse->value);
    MouseAxisTranslator* motion = evaluator.mouseAxisTranslators.front();
    EXPECT_EQ(1, motion->axis);
    EXPECT_EQ(-1, motion->direction);
    EXPECT_EQ(3, motion->min);
}

TEST_F(TranslatorTest, WrittenStateOfTheDefaultReadsBackAsTheSameState) {
    testutil::TempDir dir;
    Trigger* t = new Trigger(&evaluator, 1, "t", "", KS_UP);
    new KeyTranslator(t, SDLK_a, KS_UP, 1);
    new KeyTranslator(t, SDLK_b, KS_DOWN, 1);
    std::unique_ptr<xml::Node> tree(t->buildTranslatorTree());
    std::string written = xmlOf(tree.get());
    EXPECT_EQ(std::string::npos, written.find("state=\"up\""));
    auto node = parse(dir, written);
    t->getTranslatorsFromNode(node.get());
    ASSERT_EQ(2u, evaluator.keyTranslators.size());
    EXPECT_EQ(KS_UP, evaluator.keyTranslators.front()->state);
    EXPECT_EQ(KS_DOWN, evaluator.keyTranslators.back()->state);
}
