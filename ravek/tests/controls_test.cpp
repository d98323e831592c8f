#include "ravek/src/controls.h"
#include "ravek/src/framework.h"
#include "ravek/src/xml.h"

#include "ravek/tests/sdl_events.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace ravek;

namespace {

std::vector<std::string> offered;

// Records what it is offered and consumes the event types it is told to.
class Recorder : public Evaluator {
public:
    Recorder(std::string name, Uint8 consumes) : name(name), consumes(consumes) {}
    bool evaluate(SDL_Event const& event, ControlQueue*) override {
        offered.push_back(name + ":" + std::to_string(event.type));
        return event.type == consumes;
    }
    void flush() override { offered.push_back(name + ":flush"); }
    void perform(float, ControlQueue*) override { offered.push_back(name + ":perform"); }
    std::string name;
    Uint8 consumes;
};

Trigger* fakeTrigger(int i) {
    static char storage[8];
    return reinterpret_cast<Trigger*>(&storage[i]);
}

SDL_Event keyDown() {
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    return event;
}

SDL_Event activeEvent(Uint8 state, Uint8 gain) {
    SDL_Event event = {};
    event.type = SDL_ACTIVEEVENT;
    event.active.state = state;
    event.active.gain = gain;
    return event;
}

class QueueTest : public ::testing::Test {
protected:
    void SetUp() override { offered.clear(); }
};

} // namespace

TEST_F(QueueTest, EventsGoToEvaluatorsInListOrderAndTheFirstConsumerWins) {
    ControlQueue queue;
    Recorder front("front", SDL_KEYDOWN), back("back", SDL_KEYDOWN), idle("idle", 0);
    queue.evaluators.push_front(&back);
    queue.evaluators.push_front(&front);
    queue.evaluators.push_front(&idle);
    idle.active = false;
    queue << keyDown();
    EXPECT_EQ((std::vector<std::string>{"front:2"}), offered);
    SDL_Event up = {};
    up.type = SDL_KEYUP;
    queue << up;
    EXPECT_EQ((std::vector<std::string>{"front:2", "front:3", "back:3"}), offered);
}

TEST_F(QueueTest, FocusChangesQueueTheirTriggersAndAreStillOffered) {
    ControlQueue queue;
    Recorder r("r", 0);
    queue.evaluators.push_back(&r);
    queue.focusLostTrigger = fakeTrigger(1);
    EXPECT_TRUE(queue.offerEvent(activeEvent(SDL_APPINPUTFOCUS, 0)));
    queue.offerEvent(activeEvent(SDL_APPACTIVE, 0));
    queue.offerEvent(activeEvent(SDL_APPINPUTFOCUS | SDL_APPMOUSEFOCUS, 1));
    EXPECT_TRUE(queue.offerEvent(activeEvent(SDL_APPACTIVE, 1))); // no gained trigger set
    EXPECT_TRUE(queue.offerEvent(activeEvent(SDL_APPMOUSEFOCUS, 0)));
    Trigger* t = nullptr;
    queue >> t;
    EXPECT_EQ(fakeTrigger(1), t);
    queue >> t;
    EXPECT_EQ(fakeTrigger(1), t);
    EXPECT_TRUE(queue.isEmpty());
    EXPECT_EQ(5u, offered.size());
}

TEST_F(QueueTest, WithoutEvaluatorsEventsAreDroppedButFocusTriggersQueued) {
    ControlQueue queue;
    queue.focusGainedTrigger = fakeTrigger(2);
    queue.offerEvent(activeEvent(SDL_APPINPUTFOCUS | SDL_APPACTIVE, 1));
    queue.offerEvent(keyDown());
    Trigger* t = nullptr;
    queue >> t;
    EXPECT_EQ(fakeTrigger(2), t);
    queue >> t;
    EXPECT_EQ(nullptr, t);
}

