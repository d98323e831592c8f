#include "ravek/src/framework.h"

#include "ravek/src/controls.h"
#include "ravek/src/ravek.h"

#include <SDL/SDL.h>

namespace ravek {

Application* application = nullptr;
int fpsResolution = 10;

Application::Application() : currentState(nullptr), controlQueue(nullptr) {
    application = this;
}

Application::~Application() {
    quit();
}

void Application::run() {
    struct Deferral {
        Deferral() { deferTermination(true); }
        ~Deferral() { deferTermination(false); }
    } deferral;
    getElapsedTicks();
    while (currentState) {
        checkSignals();
        perform(getElapsedTicks());
    }
}

void Application::perform(unsigned int ms) {
    if (!currentState)
        return;
    if (controlQueue) {
        handleEvents(controlQueue);
        if (!currentState)
            return;
    }
    currentState->perform(ms);
    if (!currentState)
        return;
    currentState->draw();
}

void Application::handleEvents(ControlQueue* queue) {
    // The triggers queued before (held controls, repeating buttons) follow this frame's events,
    // but each event's own are handled before the next event is offered: a key that opens a
    // window or moves the focus there decides where the keys after it go, even when a slow
    // frame brings them together. Those before wait aside, where a trigger deleted meanwhile
    // leaves them too, so that no deletion moves a trigger from one side to the other.
    struct HeldBack {
        ControlQueue* queue;
        explicit HeldBack(ControlQueue* queue) : queue(queue) {
            queue->heldBack.splice(queue->heldBack.end(), queue->triggers);
        }
        ~HeldBack() { queue->triggers.splice(queue->triggers.begin(), queue->heldBack); }
    };
    {
        HeldBack earlier(queue);
        SDL_Event event;
        while (currentState && SDL_PollEvent(&event)) {
            if (!queue->offerEvent(event)) {
                queue->readEvents();
                delete currentState;
                break;
            }
            handleTriggers(queue);
        }
    }
    handleTriggers(queue);
}

void Application::handleTriggers(ControlQueue* queue) {
    while (currentState && !queue->triggers.empty()) {
        Trigger* trigger = queue->triggers.front();
        queue->triggers.pop_front();
        currentState->handleEvent(trigger);
    }
}

FrameRateLimitedApplication::FrameRateLimitedApplication() : maxFrameTime(0), minFrameTime(0) {}

FrameRateLimitedApplication::~FrameRateLimitedApplication() {
    quit();
}

void FrameRateLimitedApplication::perform(unsigned int ms) {
    if (maxFrameTime != 0 && ms > maxFrameTime) {
        ms = maxFrameTime;
        SDL_Delay(1);
    } else if (minFrameTime != 0 && ms < minFrameTime) {
        SDL_Delay(minFrameTime - ms);
        ms += getElapsedTicks();
    }
    Application::perform(ms);
}

FixedRateApplication::FixedRateApplication() : accumulatedTime(0), stepTime(100) {}

FixedRateApplication::~FixedRateApplication() {
    quit();
}

void FixedRateApplication::perform(unsigned int ms) {
    accumulatedTime += ms;
    auto step = [this](unsigned int stepMs) {
        if (!currentState)
            return;
        if (controlQueue)
            handleEvents(controlQueue);
        if (currentState)
            currentState->perform(stepMs);
    };
    if (stepTime == 0) {
        // No step size: one step with everything, rather than stepping forever.
        unsigned int all = accumulatedTime;
        accumulatedTime = 0;
        step(all);
    } else {
        while (accumulatedTime >= stepTime) {
            accumulatedTime -= stepTime;
            step(stepTime);
        }
    }
    if (currentState)
        currentState->draw();
}

ApplicationState::ApplicationState() : deleteRequested(false), performLayers(0), drawLayers(0) {}

ApplicationState::~ApplicationState() {
    deactivate();
}

void ApplicationState::activate() {
    if (application->currentState)
        application->currentState->deactivate();
    application->currentState = this;
}

void ApplicationState::deactivate() {
    if (application && application->currentState == this)
        application->currentState = nullptr;
}

void ApplicationState::perform(unsigned int ms) {
    if (deleteRequested) {
        delete this;
        return;
    }
    for (int layer = 0; layer < performLayers; ++layer) {
        doPerform(layer, ms);
        if (deleteRequested) {
            delete this;
            return;
        }
    }
}

void ApplicationState::draw() {
    for (int layer = 0; layer < drawLayers; ++layer)
        doDraw(layer);
}

namespace {
unsigned int ticks = 0;
unsigned int ticks2 = 0;
unsigned int diff = 0;
int sampleCount = 0;
int tickCount = 0;
int fps = 0;
} // namespace

unsigned int getElapsedTicks() {
    unsigned int now = SDL_GetTicks();
    diff = now - ticks;
    ticks = now;
    ticks2 = now;
    return diff;
}

unsigned int getCurrentTicks() {
    return SDL_GetTicks();
}

int calcFPS(int ms) {
    tickCount += ms;
    ++sampleCount;
    if (sampleCount < fpsResolution)
        return fps;
    sampleCount -= fpsResolution;
    if (tickCount > 0)
        fps = static_cast<int>(fpsResolution * 1000.0 / tickCount + 0.5);
    tickCount = 0;
    return fps;
}

BackgroundTask::BackgroundTask(BackgroundTaskCallback* callback)
    : callback(callback), finished(false), progress(0), total(0) {
    if (callback)
        callback->onStart(this);
}

void BackgroundTask::finish() {
    finished = true;
    if (callback)
        callback->onFinish(this);
}

void BackgroundTask::getProgress(unsigned int* progress, unsigned int* total) const {
    *progress = this->progress;
    *total = this->total;
}

float BackgroundTask::getProgressRelative() const {
    if (total == 0)
        return 0.0f;
    return static_cast<float>(progress) / static_cast<float>(total);
}

void perform(unsigned int deadline) {
    static std::list<BackgroundTask*> done;
    for (BackgroundTask* task : backgroundTasks) {
        if (SDL_GetTicks() >= deadline)
            break;
        task->perform(deadline);
        if (task->finished)
            done.push_back(task);
    }
    for (BackgroundTask* task : done) {
        backgroundTasks.remove(task);
        delete task;
    }
    done.clear();
}

} // namespace ravek
