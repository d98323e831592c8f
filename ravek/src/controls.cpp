#include "ravek/src/controls.h"

namespace ravek {

ControlQueue queue;

void Evaluator::perform(float, ControlQueue*) {}

void Evaluator::flush() {}

ControlQueue::~ControlQueue() {
    triggers.clear();
    evaluators.clear();
}

void ControlQueue::operator<<(SDL_Event const& event) {
    for (Evaluator* evaluator : evaluators)
        if (evaluator->active && evaluator->evaluate(event, this))
            return;
}

void ControlQueue::operator<<(Trigger* trigger) {
    triggers.push_back(trigger);
}

void ControlQueue::operator>>(Trigger*& trigger) {
    if (isEmpty()) {
        trigger = nullptr;
        return;
    }
    trigger = triggers.front();
    triggers.pop_front();
}

void ControlQueue::perform(float dt) {
    for (Evaluator* evaluator : evaluators)
        if (evaluator->active)
            evaluator->perform(dt, this);
}

void ControlQueue::flush() {
    for (Evaluator* evaluator : evaluators)
        evaluator->flush();
}

bool ControlQueue::isEmpty() {
    return triggers.empty();
}

bool ControlQueue::offerEvent(SDL_Event const& event) {
    if (event.type == SDL_QUIT)
        return false;
    if (event.type == SDL_ACTIVEEVENT &&
        (event.active.state & (SDL_APPINPUTFOCUS | SDL_APPACTIVE))) {
        Trigger* focus = event.active.gain ? focusGainedTrigger : focusLostTrigger;
        if (focus)
            *this << focus;
    }
    *this << event;
    return true;
}

bool ControlQueue::readEvents() {
    bool result = true;
    SDL_Event event;
    while (SDL_PollEvent(&event))
        if (!offerEvent(event))
            result = false;
    return result;
}

} // namespace ravek