TEST_F(QueueTest, TriggersComeOutOldestFirstAsOftenAsQueued) {
    ControlQueue queue;
    queue << fakeTrigger(1);
    queue << fakeTrigger(2);
    queue << fakeTrigger(1);
    std::vector<Trigger*> out;
    for (Trigger* t = nullptr;;) {
        queue >> t;
        if (!t)
            break;
        out.push_back(t);
    }
    EXPECT_EQ((std::vector<Trigger*>{fakeTrigger(1), fakeTrigger(2), fakeTrigger(1)}), out);
    Trigger* t = fakeTrigger(3);
    queue >> t;
    EXPECT_EQ(nullptr, t);
    EXPECT_TRUE(queue.isEmpty());
}

TEST_F(QueueTest, PerformSkipsInactiveEvaluatorsButFlushReachesAll) {
    ControlQueue queue;
    Recorder a("a", 0), b("b", 0);
    b.active = false;
    queue.evaluators.push_back(&a);
    queue.evaluators.push_back(&b);
    queue << fakeTrigger(0);
    queue.perform(16);
    queue.flush();
    EXPECT_EQ((std::vector<std::string>{"a:perform", "a:flush", "b:flush"}), offered);
    EXPECT_FALSE(queue.isEmpty()) << "flush keeps queued triggers";
}

TEST_F(QueueTest, QuitInTheMiddleIsOfferedToNobodyWhileTheRestIsOfferedInOrder) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE)) << SDL_GetError();
    ControlQueue queue;
    Recorder r("r", 0);
    queue.evaluators.push_back(&r);
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_Event down = keyDown();
    SDL_Event up = {};
    up.type = SDL_KEYUP;
    SDL_PushEvent(&down);
    SDL_PushEvent(&quit);
    SDL_PushEvent(&up);
    EXPECT_FALSE(queue.readEvents());
    EXPECT_EQ((std::vector<std::string>{"r:2", "r:3"}), offered);
    EXPECT_TRUE(queue.readEvents());
    SDL_Quit();
}

// ---- Triggers ----

TEST(Trigger, AxisAndButtonConstructorsGiveTheirDefaults) {
    InputEvaluator evaluator;
    Trigger* axis = new Trigger(&evaluator, 202, "x", "Steer", 2.5f);
    Trigger* button = new Trigger(&evaluator, 204, "fire", "Fire", KS_DOWN);
    EXPECT_EQ(&evaluator, axis->bank);
    EXPECT_EQ(2.5f, axis->max);
    EXPECT_EQ(KS_PRESSED, axis->defaultKeyState);
    EXPECT_FALSE(axis->queue);
    EXPECT_EQ(1.0f, button->max);
    EXPECT_EQ(KS_DOWN, button->defaultKeyState);
    EXPECT_TRUE(button->queue);
    EXPECT_EQ(0, button->data);
    EXPECT_FALSE(button->isActive());
    EXPECT_EQ(button, evaluator.resources["fire"]);
    EXPECT_EQ(2, evaluator.size());
}

TEST(Trigger, NamesakeReplacesTheOldTriggerWithItsTranslators) {
    InputEvaluator evaluator;
    Trigger* old = new Trigger(&evaluator, 1, "fire", "", KS_DOWN);
    new KeyTranslator(old, SDLK_SPACE, KS_DEFAULT, 1);
    Trigger* successor = new Trigger(&evaluator, 2, "fire", "", KS_DOWN);
    EXPECT_EQ(1, evaluator.size());
    EXPECT_EQ(successor, evaluator.resources["fire"]);
    EXPECT_TRUE(evaluator.keyTranslators.empty());
}

