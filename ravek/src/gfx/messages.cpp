#include "ravek/src/gfx/messages.h"

#include <cmath>
#include <vector>

namespace ravek {
namespace fonts {

void Message::draw(basic_Rect<float> rect, JustificationHorizontal h, JustificationVertical v) {
    if (font)
        font->print(rect, h, v, text.c_str());
}

void BlinkMessage::perform(float ms) {
    time -= ms;
    phase -= ms;
    float cycle = onTime + offTime;
    if (!(cycle > 0.0f)) {
        // Phases of no length would alternate forever within one step.
        visible = true;
        return;
    }
    // Whole cycles change nothing; dropping them keeps a long step from looping long.
    if (phase < -cycle)
        phase = -std::fmod(-phase, cycle);
    while (phase < 0.0f) {
        if (visible) {
            phase += offTime;
            visible = false;
        } else {
            phase += onTime;
            visible = true;
        }
    }
}

void BlinkMessage::draw(basic_Rect<float> rect, JustificationHorizontal h,
                        JustificationVertical v) {
    if (visible)
        Message::draw(rect, h, v);
}

Messages::~Messages() {
    clear();
}

Messages& Messages::operator+=(Message* message) {
    if (!message)
        return *this;
    for (Message* held : *this)
        if (held == message)
            return *this;
    if (!multiple)
        clear();
    push_back(message);
    if (!message->font)
        message->font = font;
    return *this;
}

void Messages::perform(float ms) {
    for (Message* message : *this)
        message->perform(ms);
    purge();
}

void Messages::purge() {
    std::vector<Message*> done;
    for (Message* message : *this)
        if (message->time <= 0.0f)
            done.push_back(message);
    for (Message* message : done) {
        remove(message);
        delete message;
    }
}

void Messages::draw() {
    for (Message* message : *this)
        message->draw(rect, JustificationHorizontal::center, JustificationVertical::center);
}

void Messages::clear() {
    for (Message* message : *this)
        delete message;
    std::list<Message*>::clear();
}

} // namespace fonts
} // namespace ravek
