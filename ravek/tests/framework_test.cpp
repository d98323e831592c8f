#include "ravek/src/controls.h"
#include "ravek/src/framework.h"
#include "ravek/src/ravek.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ravek;

namespace {

// Applications end the process when deleted, so the runner keeps them for good.
template <typename A>
A* keepApplication() {
    static auto* kept = new std::vector<Application*>; // reachable until the very end
    A* app = new A;
    kept->push_back(app);
    return app;
}

std::vector<std::string> journal;

class RecordingState : public ApplicationState {
public:
    explicit RecordingState(std::string name, int layers = 3) : name(name) {
        performLayers = layers;
        drawLayers = layers;
    }
    ~RecordingState() override {
        journal.push_back(name + " deleted");
        if (successor)
            successor->activate();
    }
    void handleEvent(Trigger const* trigger) override {
        triggers.push_back(trigger);
        journal.push_back(name + " trigger");
    }
    void doPerform(int layer, unsigned int ms) override {
        performed.push_back(ms);
        journal.push_back(name + " perform " + std::to_string(layer));
        if (layer == deleteInLayer)
            deleteRequested = true;
    }
    void doDraw(int layer) override { journal.push_back(name + " draw " + std::to_string(layer)); }

    std::string name;
    std::vector<unsigned int> performed;
    std::vector<Trigger const*> triggers;
    int deleteInLayer = -1;
    ApplicationState* successor = nullptr;
};

// Triggers are only passed around by the loop; any distinct addresses stand in for them.
Trigger* fakeTrigger(int i) {
    static char storage[16];
    return reinterpret_cast<Trigger*>(&storage[i]);
}

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        journal.clear();
        SDL_Init(SDL_INIT_TIMER);
    }
};

} // namespace

TEST_F(FrameworkTest, RunWithoutACurrentStateReturnsAtOnce) {
    Application* app = keepApplication<Application>();
    EXPECT_EQ(app, application);
    app->run();
    EXPECT_TRUE(journal.empty());
}

TEST_F(FrameworkTest, FrameHandsTriggersThenPerformsThenDrawsLayersInOrder) {
    Application* app = keepApplication<Application>();
    ControlQueue queue;
    app->controlQueue = &queue;
    RecordingState state("s", 2);
    state.activate();
    queue << fakeTrigger(1);
    queue << fakeTrigger(1);
    app->perform(16);
    EXPECT_EQ((std::vector<std::string>{"s trigger", "s trigger", "s perform 0", "s perform 1",
                                        "s draw 0", "s draw 1"}),
              journal);
    EXPECT_EQ(2u, state.triggers.size());
    EXPECT_TRUE(queue.isEmpty());
    state.deactivate();
}

TEST_F(FrameworkTest, LimitedFrameIsCappedAtTheMaximum) {
    auto* app = keepApplication<FrameRateLimitedApplication>();
    EXPECT_EQ(0u, app->maxFrameTime);
    EXPECT_EQ(0u, app->minFrameTime);
    app->maxFrameTime = 100;
    RecordingState state("s", 1);
    state.activate();
    app->perform(250);
    app->perform(100);
    app->maxFrameTime = 0;
    app->perform(5000);
    EXPECT_EQ((std::vector<unsigned int>{100, 100, 5000}), state.performed);
}

TEST_F(FrameworkTest, ShortFrameSleepsUpToTheMinimumAndCountsTheSleep) {
    auto* app = keepApplication<FrameRateLimitedApplication>();
    app->minFrameTime = 10;
    RecordingState state("s", 1);
    state.activate();
    getElapsedTicks();
    unsigned int before = getCurrentTicks();
    app->perform(3);
    unsigned int slept = getCurrentTicks() - before;
    ASSERT_EQ(1u, state.performed.size());
    EXPECT_GE(slept, 7u);
    EXPECT_GE(state.performed[0], 3u + 7u);
    app->perform(10);
    EXPECT_EQ(10u, state.performed[1]);
}

TEST_F(FrameworkTest, DeleteRequestInTheFirstLayerSkipsTheRestAndTheDraw) {
    Application* app = keepApplication<Application>();
    auto* state = new RecordingState("s", 3);
    state->deleteInLayer = 0;
    state->activate();
    app->perform(10);
    EXPECT_EQ((std::vector<std::string>{"s perform 0", "s deleted"}), journal);
    EXPECT_EQ(nullptr, app->currentState);
}

TEST_F(FrameworkTest, DeletedStatesSuccessorIsDrawnInTheSameFrame) {
    Application* app = keepApplication<Application>();
    RecordingState next("next", 1);
    auto* state = new RecordingState("s", 2);
    state->deleteInLayer = 1;
    state->successor = &next;
    state->activate();
    app->perform(10);
    EXPECT_EQ((std::vector<std::string>{"s perform 0", "s perform 1", "s deleted", "next draw 0"}),
              journal);
    next.deactivate();
}

TEST_F(FrameworkTest, StateMarkedForDeletionGoesAtItsNextPerform) {
    Application* app = keepApplication<Application>();
    auto* state = new RecordingState("s", 1);
    state->deleteRequested = true;
    state->activate();
    app->perform(10);
    EXPECT_EQ((std::vector<std::string>{"s deleted"}), journal);
}

TEST_F(FrameworkTest, ActivatingDeactivatesThePreviousAndDestroyingTheCurrentClearsIt) {
    Application* app = keepApplication<Application>();
    RecordingState a("a"), b("b");
    a.activate();
    b.activate();
    EXPECT_EQ(&b, app->currentState);
    a.deactivate();
    EXPECT_EQ(&b, app->currentState) << "deactivating a state that is not current does nothing";
    {
        RecordingState c("c");
        c.activate();
    }
    EXPECT_EQ(nullptr, app->currentState);
}

