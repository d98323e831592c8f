#include "ravek/src/controls.h"

#include "ravek/src/debug.h"
#include "ravek/src/xml.h"

#include <algorithm>

namespace ravek {

namespace {

bool isPress(SDL_Event const& event) {
    return event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN ||
           event.type == SDL_JOYBUTTONDOWN;
}

// Keys and buttons. A pressed binding holds its trigger until its own release; a release
// after another binding of the trigger took over leaves that one's value alone.
bool translateButton(Translator* translator, KeyState state, float value, SDL_Event const& event,
                     ControlQueue* queue) {
    Trigger* trigger = translator->trigger;
    InputEvaluator* evaluator = trigger->bank;
    switch (state) {
    case KS_PRESSED:
        if (isPress(event)) {
            if (evaluator)
                evaluator->heldTriggers.insert(trigger);
            trigger->value = value;
        } else if (trigger->value == value) {
            if (evaluator)
                evaluator->heldTriggers.erase(trigger);
            trigger->trigger(queue, translator, 0);
        }
        return true;
    case KS_DOWN:
    case KS_UP:
        trigger->trigger(queue, translator, value);
        return true;
    default:
        return false;
    }
}

// Joystick and mouse axes: dead zone `min`, full scale from `max` on, linear between.
bool translateAxis(Translator* translator, int raw, short direction, short min, short max,
                   ControlQueue* queue) {
    int sign = (raw > 0) - (raw < 0);
    if (direction != 0 && sign != 0 && sign != direction)
        return false;
    // In int: -32768 has no positive short, and a full deflection must not read as released.
    int magnitude = raw < 0 ? -raw : raw;
    Trigger* trigger = translator->trigger;
    float newValue;
    if (magnitude < min)
        newValue = 0;
    else if (magnitude < max)
        newValue = sign * trigger->max * static_cast<float>(magnitude - min) /
                   static_cast<float>(max - min);
    else
        newValue = sign * trigger->max;
    trigger->setValue(queue, translator, newValue);
    return true;
}

xml::Node* newElement(char const* name) {
    return new xml::Node(name, nullptr);
}

void putState(xml::Node* node, KeyState state, Trigger const* trigger) {
    if (state != trigger->defaultKeyState)
        (*node)[XML_STATE] = toStr<KeyState>(state);
}

void putDirection(xml::Node* node, short direction) {
    if (direction != 0)
        node->setAttributeLong(XML_DIRECTION, direction);
}

KeyState orDefault(KeyState state, Trigger const* trigger) {
    return state == KS_DEFAULT ? trigger->defaultKeyState : state;
}

// Each translator stands once in each of its lists; stopping at it keeps deleting a trigger's
// translators in order from searching whole lists.
template <typename T>
void unlist(std::list<T*>& list, T* item) {
    auto found = std::find(list.begin(), list.end(), item);
    if (found != list.end())
        list.erase(found);
}

} // namespace

Translator::Translator(Trigger* trigger) : trigger(trigger) {
    trigger->translators.push_back(this);
}

Translator::~Translator() {
    unlist(trigger->translators, static_cast<Translator*>(this));
}

InputEvaluator* Translator::evaluator() const {
    return trigger->bank;
}

// ---- Keys ----

KeyTranslator::KeyTranslator(Trigger* trigger, SDLKey key, KeyState state, float value)
    : Translator(trigger), key(key), state(orDefault(state, trigger)), value(value) {
    if (InputEvaluator* owner = evaluator())
        owner->keyTranslators.push_back(this);
}

KeyTranslator::~KeyTranslator() {
    if (InputEvaluator* owner = evaluator())
        unlist(owner->keyTranslators, this);
}

bool KeyTranslator::translate(SDL_Event const& event, ControlQueue* queue) {
    return translateButton(this, state, value, event, queue);
}

Translator* KeyTranslator::clone(Trigger* other) const {
    return new KeyTranslator(other, key, state, value);
}

xml::Node* KeyTranslator::buildTranslatorTree() const {
    std::string name = toStr<SDLKey>(key);
    if (name.empty()) {
        // An empty name would not read back, and the binding would vanish at the next start.
        debug::warning(dbgControls, "Key %d of trigger \"%s\" has no name and is not written.",
                       static_cast<int>(key), trigger->name.c_str());
        return nullptr;
    }
    xml::Node* node = newElement(XML_KEYTRANSLATOR);
    (*node)[XML_KEY] = name;
    node->setAttributeFloat(XML_VALUE, value);
    putState(node, state, trigger);
    return node;
}

// ---- Joystick buttons ----

JoyButtonTranslator::JoyButtonTranslator(Trigger* trigger, short joystick, short button,
                                         KeyState state, float value)
    : JoyTranslator(trigger, joystick), button(button), state(orDefault(state, trigger)),
      value(value) {
    if (InputEvaluator* owner = evaluator())
        owner->joyButtonTranslators.push_back(this);
}

JoyButtonTranslator::~JoyButtonTranslator() {
    if (InputEvaluator* owner = evaluator())
        unlist(owner->joyButtonTranslators, this);
}

bool JoyButtonTranslator::translate(SDL_Event const& event, ControlQueue* queue) {
    return translateButton(this, state, value, event, queue);
}

Translator* JoyButtonTranslator::clone(Trigger* other) const {
    return new JoyButtonTranslator(other, joystick, button, state, value);
}

xml::Node* JoyButtonTranslator::buildTranslatorTree() const {
    xml::Node* node = newElement(XML_JOYBUTTONTRANSLATOR);
    node->setAttributeLong(XML_JOY, joystick);
    node->setAttributeLong(XML_BUTTON, button);
    node->setAttributeFloat(XML_VALUE, value);
    putState(node, state, trigger);
    return node;
}

// ---- Joystick axes ----

JoyAxisTranslator::JoyAxisTranslator(Trigger* trigger, short joystick, unsigned char axis,
                                     signed char direction, short min, short max)
    : JoyTranslator(trigger, joystick), axis(axis), direction(direction), min(min), max(max) {
    if (InputEvaluator* owner = evaluator())
        owner->joyAxisTranslators.push_back(this);
}

JoyAxisTranslator::~JoyAxisTranslator() {
    if (InputEvaluator* owner = evaluator())
        unlist(owner->joyAxisTranslators, this);
}

bool JoyAxisTranslator::translate(SDL_Event const& event, ControlQueue* queue) {
    return translateAxis(this, event.jaxis.value, direction, min, max, queue);
}

Translator* JoyAxisTranslator::clone(Trigger* other) const {
    return new JoyAxisTranslator(other, joystick, axis, static_cast<signed char>(direction), min,
                                 max);
}

xml::Node* JoyAxisTranslator::buildTranslatorTree() const {
    xml::Node* node = newElement(XML_JOYAXISTRANSLATOR);
    node->setAttributeLong(XML_JOY, joystick);
    node->setAttributeLong(XML_AXIS, axis); // a number, not the raw byte
    node->setAttributeLong(XML_MIN, min);
    node->setAttributeLong(XML_MAX, max);
    putDirection(node, direction);
    return node;
}

// ---- Mouse buttons ----

MouseButtonTranslator::MouseButtonTranslator(Trigger* trigger, unsigned char button, KeyState state,
                                             float value)
    : Translator(trigger), button(button), state(orDefault(state, trigger)), value(value) {
    if (InputEvaluator* owner = evaluator())
        owner->mouseButtonTranslators.push_back(this);
}

MouseButtonTranslator::~MouseButtonTranslator() {
    if (InputEvaluator* owner = evaluator())
        unlist(owner->mouseButtonTranslators, this);
}

bool MouseButtonTranslator::translate(SDL_Event const& event, ControlQueue* queue) {
    return translateButton(this, state, value, event, queue);
}

Translator* MouseButtonTranslator::clone(Trigger* other) const {
    return new MouseButtonTranslator(other, button, state, value);
}

xml::Node* MouseButtonTranslator::buildTranslatorTree() const {
    xml::Node* node = newElement(XML_MOUSEBUTTONTRANSLATOR);
    node->setAttributeLong(XML_BUTTON, button); // a number, not the raw byte
    node->setAttributeFloat(XML_VALUE, value);
    putState(node, state, trigger);
    return node;
}

// ---- Mouse motion ----

MouseAxisTranslator::MouseAxisTranslator(Trigger* trigger, unsigned char axis,
                                         signed char direction, short min, short max)
    : Translator(trigger), axis(axis), direction(direction), min(min), max(max) {
    if (InputEvaluator* owner = evaluator())
        owner->mouseAxisTranslators.push_back(this);
}

MouseAxisTranslator::~MouseAxisTranslator() {
    if (InputEvaluator* owner = evaluator())
        unlist(owner->mouseAxisTranslators, this);
}

bool MouseAxisTranslator::translate(SDL_Event const& event, ControlQueue* queue) {
    int raw = axis == 0 ? event.motion.xrel : event.motion.yrel;
    return translateAxis(this, raw, direction, min, max, queue);
}

Translator* MouseAxisTranslator::clone(Trigger* other) const {
    return new MouseAxisTranslator(other, axis, static_cast<signed char>(direction), min, max);
}

xml::Node* MouseAxisTranslator::buildTranslatorTree() const {
    xml::Node* node = newElement(XML_MOUSEAXISTRANSLATOR);
    node->setAttributeLong(XML_AXIS, axis);
    node->setAttributeLong(XML_MIN, min);
    node->setAttributeLong(XML_MAX, max);
    putDirection(node, direction);
    return node;
}

} // namespace ravek
