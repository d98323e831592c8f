#ifndef RAVEK_GUI_TEXT_H
#define RAVEK_GUI_TEXT_H

#include "ravek/src/gui/core.h"
#include "ravek/src/gui/styles.h"

#include <cstddef>
#include <cstdint>

namespace ravek {
namespace gui {

// A static caption (and image) drawn with a label style, which it does not own; without a
// style it draws nothing.
class Label : public Component, public CaptionedObject {
public:
    LabelStyle* style;

    Label() : style(nullptr) {}

    void getSelfFromNode(xml::Node const* node, GUI* gui) override;
    void drawSelf() override;

    virtual void setStyle(LabelStyle* newStyle) { style = newStyle; }
    virtual LabelStyle* getStyle() const { return style; }
};

// A focusable one-line text entry whose text is its caption: printable Latin-1 characters are
// appended, backspace erases, both repeat while held (GUI key delay, then key-repeat interval),
// and Return pushes triggerConfirm. A character the style's font has no glyph for is refused
// (consumed, not appended). With Ctrl held (a fire key, not an editing key) a letter, digit or
// space key types its own character. An optional maximum length (0: unlimited) drops characters
// typed beyond it. Style and trigger are not owned.
class Textfield : public Component, public CaptionedObject {
public:
    // The character repeating while its key is held; 0 for none.
    std::uint16_t heldChar;
    // Counts up from minus the key delay towards the repeat interval.
    float repeatTimer;
    LabelStyle* style;
    Trigger* triggerConfirm;
    // In characters; 0 means no limit.
    std::size_t maxLength;

    Textfield();

    void getSelfFromNode(xml::Node const* node, GUI* gui) override;
    void drawSelf() override;
    void performSelf(ControlQueue* queue, float ms) override;
    void enter(ControlQueue* queue, basic_Vector2D<float> pos) override;
    void leave(ControlQueue* queue, basic_Vector2D<float> pos) override;
    bool keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) override;
    bool keyUp(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) override;

    virtual void setStyle(LabelStyle* newStyle) { style = newStyle; }
    virtual LabelStyle* getStyle() const { return style; }
    virtual void setTriggerConfirm(Trigger* trigger) { triggerConfirm = trigger; }
    virtual Trigger* getTriggerConfirm() const { return triggerConfirm; }

    void setMaxLength(std::size_t length) { maxLength = length; }
    std::size_t getMaxLength() const { return maxLength; }
    // Pushes triggerConfirm when set.
    void doConfirm(ControlQueue* queue);

private:
    void hold(std::uint16_t character);
};

} // namespace gui
} // namespace ravek

#endif