TEST_F(FrameworkTest, FixedStepsRunWholeStepsAndDrawOnce) {
    auto* app = keepApplication<FixedRateApplication>();
    EXPECT_EQ(100u, app->stepTime);
    RecordingState state("s", 1);
    state.activate();
    app->perform(250);
    EXPECT_EQ((std::vector<unsigned int>{100, 100}), state.performed);
    EXPECT_EQ(50u, app->accumulatedTime);
    EXPECT_EQ(1, std::count(journal.begin(), journal.end(), "s draw 0"));
    app->perform(49);
    EXPECT_EQ(2u, state.performed.size());
    app->perform(1);
    EXPECT_EQ(3u, state.performed.size());
}

TEST_F(FrameworkTest, FixedStepOfZeroStillEnds) {
    auto* app = keepApplication<FixedRateApplication>();
    app->stepTime = 0;
    RecordingState state("s", 1);
    state.activate();
    app->perform(30);
    EXPECT_EQ((std::vector<unsigned int>{30}), state.performed);
    EXPECT_EQ(0u, app->accumulatedTime);
}

TEST(FrameRate, AveragesOverTheResolutionAndKeepsTheRateForAnEmptySample) {
    fpsResolution = 1;
    calcFPS(1000); // leaves the sample empty
    fpsResolution = 10;
    for (int i = 0; i < 9; ++i)
        calcFPS(20);
    EXPECT_EQ(50, calcFPS(20));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(50, calcFPS(0));
    EXPECT_EQ(50, calcFPS(0)) << "a whole sample of 0 ms keeps the previous rate";
    for (int i = 0; i < 9; ++i)
        calcFPS(33);
    EXPECT_EQ(30, calcFPS(33));
}

TEST(ElapsedTicks, MeasuresSinceThePreviousCall) {
    SDL_Init(SDL_INIT_TIMER);
    // Each call is bracketed by the clock: however long the machine keeps the test waiting,
    // the time since the previous call lies between the brackets.
    Uint32 before[3], after[3];
    unsigned int elapsed[3];
    for (int i = 0; i < 3; ++i) {
        if (i == 1)
            SDL_Delay(20);
        before[i] = SDL_GetTicks();
        elapsed[i] = getElapsedTicks();
        after[i] = SDL_GetTicks();
    }
    for (int i = 1; i < 3; ++i) {
        EXPECT_GE(elapsed[i], before[i] - after[i - 1]) << i;
        EXPECT_LE(elapsed[i], after[i] - before[i - 1]) << i;
    }
    EXPECT_GE(elapsed[1], 20u);
}

namespace {

class CountingCallback : public BackgroundTaskCallback {
public:
    void onStart(BackgroundTask*) override { journal.push_back("start"); }
    void onFinish(BackgroundTask*) override { journal.push_back("finish"); }
};

class Task : public BackgroundTask {
public:
    Task(BackgroundTaskCallback* callback, std::string name, int slices, bool busy = false)
        : BackgroundTask(callback), name(name), slices(slices), busy(busy) {
        total = slices;
    }
    ~Task() override { journal.push_back(name + " deleted"); }
    void perform(unsigned int deadline) override {
        journal.push_back(name + " perform");
        if (busy)
            while (SDL_GetTicks() < deadline) {
            }
        if (++progress >= static_cast<unsigned>(slices))
            finish();
    }
    std::string name;
    int slices;
    bool busy;
};

} // namespace

TEST_F(FrameworkTest, TaskFinishingInItsFirstSliceIsGoneAfterThePass) {
    CountingCallback callback;
    backgroundTasks.push_back(new Task(&callback, "t", 1));
    EXPECT_EQ((std::vector<std::string>{"start"}), journal);
    perform(SDL_GetTicks() + 60000);
    EXPECT_EQ((std::vector<std::string>{"start", "t perform", "finish", "t deleted"}), journal);
    EXPECT_TRUE(backgroundTasks.empty());
}

TEST_F(FrameworkTest, ATaskUsingTheWholeSliceStarvesTheOnesBehindIt) {
    backgroundTasks.push_back(new Task(nullptr, "first", 2, true));
    backgroundTasks.push_back(new Task(nullptr, "second", 1));
    perform(SDL_GetTicks() + 5);
    EXPECT_EQ((std::vector<std::string>{"first perform"}), journal);
    perform(SDL_GetTicks()); // a deadline already reached runs nothing
    EXPECT_EQ(1u, journal.size());
    perform(SDL_GetTicks() + 5);
    EXPECT_EQ((std::vector<std::string>{"first perform", "first perform", "first deleted"}),
              journal);
    perform(SDL_GetTicks() + 5);
    EXPECT_TRUE(backgroundTasks.empty());
}

TEST(BackgroundTask, ProgressIsRelativeToTheTotalAndZeroWithoutOne) {
    Task task(nullptr, "t", 0);
    EXPECT_EQ(0.0f, task.getProgressRelative());
    task.total = 120;
    task.progress = 30;
    EXPECT_FLOAT_EQ(0.25f, task.getProgressRelative());
    unsigned done = 0, all = 0;
    task.getProgress(&done, &all);
    EXPECT_EQ(30u, done);
    EXPECT_EQ(120u, all);
    journal.clear();
}

TEST(ApplicationDeath, DeletingTheApplicationEndsTheProcessWithStatusZero) {
    EXPECT_EXIT(
        {
            Application* app = new Application;
            delete app;
            std::fprintf(stderr, "still running");
        },
        testing::ExitedWithCode(0), "^$");
}