TEST(Trigger, UnchangedValueAndClearedQueueFlagQueueNothing) {
    ControlQueue queue;
    Trigger trigger(nullptr, 1, "t", "", KS_DOWN);
    trigger.setValue(&queue, nullptr, 0);
    EXPECT_TRUE(queue.isEmpty());
    trigger.setValue(&queue, nullptr, 0.5f);
    EXPECT_EQ(0.5f, trigger.value);
    EXPECT_EQ(1u, queue.triggers.size());
    trigger.queue = false;
    trigger.trigger(&queue);
    trigger.trigger(&queue, nullptr, 1);
    EXPECT_EQ(1.0f, trigger.value);
    EXPECT_EQ(1u, queue.triggers.size());
    trigger.reset();
    EXPECT_FALSE(trigger.isActive());
}

TEST(Trigger, CloneLivesInTheOtherEvaluatorWithItsOwnTranslatorsAndNoValue) {
    InputEvaluator source, target;
    Trigger* original = new Trigger(&source, 204, "fire", "Fire", KS_UP);
    original->data = 1;
    original->dataString = "p1";
    original->queue = false;
    original->value = 1;
    new KeyTranslator(original, SDLK_a, KS_DEFAULT, 1);
    new JoyButtonTranslator(original, 0, 2, KS_PRESSED, -1);
    Trigger* copy = original->clone(&target);
    EXPECT_EQ(copy, target.resources["fire"]);
    EXPECT_EQ(&target, copy->bank);
    EXPECT_EQ(204, copy->code);
    EXPECT_EQ("Fire", copy->description);
    EXPECT_EQ(1, copy->data);
    EXPECT_EQ("p1", copy->dataString);
    EXPECT_FALSE(copy->queue);
    EXPECT_EQ(KS_UP, copy->defaultKeyState);
    EXPECT_EQ(0.0f, copy->value);
    EXPECT_EQ("a", copy->keysToString(0));
    EXPECT_EQ("Joy 0; Btn 2", copy->joyToString(0, 0));
    EXPECT_EQ(1u, target.keyTranslators.size());
    EXPECT_EQ(1u, target.joyButtonTranslators.size());
    copy->clearKeyTranslators(0);
    EXPECT_EQ("a", original->keysToString(0));
    EXPECT_EQ(1u, source.keyTranslators.size());
}

TEST(Trigger, StateWordsConvertExactlyAndUnknownOnesAreDefault) {
    EXPECT_EQ(KS_DOWN, strTo<KeyState>("down"));
    EXPECT_EQ(KS_UP, strTo<KeyState>("up"));
    EXPECT_EQ(KS_PRESSED, strTo<KeyState>("pressed"));
    EXPECT_EQ(KS_DEFAULT, strTo<KeyState>("Down"));
    EXPECT_EQ(KS_DEFAULT, strTo<KeyState>(""));
    EXPECT_EQ("pressed", toStr<KeyState>(KS_PRESSED));
    EXPECT_EQ("default", toStr<KeyState>(static_cast<KeyState>(7)));
}

TEST(Trigger, DeletedWhileQueuedInTheGlobalQueueLeavesNothingBehind) {
    InputEvaluator evaluator;
    Trigger* doomed = new Trigger(&evaluator, 1, "pause", "", KS_DOWN);
    Trigger* kept = new Trigger(&evaluator, 2, "fire", "", KS_DOWN);
    ravek::queue << doomed;
    ravek::queue << kept;
    ravek::queue << doomed;
    ravek::queue.focusLostTrigger = doomed;
    delete doomed;
    EXPECT_EQ(nullptr, ravek::queue.focusLostTrigger);
    Trigger* t = nullptr;
    ravek::queue >> t;
    EXPECT_EQ(kept, t);
    EXPECT_TRUE(ravek::queue.isEmpty());
}

// ---- The main loop ----

namespace {

class ReceivingState : public ApplicationState {
public:
    void handleEvent(Trigger const* trigger) override { received.push_back(trigger); }
    void doPerform(int, unsigned int) override {}
    void doDraw(int) override {}
    std::vector<Trigger const*> received;
};

} // namespace

