#include "ravek/src/controls.h"
#include "ravek/src/xml.h"

#include "ravek/tests/sdl_events.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace ravek;

namespace {

using testutil::joyAxis;
using testutil::joyButton;
using testutil::keyEvent;

std::vector<Trigger*> drain(ControlQueue& queue) {
    std::vector<Trigger*> out;
    for (Trigger* t = nullptr;;) {
        queue >> t;
        if (!t)
            return out;
        out.push_back(t);
    }
}

// A player's evaluator as the game describes it.
char const* const playerDescription =
    "<inputEvaluator>"
    " <axis code=\"202\" name=\"x\" description=\"Steer\" max=\"1.5\" data=\"3\">"
    "  <keyTranslator key=\"left\" value=\"-1\"/><keyTranslator key=\"right\" value=\"1\"/>"
    "  <joyAxisTranslator joy=\"0\" axis=\"0\" direction=\"-1\" min=\"4000\" max=\"30000\"/>"
    "  <joyAxisTranslator joy=\"0\" axis=\"0\" direction=\"1\" min=\"4000\" max=\"30000\"/>"
    " </axis>"
    " <trigger code=\"204\" name=\"fire\" description=\"Fire\" dataString=\"pew\">"
    "  <keyTranslator key=\"space\"/><joyButtonTranslator joy=\"-1\" button=\"0\"/>"
    "  <mouseButtonTranslator button=\"1\"/>"
    " </trigger>"
    " <trigger code=\"205\" name=\"shield\" defaultKeyState=\"pressed\" queue=\"false\">"
    "  <keyTranslator key=\"lctrl\"/><mouseAxisTranslator axis=\"1\" max=\"10\"/>"
    " </trigger>"
    " <trigger code=\"1\" name=\"pause\" defaultKeyState=\"sometimes\">"
    "  <keyTranslator key=\"p\"/>"
    " </trigger>"
    " <joystick name=\"ignored\"/>"
    "</inputEvaluator>";

class EvaluatorTest : public ::testing::Test {
protected:
    void load(InputEvaluator& into, std::string const& text) {
        into.load(dir.write("evaluator.xml", text), "");
    }
    std::string translatorsOf(InputEvaluator& evaluator) {
        xml::Node root("controls", nullptr);
        evaluator.addTranslatorsToTree(&root);
        return root.toString(0);
    }

    testutil::TempDir dir;
    ControlQueue queue;
};

} // namespace

TEST_F(EvaluatorTest, DescriptionGivesTriggersTheirAttributesAndDefaults) {
    InputEvaluator evaluator;
    load(evaluator, playerDescription);
    ASSERT_EQ(4, evaluator.size());
    Trigger* x = evaluator.resources["x"];
    EXPECT_EQ(202, x->code);
    EXPECT_EQ("Steer", x->description);
    EXPECT_EQ(1.5f, x->max);
    EXPECT_EQ(3, x->data);
    EXPECT_FALSE(x->queue);
    EXPECT_EQ(KS_PRESSED, x->defaultKeyState);
    Trigger* fire = evaluator.resources["fire"];
    EXPECT_TRUE(fire->queue);
    EXPECT_EQ(KS_DOWN, fire->defaultKeyState);
    EXPECT_EQ("pew", fire->dataString);
    EXPECT_EQ(1.0f, fire->max);
    Trigger* shield = evaluator.resources["shield"];
    EXPECT_FALSE(shield->queue);
    auto* lctrl = dynamic_cast<KeyTranslator*>(shield->translators.front());
    ASSERT_NE(nullptr, lctrl);
    EXPECT_EQ(KS_PRESSED, lctrl->state) << "the default key state is read before the translators";
    Trigger* pause = evaluator.resources["pause"];
    EXPECT_EQ(KS_DEFAULT, pause->defaultKeyState);
    EXPECT_FALSE(evaluator.evaluate(keyEvent(SDL_KEYDOWN, SDLK_p), &queue))
        << "an unknown state word gives a binding that never fires";
    EXPECT_EQ(5u, evaluator.keyTranslators.size());
    EXPECT_EQ(2u, evaluator.joyAxisTranslators.size());
    EXPECT_EQ(1u, evaluator.joyButtonTranslators.size());
    EXPECT_EQ(1u, evaluator.mouseButtonTranslators.size());
    EXPECT_EQ(1u, evaluator.mouseAxisTranslators.size());
}

