#ifndef RAVEK_GUI_STANDARD_H
#define RAVEK_GUI_STANDARD_H

#include "ravek/src/gui/core.h"
#include "ravek/src/gui/styles.h"

namespace ravek {
namespace gui {

// A captioned push button. A click tells the GUI's callback (onConfirm), the click handler and
// the control queue (its trigger). It clicks on the release of a press made on it, on Return,
// Space and joystick button 0; in repeat mode it clicks on press and keeps clicking while held
// (after the GUI's key delay, then every key-repeat interval). Style, trigger and handler are
// not owned; without a style it draws nothing and still works.
class Button : public Component, public CaptionedObject {
public:
    bool pressed;
    ButtonStyle* style;
    Trigger* trigger;
    ClickEventHandler* onClick;
    bool repeat;
    // Time to the next repeated click; 0 while no repetition runs.
    float timer;

    Button();

    void getSelfFromNode(xml::Node const* node, GUI* gui) override;
    void drawSelf() override;
    void performSelf(ControlQueue* queue, float ms) override;
    void mouseDown(ControlQueue* queue, basic_Vector2D<float> pos, unsigned char button) override;
    void mouseUp(ControlQueue* queue, basic_Vector2D<float> pos, unsigned char button) override;
    // A repeat button is down whatever holds the focus, so its release would click once more.
    void cancelPress(basic_Vector2D<float> pos) override;
    bool keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) override;
    bool joyButtonDown(ControlQueue* queue, unsigned char joystick, unsigned char button) override;

    virtual void setStyle(ButtonStyle* newStyle) { style = newStyle; }
    virtual ButtonStyle* getStyle() const { return style; }
    virtual void setTrigger(Trigger* newTrigger) { trigger = newTrigger; }
    virtual Trigger* getTrigger() const { return trigger; }

    void setOnClick(ClickEventHandler* handler) { onClick = handler; }
    ClickEventHandler* getOnClick() const { return onClick; }
    // Also stops a running repetition.
    void setRepeat(bool on);
    bool getRepeat() const { return repeat; }
    // Pressed, and in repeat mode or focused.
    bool isDown() const;
    ButtonState getState() const;
    void doClick(ControlQueue* queue);
};

// A captioned toggle: a click inverts `checked` and pushes triggerOff (when it was checked) or
// triggerOn. setChecked pushes nothing. Style and triggers are not owned.
class Checkbox : public Component, public CaptionedObject {
public:
    bool pressed;
    bool checked;
    CheckboxStyle* style;
    Trigger* triggerOn;
    Trigger* triggerOff;

    Checkbox();

    void getSelfFromNode(xml::Node const* node, GUI* gui) override;
    void drawSelf() override;
    void mouseDown(ControlQueue* queue, basic_Vector2D<float> pos, unsigned char button) override;
    void mouseUp(ControlQueue* queue, basic_Vector2D<float> pos, unsigned char button) override;
    bool keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) override;
    bool joyButtonDown(ControlQueue* queue, unsigned char joystick, unsigned char button) override;

    virtual void setChecked(bool on) { checked = on; }
    virtual bool getChecked() const { return checked; }
    virtual void setStyle(CheckboxStyle* newStyle) { style = newStyle; }
    virtual CheckboxStyle* getStyle() const { return style; }
    virtual void setTriggerOn(Trigger* trigger) { triggerOn = trigger; }
    virtual Trigger* getTriggerOn() const { return triggerOn; }
    virtual void setTriggerOff(Trigger* trigger) { triggerOff = trigger; }
    virtual Trigger* getTriggerOff() const { return triggerOff; }

    bool isDown() const;
    ButtonState getState() const;
    void doClick(ControlQueue* queue);
};

// An invisible widget for setting up controls: while it has the focus it swallows keys and
// joystick buttons (and axis motions away from the middle); while enabled it stores the first
// one, pushes the matching trigger and disables itself. Triggers are not owned.
class InputCaptor : public Component {
public:
    Trigger* triggerKey;
    Trigger* triggerJoyButton;
    Trigger* triggerJoyAxis;
    SDLKey key;
    unsigned char joy;
    unsigned char button;
    unsigned char axis;
    // The sign of the last axis motion caught.
    short direction;

    InputCaptor();

    void getSelfFromNode(xml::Node const* node, GUI* gui) override;
    bool keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) override;
    bool joyButtonDown(ControlQueue* queue, unsigned char joystick, unsigned char button) override;
    bool joyAxisMotion(ControlQueue* queue, unsigned char joystick, unsigned char axis,
                       short value) override;

    SDLKey getKey() const { return key; }
    unsigned char getJoy() const { return joy; }
    unsigned char getJoyButton() const { return button; }
    unsigned char getJoyAxis() const { return axis; }
    short getJoyAxisDirection() const { return direction; }
};

} // namespace gui
} // namespace ravek

#endif
