#ifndef RAVEK_FRAMEWORK_H
#define RAVEK_FRAMEWORK_H

#include <list>

namespace ravek {

class ApplicationState;
class ControlQueue;
class Trigger;

// The one application object of the process (stored in ravek::application by every
// constructor). It runs the current state frame by frame: triggers, perform, draw. It does not
// own its states. Deleting it ends the process through ravek::quit.
class Application {
public:
    ApplicationState* currentState;
    ControlQueue* controlQueue;

    Application();
    // Offers SDL's events one by one and hands the current state the triggers each queued before
    // the next is offered, then those queued before the events; a quit event drains the rest
    // and deletes the state first.
    virtual void handleEvents(ControlQueue* queue);
    virtual void perform(unsigned int ms);
    virtual ~Application();
    // Returns when no state is current.
    virtual void run();

private:
    // Hands the queued triggers to the current state while there is one.
    void handleTriggers(ControlQueue* queue);
};

// Caps a frame at maxFrameTime (then sleeps 1 ms) and pads it to minFrameTime; 0 disables
// either limit.
class FrameRateLimitedApplication : public Application {
public:
    unsigned int maxFrameTime;
    unsigned int minFrameTime;

    FrameRateLimitedApplication();
    ~FrameRateLimitedApplication() override;
    void perform(unsigned int ms) override;
};

// Steps the state in fixed steps of stepTime and draws once per call. A step time of 0 runs
// one step with the whole elapsed time.
class FixedRateApplication : public Application {
public:
    unsigned int accumulatedTime;
    unsigned int stepTime;

    FixedRateApplication();
    ~FixedRateApplication() override;
    void perform(unsigned int ms) override;
};

// A mode of the program, performed and drawn in layers. Whoever creates it deletes it, or it
// deletes itself through deleteRequested; destroying the current state leaves none current.
class ApplicationState {
public:
    bool deleteRequested;
    int performLayers;
    int drawLayers;

    ApplicationState();
    virtual ~ApplicationState();
    virtual void activate();
    virtual void deactivate();
    virtual void handleEvent(Trigger const* trigger) = 0;
    virtual void perform(unsigned int ms);
    virtual void draw();
    virtual void doPerform(int layer, unsigned int ms) = 0;
    virtual void doDraw(int layer) = 0;
};

extern Application* application;
extern int fpsResolution;

// Milliseconds since the previous call (the first counts from 0); wraps correctly.
unsigned int getElapsedTicks();
unsigned int getCurrentTicks();
// Frame-rate meter averaging over fpsResolution frames; a sample of 0 ms keeps the old rate.
int calcFPS(int ms);

class BackgroundTask;

// Told when a background task starts (from the task's base constructor, so only note it) and
// when it finishes.
class BackgroundTaskCallback {
public:
    virtual ~BackgroundTaskCallback() {}
    virtual void onStart(BackgroundTask* task) = 0;
    virtual void onFinish(BackgroundTask* task) = 0;
};

// Cooperative work done in time slices on the main thread. Once appended to
// ravek::backgroundTasks the list owns it: it is deleted after it finishes, or by ravek::quit.
class BackgroundTask {
public:
    BackgroundTaskCallback* callback;
    bool finished;
    unsigned int progress;
    unsigned int total;

    explicit BackgroundTask(BackgroundTaskCallback* callback);
    virtual void finish();
    virtual ~BackgroundTask() {}
    // Works until SDL_GetTicks() reaches the deadline.
    virtual void perform(unsigned int deadline) = 0;

    void getProgress(unsigned int* progress, unsigned int* total) const;
    // 0 while the total is 0.
    float getProgressRelative() const;
};

// Gives the background tasks time until the deadline, first task first, and deletes those
// that finished. Exceptions of a task pass through.
void perform(unsigned int deadline);

} // namespace ravek

#endif