TEST_F(EvaluatorTest, LaterDescriptionAddsTriggersAndReplacesNamesakes) {
    InputEvaluator evaluator;
    load(evaluator, playerDescription);
    load(evaluator, "<inputEvaluator><trigger name=\"fire\" code=\"9\"/>"
                    "<trigger name=\"extra\"/></inputEvaluator>");
    EXPECT_EQ(5, evaluator.size());
    EXPECT_EQ(9, evaluator.resources["fire"]->code);
    EXPECT_TRUE(evaluator.joyButtonTranslators.empty());
    EXPECT_TRUE(evaluator.mouseButtonTranslators.empty());
}

TEST_F(EvaluatorTest, EvaluatorWithoutTriggersConsumesNothing) {
    InputEvaluator evaluator;
    EXPECT_EQ("inputEvaluator", evaluator.getNodeName());
    EXPECT_FALSE(evaluator.evaluate(keyEvent(SDL_KEYDOWN, SDLK_SPACE), &queue));
    load(evaluator, playerDescription);
    SDL_Event other = {};
    other.type = SDL_VIDEORESIZE;
    EXPECT_FALSE(evaluator.evaluate(other, &queue));
    EXPECT_TRUE(evaluator.evaluate(keyEvent(SDL_KEYDOWN, SDLK_SPACE), &queue));
}

TEST_F(EvaluatorTest, HeldTriggersQueueEveryFrameWhateverTheirFlagUntilFlushed) {
    InputEvaluator evaluator;
    load(evaluator, playerDescription);
    Trigger* shield = evaluator.resources["shield"];
    queue.evaluators.push_back(&evaluator);
    queue << keyEvent(SDL_KEYDOWN, SDLK_LCTRL);
    EXPECT_TRUE(queue.isEmpty());
    queue.perform(10);
    queue.perform(10);
    EXPECT_EQ((std::vector<Trigger*>{shield, shield}), drain(queue));
    queue.flush();
    EXPECT_FALSE(shield->isActive());
    EXPECT_TRUE(evaluator.heldTriggers.empty());
    queue.perform(10);
    EXPECT_TRUE(queue.isEmpty()) << "flush queues nothing";
}

TEST_F(EvaluatorTest, ExactJoystickButtonWinsOverWildcards) {
    InputEvaluator evaluator;
    Trigger* any = new Trigger(&evaluator, 1, "any", "", KS_DOWN);
    Trigger* exact = new Trigger(&evaluator, 2, "exact", "", KS_DOWN);
    new JoyButtonTranslator(any, -1, 3, KS_DEFAULT, 1);
    new JoyButtonTranslator(exact, 1, 3, KS_DEFAULT, 1);
    EXPECT_TRUE(evaluator.evaluate(joyButton(SDL_JOYBUTTONDOWN, 1, 3), &queue));
    EXPECT_EQ((std::vector<Trigger*>{exact}), drain(queue));
    EXPECT_TRUE(evaluator.evaluate(joyButton(SDL_JOYBUTTONDOWN, 0, 3), &queue));
    EXPECT_EQ((std::vector<Trigger*>{any}), drain(queue));
    EXPECT_FALSE(evaluator.evaluate(joyButton(SDL_JOYBUTTONDOWN, 1, 4), &queue));
}

TEST_F(EvaluatorTest, OnlyTheLastWildcardThatFitsFires) {
    InputEvaluator evaluator;
    Trigger* first = new Trigger(&evaluator, 1, "first", "", KS_DOWN);
    Trigger* second = new Trigger(&evaluator, 2, "second", "", KS_DOWN);
    Trigger* released = new Trigger(&evaluator, 3, "third", "", KS_UP);
    new JoyButtonTranslator(first, -1, 3, KS_DEFAULT, 1);
    new JoyButtonTranslator(second, 1, -1, KS_DEFAULT, 1);
    new JoyButtonTranslator(released, -1, -1, KS_DEFAULT, 1); // does not fit a press
    EXPECT_TRUE(evaluator.evaluate(joyButton(SDL_JOYBUTTONDOWN, 1, 3), &queue));
    EXPECT_EQ((std::vector<Trigger*>{second}), drain(queue));
    EXPECT_TRUE(evaluator.evaluate(joyButton(SDL_JOYBUTTONUP, 1, 3), &queue));
    EXPECT_EQ((std::vector<Trigger*>{released}), drain(queue));
}

