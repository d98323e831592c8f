#ifndef RAVEK_CONTROLS_H
#define RAVEK_CONTROLS_H

#include <SDL/SDL.h>

#include <list>

namespace ravek {

class ControlQueue;
class Trigger;

// An event consumer in a control queue: turns SDL events into triggers. Inactive evaluators
// are offered no events and are not performed. Take it out of the queue before deleting it.
class Evaluator {
public:
    bool active;

    Evaluator() : active(true) {}
    virtual ~Evaluator() {}
    virtual void perform(float dt, ControlQueue* queue);
    // True when the event was consumed.
    virtual bool evaluate(SDL_Event const& event, ControlQueue* queue) = 0;
    // Forget held input.
    virtual void flush();
};

// The seam between SDL's event queue and the application: offers events to the evaluators in
// list order (first consumer wins) and keeps a FIFO of fired triggers. Owns neither.
class ControlQueue {
public:
    std::list<Trigger*> triggers;
    std::list<Evaluator*> evaluators;
    Trigger* focusGainedTrigger;
    Trigger* focusLostTrigger;

    ControlQueue() : focusGainedTrigger(nullptr), focusLostTrigger(nullptr) {}
    virtual ~ControlQueue();

    virtual void operator<<(SDL_Event const& event);
    virtual void operator<<(Trigger* trigger);
    // Yields the oldest trigger, or null when none is queued.
    virtual void operator>>(Trigger*& trigger);
    virtual void perform(float dt);
    virtual void flush();
    virtual bool isEmpty();

    // Drains SDL's event queue; false when the window system asked to quit meanwhile.
    bool readEvents();
    // Handles one event as readEvents does: focus triggers first, a quit offered to nobody.
    // False for a quit event.
    bool offerEvent(SDL_Event const& event);
};

extern ControlQueue queue;

} // namespace ravek

#endif
