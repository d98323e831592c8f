#include "ravek/src/gui/standard.h"

#include "ravek/src/xml.h"

#include <GL/gl.h>

namespace ravek {
namespace gui {

namespace {

void push(ControlQueue* queue, Trigger* trigger) {
    if (queue && trigger)
        *queue << trigger;
}

void confirm(Component const* component) {
    if (GUI* root = component->getRoot())
        root->doConfirm();
}

basic_Rect<float> ownRect(Component const* component) {
    return basic_Rect<float>(0.0f, 0.0f, component->width, component->height);
}

} // namespace

// Button

Button::Button()
    : pressed(false), style(nullptr), trigger(nullptr), onClick(nullptr), repeat(false),
      timer(0.0f) {
    focusable = true;
}

void Button::setRepeat(bool on) {
    repeat = on;
    timer = 0.0f;
}

bool Button::isDown() const {
    return pressed && (repeat || isFocused());
}

ButtonState Button::getState() const {
    return static_cast<ButtonState>((isDown() ? 1 : 0) | (isFocused() ? 2 : 0));
}

void Button::doClick(ControlQueue* queue) {
    confirm(this);
    if (onClick)
        onClick->handleClickEvent(this);
    push(queue, trigger);
}

void Button::mouseDown(ControlQueue* queue, basic_Vector2D<float>, unsigned char mouseButton) {
    if (mouseButton != SDL_BUTTON_LEFT)
        return;
    captureMouse(true);
    pressed = true;
    if (repeat) {
        doClick(queue);
        timer = keyDelayOf(this);
    }
}

void Button::mouseUp(ControlQueue* queue, basic_Vector2D<float>, unsigned char mouseButton) {
    if (mouseButton != SDL_BUTTON_LEFT)
        return;
    if (isDown())
        doClick(queue);
    pressed = false;
    timer = 0.0f;
    captureMouse(false);
}

void Button::cancelPress(basic_Vector2D<float>) {
    pressed = false;
    timer = 0.0f;
    captureMouse(false);
}

bool Button::keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) {
    if (unicode == 13 || unicode == 32) {
        doClick(queue);
        return true;
    }
    return Component::keyDown(queue, key, mod, unicode);
}

bool Button::joyButtonDown(ControlQueue* queue, unsigned char, unsigned char joyButton) {
    if (joyButton != 0)
        return false;
    doClick(queue);
    return true;
}

void Button::performSelf(ControlQueue* queue, float ms) {
    if (timer == 0.0f)
        return;
    float t = timer - ms;
    while (t <= 0.0f) {
        timer = t + keyRepeatOf(this);
        doClick(queue);
        t = timer;
    }
    timer = t;
}

void Button::drawSelf() {
    if (!style)
        return;
    basic_Rect<float> r = ownRect(this);
    ButtonState state = getState();
    style->draw(r, state);
    glPushMatrix();
    style->print(r, state, caption.c_str(), image);
    glPopMatrix();
}

void Button::getSelfFromNode(xml::Node const* node, GUI* gui) {
    Component::getSelfFromNode(node, gui);
    CaptionedObject::getSelfFromNode(node, gui);
    repeat = node->getAttributeBool("repeat", repeat);
    readStyle(node, "style", gui, style);
    readTrigger(node, "trigger", gui, trigger);
}

// Checkbox

Checkbox::Checkbox()
    : pressed(false), checked(false), style(nullptr), triggerOn(nullptr), triggerOff(nullptr) {
    focusable = true;
}

bool Checkbox::isDown() const {
    return pressed && isFocused();
}

ButtonState Checkbox::getState() const {
    if (!isFocused())
        return up;
    return pressed ? downHot : upHot;
}

void Checkbox::doClick(ControlQueue* queue) {
    confirm(this);
    bool was = checked;
    checked = !checked;
    push(queue, was ? triggerOff : triggerOn);
}

void Checkbox::mouseDown(ControlQueue*, basic_Vector2D<float>, unsigned char mouseButton) {
    if (mouseButton != SDL_BUTTON_LEFT)
        return;
    captureMouse(true);
    pressed = true;
}

void Checkbox::mouseUp(ControlQueue* queue, basic_Vector2D<float>, unsigned char mouseButton) {
    if (mouseButton != SDL_BUTTON_LEFT)
        return;
    if (pressed && isFocused())
        doClick(queue);
    pressed = false;
    captureMouse(false);
}

bool Checkbox::keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) {
    if (key == SDLK_RETURN || key == SDLK_SPACE) {
        doClick(queue);
        return true;
    }
    return Component::keyDown(queue, key, mod, unicode);
}

bool Checkbox::joyButtonDown(ControlQueue* queue, unsigned char, unsigned char joyButton) {
    if (joyButton != 0)
        return false;
    doClick(queue);
    return true;
}

void Checkbox::drawSelf() {
    if (!style)
        return;
    basic_Rect<float> r = ownRect(this);
    ButtonState state = getState();
    style->draw(r, state, checked);
    glPushMatrix();
    style->print(r, state, checked, caption.c_str(), image);
    glPopMatrix();
}

void Checkbox::getSelfFromNode(xml::Node const* node, GUI* gui) {
    Component::getSelfFromNode(node, gui);
    CaptionedObject::getSelfFromNode(node, gui);
    checked = node->getAttributeBool("checked", checked);
    readStyle(node, "style", gui, style);
    if (node->getAttribute("trigger")) {
        readTrigger(node, "trigger", gui, triggerOn);
        triggerOff = triggerOn;
    }
    readTrigger(node, "triggerOn", gui, triggerOn);
    readTrigger(node, "triggerOff", gui, triggerOff);
}

// InputCaptor

InputCaptor::InputCaptor()
    : triggerKey(nullptr), triggerJoyButton(nullptr), triggerJoyAxis(nullptr), key(SDLK_UNKNOWN),
      joy(0), button(0), axis(0), direction(0) {}

bool InputCaptor::keyDown(ControlQueue* queue, SDLKey pressedKey, SDLMod, unsigned short) {
    if (getEnabled()) {
        key = pressedKey;
        push(queue, triggerKey);
        setEnabled(false);
    }
    return true;
}

bool InputCaptor::joyButtonDown(ControlQueue* queue, unsigned char joystick,
                                unsigned char joyButton) {
    if (getEnabled()) {
        joy = joystick;
        button = joyButton;
        push(queue, triggerJoyButton);
        setEnabled(false);
    }
    return true;
}

bool InputCaptor::joyAxisMotion(ControlQueue* queue, unsigned char joystick, unsigned char joyAxis,
                                short value) {
    if (value == 0)
        return true;
    if (getEnabled()) {
        direction = value;
        joy = joystick;
        axis = joyAxis;
        push(queue, triggerJoyAxis);
        setEnabled(false);
    }
    return true;
}

void InputCaptor::getSelfFromNode(xml::Node const* node, GUI* gui) {
    Component::getSelfFromNode(node, gui);
    readTrigger(node, "triggerKey", gui, triggerKey);
    readTrigger(node, "triggerJoyButton", gui, triggerJoyButton);
    readTrigger(node, "triggerJoyAxis", gui, triggerJoyAxis);
}

} // namespace gui
} // namespace ravek