TEST_F(EvaluatorTest, JoystickAxisOfAnyJoystickNeverFires) {
    InputEvaluator evaluator;
    Trigger* x = new Trigger(&evaluator, 202, "x", "", 1.0f);
    new JoyAxisTranslator(x, -1, 0, 0, 0, 100);
    EXPECT_FALSE(evaluator.evaluate(joyAxis(0, 0, 100), &queue));
    EXPECT_FALSE(x->isActive());
}

TEST_F(EvaluatorTest, TranslatorTreeReadsBackIntoTheSameBindings) {
    InputEvaluator evaluator;
    load(evaluator, playerDescription);
    Trigger* x = evaluator.resources["x"];
    new JoyButtonTranslator(x, 1, 9, KS_UP, -1);
    new KeyTranslator(evaluator.resources["pause"], SDLK_RIGHTBRACKET, KS_DOWN, 1);
    std::string written = translatorsOf(evaluator);
    xml::Node root("controls", nullptr);
    evaluator.addTranslatorsToTree(&root);
    ASSERT_TRUE(root.saveXML(dir.file("settings.xml").c_str()));
    for (auto const& entry : evaluator.resources)
        entry.second->clearTranslators();
    std::unique_ptr<xml::Node> read(xml::loadXML(dir.file("settings.xml")));
    evaluator.getTranslatorsFromNode(read.get());
    EXPECT_EQ(written, translatorsOf(evaluator));
    EXPECT_NE(std::string::npos, written.find("<trigger name=\"shield\">"));
    EXPECT_NE(std::string::npos, written.find("key=\"}\""));
    EXPECT_EQ("left", x->keysToString(-1));
    EXPECT_EQ("Joy 0; Axis 0 -;Joy 1; Btn 9", x->joyToString(-1, -1));
}

TEST_F(EvaluatorTest, TranslatorListSkipsUnknownTriggersAndKeepsUnnamedOnes) {
    InputEvaluator evaluator;
    load(evaluator, playerDescription);
    std::unique_ptr<xml::Node> controls(xml::loadXML(dir.write(
        "controls.xml", "<controls><trigger name=\"fire\"><keyTranslator key=\"f\"/></trigger>"
                        "<trigger name=\"nuke\"><keyTranslator key=\"n\"/></trigger>"
                        "<axis name=\"x\"/><binding name=\"shield\"/></controls>")));
    evaluator.getTranslatorsFromNode(controls.get());
    EXPECT_EQ("f", evaluator.resources["fire"]->keysToString(0));
    EXPECT_EQ(1u, evaluator.resources["fire"]->translators.size());
    EXPECT_TRUE(evaluator.resources["x"]->translators.empty());
    EXPECT_EQ("lctrl", evaluator.resources["shield"]->keysToString(0));
    EXPECT_EQ(4, evaluator.size());
}

TEST_F(EvaluatorTest, CloneIsIndependentUntilCopiedBack) {
    InputEvaluator evaluator;
    load(evaluator, playerDescription);
    evaluator.active = false;
    std::unique_ptr<InputEvaluator> copy(evaluator.clone());
    EXPECT_TRUE(copy->active);
    EXPECT_EQ(nullptr, copy->manager);
    EXPECT_EQ(translatorsOf(evaluator), translatorsOf(*copy));
    Trigger* fire = copy->resources["fire"];
    fire->clearKeyTranslators(0);
    new KeyTranslator(fire, SDLK_RETURN, KS_DEFAULT, 1);
    EXPECT_EQ("space", evaluator.resources["fire"]->keysToString(0));
    evaluator.copyFrom(copy.get());
    EXPECT_EQ("return", evaluator.resources["fire"]->keysToString(0));
    EXPECT_EQ(translatorsOf(*copy), translatorsOf(evaluator));
}

