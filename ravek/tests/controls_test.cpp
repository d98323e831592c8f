#include "ravek/src/controls.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
    EXPECT_TRUE(queue.offerEvent(activeEvent(SDL_APPACTIVE, 1))); // no gained trigger set
    EXPECT_TRUE(queue.offerEvent(activeEvent(SDL_APPMOUSEFOCUS, 0)));
    Trigger* t = nullptr;
    queue >> t;
    EXPECT_EQ(fakeTrigger(1), t);
    EXPECT_TRUE(queue.isEmpty());
    EXPECT_EQ(3u, offered.size());
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
