#ifndef RAVEK_GFX_MESSAGES_H
#define RAVEK_GFX_MESSAGES_H

#include "ravek/src/gfx/fonts.h"
#include "ravek/src/math.h"
#include "ravek/src/ravek.h"

#include <list>
#include <string>

namespace ravek {
namespace fonts {

// A line of text shown with a font for `time` milliseconds. The font is not owned; without one
// the message draws nothing.
class Message {
public:
    Font* font;
    std::string text;
    // Milliseconds left.
    float time;

    Message() : font(nullptr), time(0.0f) {}
    Message(std::string const& text, float time) : font(nullptr), text(text), time(time) {}
    virtual ~Message() {}

    virtual void perform(float ms) { time -= ms; }
    virtual void draw(basic_Rect<float> rect, JustificationHorizontal h, JustificationVertical v);
};

// A message that is shown for `onTime` and hidden for `offTime` milliseconds in turn while its
// time runs, starting shown. One whose phases add up to no time at all cannot blink and stays
// shown.
class BlinkMessage : public Message {
public:
    // Milliseconds left in the current phase.
    float phase;
    bool visible;
    float onTime, offTime;

    BlinkMessage() : phase(0.0f), visible(true), onTime(0.0f), offTime(0.0f) {}
    // A negative offTime takes onTime.
    BlinkMessage(std::string const& text, float time, float onTime, float offTime)
        : Message(text, time), phase(onTime), visible(true), onTime(onTime),
          offTime(offTime < 0.0f ? onTime : offTime) {}

    void perform(float ms) override;
    void draw(basic_Rect<float> rect, JustificationHorizontal h, JustificationVertical v) override;
};

// The messages on show, owned, drawn in order centred in `rect`. Messages without a font get
// the list's when added. Unless `multiple` is set, adding a message deletes all others first.
class Messages : public std::list<Message*> {
public:
    basic_Rect<float> rect;
    // Not owned.
    Font* font;
    bool multiple;

    Messages() : font(nullptr), multiple(false) {}
    ~Messages();
    Messages(Messages const&) = delete;
    Messages& operator=(Messages const&) = delete;

    // Takes the message over; null, or a message already held, changes nothing.
    Messages& operator+=(Message* message);
    // Counts every message's time down, then purges.
    void perform(float ms);
    // Deletes the messages whose time is up (0 or less).
    void purge();
    void draw();
    // Deletes every message.
    void clear();
};

} // namespace fonts
} // namespace ravek

#endif