TEST_F(EvaluatorTest, CopyFromKeepsTriggersThatOthersHold) {
    InputEvaluator evaluator;
    load(evaluator, playerDescription);
    Trigger* x = evaluator.resources["x"];
    Trigger* shield = evaluator.resources["shield"];
    evaluator.evaluate(keyEvent(SDL_KEYDOWN, SDLK_LCTRL), &queue);
    ASSERT_TRUE(shield->isActive());
    new Trigger(&evaluator, 7, "local", "", KS_DOWN);

    InputEvaluator edited;
    load(edited, playerDescription);
    Trigger* editedX = edited.resources["x"];
    editedX->clearKeyTranslators(-1);
    new KeyTranslator(editedX, SDLK_a, KS_DEFAULT, -1);
    editedX->data = 1;
    edited.resources["shield"]->description = "Shield";
    new Trigger(&edited, 8, "warp", "", KS_DOWN);

    evaluator.copyFrom(&edited);
    EXPECT_EQ(x, evaluator.resources["x"]);
    EXPECT_EQ("a", x->keysToString(-1)) << "the cached pointer carries the new binding";
    EXPECT_EQ("right", x->keysToString(1));
    EXPECT_EQ(1, x->data);
    EXPECT_EQ(shield, evaluator.resources["shield"]);
    EXPECT_EQ("Shield", shield->description);
    EXPECT_FALSE(shield->isActive());
    EXPECT_TRUE(evaluator.heldTriggers.empty());
    EXPECT_EQ(0u, evaluator.resources.count("local"));
    ASSERT_EQ(1u, evaluator.resources.count("warp"));
    EXPECT_NE(edited.resources["warp"], evaluator.resources["warp"]);
    EXPECT_EQ(translatorsOf(edited), translatorsOf(evaluator));
    EXPECT_EQ(edited.keyTranslators.size(), evaluator.keyTranslators.size());
    EXPECT_TRUE(evaluator.evaluate(keyEvent(SDL_KEYDOWN, SDLK_a), &queue));
    EXPECT_EQ(-1.0f, x->value);
    EXPECT_FALSE(evaluator.evaluate(keyEvent(SDL_KEYDOWN, SDLK_LEFT), &queue));
}

TEST_F(EvaluatorTest, CopyFromItselfChangesNothing) {
    InputEvaluator evaluator;
    load(evaluator, playerDescription);
    Trigger* fire = evaluator.resources["fire"];
    std::string before = translatorsOf(evaluator);
    evaluator.copyFrom(&evaluator);
    EXPECT_EQ(fire, evaluator.resources["fire"]);
    EXPECT_EQ(before, translatorsOf(evaluator));
}

TEST_F(EvaluatorTest, ResourceDescriptionMakesInputEvaluatorBanks) {
    dir.write("resources.xml", "<resources><inputEvaluator name=\"core\">"
                               "<trigger code=\"5\" name=\"pause\"/></inputEvaluator>"
                               "</resources>");
    ResourceManager manager;
    manager.load(dir.file("resources.xml"), "");
    auto* core = dynamic_cast<InputEvaluator*>(manager.banks["core"]);
    ASSERT_NE(nullptr, core);
    EXPECT_EQ(&manager, core->manager);
    EXPECT_EQ(5, core->resources["pause"]->code);
    EXPECT_EQ(nullptr, resourceBankGenerator.generateBank("InputEvaluator"));
    delete core;
}

TEST(InputEvaluatorSize, ManyTranslatorsAreReadClearedAndDeletedInLinearTime) {
    // One trigger with very many bindings, and many triggers with a few each.
    std::string many = "<inputEvaluator><trigger name='t'>";
    for (int i = 0; i < 25000; ++i)
        many += "<keyTranslator key='a'/><joyButtonTranslator button='1'/>"
                "<joyAxisTranslator axis='1'/><mouseButtonTranslator button='1'/>";
    many += "</trigger>";
    for (int i = 0; i < 20000; ++i)
        many += "<trigger name='u" + std::to_string(i) +
                "'><keyTranslator key='b'/><joyAxisTranslator/></trigger>";
    many += "</inputEvaluator>";
    testutil::TempDir dir;
    std::unique_ptr<xml::Node> root(xml::loadXML(dir.write("e.xml", many)));
    ASSERT_TRUE(root);
    double started = testutil::threadSeconds();
    {
        InputEvaluator evaluator;
        evaluator.getFromNode(root.get(), "");
        EXPECT_EQ(140000u, evaluator.keyTranslators.size() + evaluator.joyAxisTranslators.size() +
                               evaluator.joyButtonTranslators.size() +
                               evaluator.mouseButtonTranslators.size());
        evaluator.resources["t"]->clearTranslators();
        EXPECT_EQ(20000u, evaluator.keyTranslators.size());
        std::unique_ptr<InputEvaluator> copy(evaluator.clone());
        EXPECT_EQ(20001u, copy->resources.size());
    }
    EXPECT_LT(testutil::threadSeconds() - started, 10.0);
}