TEST(MainLoop, RealKeyEventReachesTheCurrentStateAsTheBoundTrigger) {
    testutil::TempDir dir;
    dir.write("resources.xml", "<resources><inputEvaluator name=\"keys\">"
                               "<trigger code=\"2\" name=\"confirm\">"
                               "<keyTranslator key=\"return\"/></trigger>"
                               "</inputEvaluator></resources>");
    ResourceManager manager;
    manager.load(dir.file("resources.xml"), "");
    auto* keys = dynamic_cast<InputEvaluator*>(manager.banks["keys"]);
    ASSERT_NE(nullptr, keys);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE)) << SDL_GetError();
    // Deleting an application ends the process, so this one stays for good.
    static Application* app = new Application;
    app->controlQueue = &ravek::queue;
    ravek::queue.evaluators.push_front(keys);
    ReceivingState state;
    state.activate();
    SDL_Event press = {};
    press.type = SDL_KEYDOWN;
    press.key.state = SDL_PRESSED;
    press.key.keysym.sym = SDLK_RETURN;
    ASSERT_EQ(0, SDL_PushEvent(&press));
    app->perform(10);
    ASSERT_EQ(1u, state.received.size());
    EXPECT_EQ(keys->resources["confirm"], state.received[0]);
    EXPECT_EQ(2, state.received[0]->code);
    state.deactivate();
    ravek::queue.evaluators.remove(keys);
    delete keys;
    SDL_Quit();
}

// Triggers queued before the frame (A, B) follow the events' own, each event's before the next
// event is offered, however the handlers delete queued triggers meanwhile: key a queues D and
// E, key b queues F, and D's handler deletes one of them.
TEST(MainLoop, EachEventsTriggersGoFirstWhicheverQueuedTriggerIsDeleted) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE)) << SDL_GetError();
    // Deleting an application ends the process, so this one stays for good.
    static Application* app = new Application;
    app->controlQueue = &ravek::queue;

    struct Keys : Evaluator {
        std::map<SDLKey, std::vector<Trigger*>> queues;
        bool evaluate(SDL_Event const& event, ControlQueue* queue) override {
            for (Trigger* trigger : queues[event.key.keysym.sym])
                *queue << trigger;
            return true;
        }
    } keys;
    struct Recording : ApplicationState {
        std::string received;
        std::map<char, Trigger*> triggers;
        char deletedByD = 0;
        void handleEvent(Trigger const* trigger) override {
            received += trigger->name;
            if (trigger->name == "D" && deletedByD)
                delete triggers[deletedByD];
        }
        void doPerform(int, unsigned int) override {}
        void doDraw(int) override {}
    };
    ravek::queue.evaluators.push_front(&keys);
    for (auto [deleted, expected] : {std::pair{'A', "DEFB"}, {'B', "DEFA"}, {'E', "DFAB"}}) {
        Recording state;
        for (char name : std::string("ABDEF"))
            state.triggers[name] = new Trigger(nullptr, 1, std::string(1, name), "", KS_DEFAULT);
        state.deletedByD = deleted;
        keys.queues = {{SDLK_a, {state.triggers['D'], state.triggers['E']}},
                       {SDLK_b, {state.triggers['F']}}};
        state.activate();
        ravek::queue << state.triggers['A'];
        ravek::queue << state.triggers['B'];
        for (SDLKey key : {SDLK_a, SDLK_b}) {
            SDL_Event press = testutil::keyDown(key);
            ASSERT_EQ(0, SDL_PushEvent(&press));
        }
        app->handleEvents(&ravek::queue);
        EXPECT_EQ(expected, state.received) << "D deleted " << deleted;
        EXPECT_TRUE(ravek::queue.triggers.empty() && ravek::queue.heldBack.empty());
        state.deactivate();
        state.triggers.erase(deleted);
        for (auto& entry : state.triggers)
            delete entry.second;
    }
    ravek::queue.evaluators.remove(&keys);
    SDL_Quit();
}
