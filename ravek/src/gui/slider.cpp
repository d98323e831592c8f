#include "ravek/src/gui/slider.h"

#include "ravek/src/debug.h"
#include "ravek/src/xml.h"

#include <GL/gl.h>

#include <cmath>

namespace ravek {

template <>
gui::SliderButtons strTo<gui::SliderButtons>(std::string text) {
    if (text == "none")
        return gui::none;
    if (text == "dec")
        return gui::dec;
    if (text == "inc")
        return gui::inc;
    if (text == "both")
        return gui::both;
    throw text;
}

namespace gui {

float sliderHandleLength(float barLength, float size) {
    return size > 0.0f ? size * barLength : -size;
}

float sliderTravel(float barLength, float size) {
    return size > 0.0f ? barLength * (1.0f - size) : barLength + size;
}

double sliderFraction(double value, double min, double max) {
    double fraction = (value - min) / (max - min);
    // min equal to max divides by zero; a value outside the range stays on the bar.
    if (!(fraction > 0.0))
        return 0.0;
    return fraction < 1.0 ? fraction : 1.0;
}

basic_Rect<float> sliderHandle(basic_Rect<float> const& bar, Orientation orientation, float size,
                               double fraction, basic_Vector2D<float> const& sliderSize) {
    float length = orientation == horizontal ? bar.width : bar.height;
    float h = sliderHandleLength(length, size);
    float along = static_cast<float>(sliderTravel(length, size) * fraction);
    if (orientation == horizontal)
        return basic_Rect<float>(bar.x + along, bar.y, h, sliderSize.y);
    return basic_Rect<float>(bar.x, bar.y + along, sliderSize.x, h);
}

namespace {

template <typename T>
bool decode(xml::Node const* node, char const* attribute, T& target) {
    std::string const* text = node->getAttribute(attribute);
    if (!text)
        return false;
    try {
        target = strTo<T>(*text);
        return true;
    } catch (std::string const&) {
        debug::warning(dbgGui, "Could not decode value for Slider.%s: \"%s\".", attribute,
                       text->c_str());
        return false;
    }
}

} // namespace

template <typename T>
Slider<T>::Slider()
    : dragging(false), bDecBefore(nullptr), bIncBefore(nullptr), bDecAfter(nullptr),
      bIncAfter(nullptr), trigger(nullptr), buttonsBefore(none), buttonsAfter(none),
      orientation(horizontal), size(0.25f), min(0), max(0), stepSmall(1), stepLarge(1), value(0),
      barStyle(nullptr), handleStyle(nullptr), buttonStyle(nullptr) {
    focusable = true;
}

template <typename T>
void Slider<T>::setDimensions(basic_Rect<float> const& rect) {
    Component::setDimensions(rect);
    calculateSizes();
}

template <typename T>
float Slider<T>::getBarSize() const {
    return orientation == horizontal ? bar.width : bar.height;
}

template <typename T>
basic_Vector2D<float> Slider<T>::getButtonSize() const {
    float side = orientation == horizontal ? height : width;
    return basic_Vector2D<float>(side, side);
}

template <typename T>
void Slider<T>::calculateSizes() {
    float t = getButtonSize().x;
    bool across = orientation == horizontal;
    bar = basic_Rect<float>(0.0f, 0.0f, width, height);
    auto atStart = [&](Button* button) {
        if (!button)
            return;
        button->setDimensions(basic_Rect<float>(bar.x, bar.y, t, t));
        if (across) {
            bar.x += t;
            bar.width -= t;
        } else {
            bar.y += t;
            bar.height -= t;
        }
    };
    auto atEnd = [&](Button* button) {
        if (!button)
            return;
        button->setDimensions(
            basic_Rect<float>(bar.x + bar.width - t, bar.y + bar.height - t, t, t));
        if (across)
            bar.width -= t;
        else
            bar.height -= t;
    };
    atStart(bDecBefore);
    atStart(bIncBefore);
    atEnd(bIncAfter);
    atEnd(bDecAfter);
}

template <typename T>
Button* Slider<T>::makeButton(char const* buttonName, char const* buttonCaption) {
    auto* button = new Button;
    button->name = buttonName;
    button->setCaption(buttonCaption);
    button->setStyle(buttonStyle);
    button->setVisible(true);
    button->setEnabled(true);
    button->setOnClick(this);
    button->setRepeat(true);
    // The click comes to handleClickEvent first, then the button pushes the slider's trigger.
    button->setTrigger(trigger);
    *this += button;
    return button;
}

template <typename T>
void Slider<T>::setButtons(SliderButtons& current, SliderButtons buttons, Button*& decButton,
                           Button*& incButton, char const* decName, char const* incName) {
    if (buttons != current) {
        current = buttons;
        if ((buttons & dec) && !decButton)
            decButton = makeButton(decName, "<");
        if (!(buttons & dec) && decButton) {
            delete decButton;
            decButton = nullptr;
        }
        if ((buttons & inc) && !incButton)
            incButton = makeButton(incName, ">");
        if (!(buttons & inc) && incButton) {
            delete incButton;
            incButton = nullptr;
        }
    }
    calculateSizes();
}

template <typename T>
void Slider<T>::setButtonsBefore(SliderButtons buttons) {
    setButtons(buttonsBefore, buttons, bDecBefore, bIncBefore, "bDecBefore", "bIncBefore");
}

template <typename T>
void Slider<T>::setButtonsAfter(SliderButtons buttons) {
    setButtons(buttonsAfter, buttons, bDecAfter, bIncAfter, "bDecAfter", "bIncAfter");
}

template <typename T>
void Slider<T>::change(double amount) {
    // In double: an int sum cannot overflow there, and the clamp brings it back into range.
    double changed = clamp(static_cast<double>(value) + amount, static_cast<double>(min),
                           static_cast<double>(max));
    if (!std::isnan(changed))
        value = static_cast<T>(changed);
}

template <typename T>
void Slider<T>::increase(bool large) {
    change(static_cast<double>(large ? stepLarge : stepSmall));
}

template <typename T>
void Slider<T>::decrease(bool large) {
    change(-static_cast<double>(large ? stepLarge : stepSmall));
}

template <typename T>
bool Slider<T>::isDown() const {
    return dragging && isFocused();
}

template <typename T>
ButtonState Slider<T>::getState() const {
    return static_cast<ButtonState>((isDown() ? 1 : 0) | (isFocused() ? 2 : 0));
}

template <typename T>
basic_Rect<float> Slider<T>::calculateHandle() const {
    return sliderHandle(bar, orientation, size,
                        sliderFraction(static_cast<double>(value), static_cast<double>(min),
                                       static_cast<double>(max)),
                        basic_Vector2D<float>(width, height));
}

template <typename T>
void Slider<T>::pushTrigger(ControlQueue* queue) {
    if (queue && trigger)
        *queue << trigger;
}

template <typename T>
void Slider<T>::handleClickEvent(Component* component) {
    if (component == bDecBefore || component == bDecAfter)
        decrease(false);
    else if (component == bIncBefore || component == bIncAfter)
        increase(false);
    else
        return;
    static_cast<Button*>(component)->setTrigger(trigger);
}

template <typename T>
bool Slider<T>::keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) {
    switch (key) {
    case SDLK_HOME:
        value = min;
        break;
    case SDLK_END:
        value = max;
        break;
    case SDLK_LEFT:
    case SDLK_RIGHT:
        if (orientation != horizontal)
            return Component::keyDown(queue, key, mod, unicode);
        if (key == SDLK_LEFT)
            decrease(false);
        else
            increase(false);
        break;
    case SDLK_DOWN:
    case SDLK_UP:
        if (orientation != vertical)
            return Component::keyDown(queue, key, mod, unicode);
        if (key == SDLK_DOWN)
            decrease(false);
        else
            increase(false);
        break;
    case SDLK_PAGEUP:
        decrease(true);
        break;
    case SDLK_PAGEDOWN:
        increase(true);
        break;
    default:
        return Component::keyDown(queue, key, mod, unicode);
    }
    pushTrigger(queue);
    return true;
}

template <typename T>
bool Slider<T>::joyAxisMotion(ControlQueue* queue, unsigned char joystick, unsigned char axis,
                              short axisValue) {
    bool along = (orientation == horizontal && axis == 0) || (orientation == vertical && axis == 1);
    if (!along || axisValue == 0)
        return Component::joyAxisMotion(queue, joystick, axis, axisValue);
    if (axisValue < 0)
        decrease(false);
    else
        increase(false);
    pushTrigger(queue);
    return true;
}

template <typename T>
void Slider<T>::mouseDown(ControlQueue* queue, basic_Vector2D<float> pos,
                          unsigned char mouseButton) {
    switch (mouseButton) {
    case SDL_BUTTON_WHEELUP:
        increase(false);
        pushTrigger(queue);
        return;
    case SDL_BUTTON_WHEELDOWN:
        decrease(false);
        pushTrigger(queue);
        return;
    case SDL_BUTTON_LEFT:
        break;
    default:
        return;
    }
    handle = calculateHandle();
    bool across = orientation == horizontal;
    float c = across ? pos.x : pos.y;
    float start = across ? handle.x : handle.y;
    float length = across ? handle.width : handle.height;
    if (c < start) {
        decrease(true);
        pushTrigger(queue);
    } else if (c >= start + length) {
        increase(true);
        pushTrigger(queue);
    } else {
        dragging = true;
        captureMouse(true);
        dragOffset = basic_Vector2D<float>(pos.x - handle.x, pos.y - handle.y);
    }
}

template <typename T>
void Slider<T>::mouseMove(ControlQueue* queue, basic_Vector2D<float> pos) {
    if (!dragging)
        return;
    float room = sliderTravel(getBarSize(), size);
    // Without room to travel the handle cannot say anything about the value.
    if (!(room > 0.0f))
        return;
    float q =
        orientation == horizontal ? pos.x - dragOffset.x - bar.x : pos.y - dragOffset.y - bar.y;
    double lo = static_cast<double>(min), hi = static_cast<double>(max);
    double wanted = clamp(lo + static_cast<double>(q) / room * (hi - lo), lo, hi);
    if (std::isnan(wanted))
        return;
    T dragged = static_cast<T>(wanted);
    if (dragged == value)
        return;
    value = dragged;
    pushTrigger(queue);
}

template <typename T>
void Slider<T>::mouseUp(ControlQueue*, basic_Vector2D<float>, unsigned char mouseButton) {
    if (mouseButton != SDL_BUTTON_LEFT)
        return;
    dragging = false;
    captureMouse(false);
}

template <typename T>
void Slider<T>::drawSelf() {
    handle = calculateHandle();
    if (barStyle)
        barStyle->draw(bar);
    if (!handleStyle)
        return;
    ButtonState state = getState();
    handleStyle->draw(handle, state);
    glPushMatrix();
    handleStyle->print(handle, state, toStr<T>(value).c_str(), nullptr);
    glPopMatrix();
}

template <typename T>
void Slider<T>::getSelfFromNode(xml::Node const* node, GUI* gui) {
    Component::getSelfFromNode(node, gui);
    readStyle(node, "barStyle", gui, barStyle);
    readStyle(node, "handleStyle", gui, handleStyle);
    readStyle(node, "buttonStyle", gui, buttonStyle);
    decode(node, "orientation", orientation);
    size = node->getAttributeFloat("size", size);
    decode(node, "min", min);
    decode(node, "max", max);
    decode(node, "stepSmall", stepSmall);
    decode(node, "stepLarge", stepLarge);
    SliderButtons buttons;
    if (decode(node, "buttonsBefore", buttons))
        setButtonsBefore(buttons);
    if (decode(node, "buttonsAfter", buttons))
        setButtonsAfter(buttons);
    decode(node, "value", value);
    readTrigger(node, "trigger", gui, trigger);
    // The orientation read above decides where the bar lies.
    calculateSizes();
}

template class Slider<float>;
template class Slider<int>;

} // namespace gui
} // namespace ravek
