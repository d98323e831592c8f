#ifndef RAVEK_CONTROLS_H
#define RAVEK_CONTROLS_H

#include "ravek/src/controls_keynames.h"
#include "ravek/src/resources.h"
#include "ravek/src/tools.h"

#include <SDL/SDL.h>

#include <list>
#include <set>
#include <string>

namespace ravek {

namespace xml {
class Node;
}

class ControlQueue;
class InputEvaluator;
class Translator;
class Trigger;

// When a button-like translator fires. KS_DEFAULT stands for the trigger's defaultKeyState
// when a translator is made.
enum KeyState { KS_DEFAULT = 0, KS_DOWN = 1, KS_UP = 2, KS_PRESSED = 3 };

// "down", "up", "pressed"; "default" for anything else.
template <>
std::string toStr<KeyState>(KeyState state);
// Exactly "down", "up" or "pressed"; every other text is KS_DEFAULT. Never throws.
template <>
KeyState strTo<KeyState>(std::string text);

extern char const* const XML_TRIGGER;
extern char const* const XML_AXIS;
extern char const* const XML_CODE;
extern char const* const XML_NAME;
extern char const* const XML_DESCRIPTION;
extern char const* const XML_DEFAULTKEYSTATE;
extern char const* const XML_QUEUE;
extern char const* const XML_DATA;
extern char const* const XML_DATASTRING;
extern char const* const XML_MAX;
extern char const* const XML_MIN;
extern char const* const XML_DIRECTION;
extern char const* const XML_KEY;
extern char const* const XML_BUTTON;
extern char const* const XML_JOY;
extern char const* const XML_VALUE;
extern char const* const XML_STATE;
extern char const* const XML_KEYTRANSLATOR;
extern char const* const XML_JOYBUTTONTRANSLATOR;
extern char const* const XML_JOYAXISTRANSLATOR;
extern char const* const XML_MOUSEBUTTONTRANSLATOR;
extern char const* const XML_MOUSEAXISTRANSLATOR;

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
    // The triggers queued before a frame's events, held back while the main loop hands over
    // each event's own (Application::handleEvents).
    std::list<Trigger*> heldBack;
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

// A named action fed by translators, held by name in its input evaluator, which owns it; the
// trigger owns its translators. Constructing it with an evaluator registers it there and
// deletes a namesake; a null evaluator leaves it unregistered. Destroying it deletes its
// translators, releases it from its evaluator's held set and takes it out of ravek::queue, so
// nothing there points to it afterwards. Nothing here fails.
class Trigger : public NamedResource<InputEvaluator, std::string> {
public:
    int code;
    std::string description;
    int data;
    std::string dataString;
    // Owned, in creation order.
    std::list<Translator*> translators;
    // Full-scale value of axis translators.
    float max;
    KeyState defaultKeyState;
    // Whether translators queue the trigger when they change its value.
    bool queue;
    // 0 means off.
    float value;

    // An axis trigger: pressed by default, not queued.
    Trigger(InputEvaluator* evaluator, int code, std::string const& name,
            std::string const& description, float max);
    // A button trigger: max 1, queued.
    Trigger(InputEvaluator* evaluator, int code, std::string const& name,
            std::string const& description, KeyState defaultKeyState);
    ~Trigger() override;

    bool isActive() const { return value != 0; }
    // Queue when the queue flag is set.
    void trigger(ControlQueue* controlQueue);
    // Set the value, then queue when the queue flag is set.
    void trigger(ControlQueue* controlQueue, Translator* translator, float newValue);
    // Like trigger, but an unchanged value does nothing.
    void setValue(ControlQueue* controlQueue, Translator* translator, float newValue);
    void reset() { value = 0; }

    void clearTranslators();
    // Value or direction 0 deletes every translator of that kind.
    void clearKeyTranslators(float withValue);
    void clearJoyButtonTranslators(float withValue);
    void clearMouseButtonTranslators(float withValue);
    void clearJoyAxisTranslators(short withDirection);
    void clearMouseAxisTranslators(short withDirection);

    // A copy with clones of the translators, registered in the given evaluator; value 0. Not
    // into the trigger's own evaluator: the copy would replace this trigger there.
    Trigger* clone(InputEvaluator* evaluator) const;

    // Reads "defaultKeyState" when present, then the translators.
    void getFromNode(xml::Node const* node, std::string const& dir);
    // Replaces every translator from the element's children. A key name that names no key is
    // logged as a warning in the controls group and that element skipped.
    void getTranslatorsFromNode(xml::Node const* node);
    // A new element "trigger" with the name and one child per translator, owned by the caller.
    // A key translator whose key has no name is left out (with a warning): it could not be read
    // back.
    xml::Node* buildTranslatorTree() const;

    // Labels of the bindings whose value (direction) matches, all when it is 0; joined by ";".
    std::string keysToString(float withValue) const;
    std::string joyAxisToString(short withDirection) const;
    std::string joyButtonsToString(float withValue) const;
    std::string joyToString(short withDirection, float withValue) const;
};

// Binds one physical input to one trigger, which owns it. Constructing it appends it to the
// trigger's translators and to its evaluator's list of its kind; destroying it takes it out of
// both (a trigger it holds stays held until the evaluator is flushed or cleared).
class Translator {
public:
    Trigger* trigger;

    explicit Translator(Trigger* trigger);
    virtual ~Translator();
    // True when the event was consumed.
    virtual bool translate(SDL_Event const& event, ControlQueue* queue) = 0;
    // The same binding feeding another trigger, owned by that trigger.
    virtual Translator* clone(Trigger* trigger) const = 0;
    // A new element describing the binding, owned by the caller; null when the binding cannot
    // be written so that it reads back.
    virtual xml::Node* buildTranslatorTree() const = 0;

    Translator(Translator const&) = delete;
    Translator& operator=(Translator const&) = delete;

protected:
    // The evaluator the trigger belongs to, or null.
    InputEvaluator* evaluator() const;
};

// A joystick binding; joystick -1 stands for any joystick (only buttons honour it).
class JoyTranslator : public Translator {
public:
    short joystick;

    JoyTranslator(Trigger* trigger, short joystick) : Translator(trigger), joystick(joystick) {}
};

// A keyboard key. State KS_DEFAULT takes the trigger's default.
class KeyTranslator : public Translator {
public:
    SDLKey key;
    KeyState state;
    float value;

    KeyTranslator(Trigger* trigger, SDLKey key, KeyState state, float value);
    ~KeyTranslator() override;
    bool translate(SDL_Event const& event, ControlQueue* queue) override;
    Translator* clone(Trigger* trigger) const override;
    // Null, with a warning, for a key without a name.
    xml::Node* buildTranslatorTree() const override;
};

// A joystick button; button -1 stands for any button.
class JoyButtonTranslator : public JoyTranslator {
public:
    short button;
    KeyState state;
    float value;

    JoyButtonTranslator(Trigger* trigger, short joystick, short button, KeyState state,
                        float value);
    ~JoyButtonTranslator() override;
    bool translate(SDL_Event const& event, ControlQueue* queue) override;
    Translator* clone(Trigger* trigger) const override;
    xml::Node* buildTranslatorTree() const override;
};

// A joystick axis scaled linearly from the dead zone `min` to full scale at `max` (raw units);
// direction -1 or +1 takes only that half of the axis.
class JoyAxisTranslator : public JoyTranslator {
public:
    unsigned char axis;
    short direction;
    short min;
    short max;

    JoyAxisTranslator(Trigger* trigger, short joystick, unsigned char axis, signed char direction,
                      short min, short max);
    ~JoyAxisTranslator() override;
    bool translate(SDL_Event const& event, ControlQueue* queue) override;
    Translator* clone(Trigger* trigger) const override;
    xml::Node* buildTranslatorTree() const override;
};

// A mouse button by SDL's number.
class MouseButtonTranslator : public Translator {
public:
    unsigned char button;
    KeyState state;
    float value;

    MouseButtonTranslator(Trigger* trigger, unsigned char button, KeyState state, float value);
    ~MouseButtonTranslator() override;
    bool translate(SDL_Event const& event, ControlQueue* queue) override;
    Translator* clone(Trigger* trigger) const override;
    xml::Node* buildTranslatorTree() const override;
};

// Relative mouse motion: axis 0 horizontal, any other vertical; scaled like a joystick axis.
class MouseAxisTranslator : public Translator {
public:
    unsigned char axis;
    short direction;
    short min;
    short max;

    MouseAxisTranslator(Trigger* trigger, unsigned char axis, signed char direction, short min,
                        short max);
    ~MouseAxisTranslator() override;
    bool translate(SDL_Event const& event, ControlQueue* queue) override;
    Translator* clone(Trigger* trigger) const override;
    xml::Node* buildTranslatorTree() const override;
};

// A named set of triggers that turns key, mouse and joystick events into them; at once an
// evaluator of a control queue and the bank (type "inputEvaluator") that owns the triggers.
// The five lists index every translator by kind in creation order and own nothing. Unknown
// elements of a description are ignored, unknown key names warned about and skipped. Take it
// out of every control queue before deleting it.
class InputEvaluator : public Evaluator, public NamedResourceBank<Trigger> {
public:
    std::list<KeyTranslator*> keyTranslators;
    std::list<JoyButtonTranslator*> joyButtonTranslators;
    std::list<JoyAxisTranslator*> joyAxisTranslators;
    std::list<MouseButtonTranslator*> mouseButtonTranslators;
    std::list<MouseAxisTranslator*> mouseAxisTranslators;
    // Triggers held by a translator in state pressed; queued on every perform.
    std::set<Trigger*> heldTriggers;

    InputEvaluator() {}
    ~InputEvaluator() override;

    void perform(float dt, ControlQueue* queue) override;
    bool evaluate(SDL_Event const& event, ControlQueue* queue) override;
    // Releases every held trigger (value 0) without queueing anything.
    void flush() override;

    std::string getNodeName() const override;
    // Adds the "trigger" and "axis" children as triggers; a namesake replaces an earlier one.
    void getFromNode(xml::Node const* node, std::string const& dir) override;

    bool handleKeyEvent(SDL_Event const& event, ControlQueue* queue);
    bool handleJoyButtonEvent(SDL_Event const& event, ControlQueue* queue);
    bool handleJoyAxisEvent(SDL_Event const& event, ControlQueue* queue);
    bool handleMouseButtonEvent(SDL_Event const& event, ControlQueue* queue);
    bool handleMouseAxisEvent(SDL_Event const& event, ControlQueue* queue);

    // Deletes every trigger with its translators.
    void clear();
    // Makes this evaluator's triggers equal to the source's while keeping trigger identity: a
    // trigger of both is updated in place, one only in the source is cloned, one only here is
    // deleted. Pointers to kept triggers stay valid.
    void copyFrom(InputEvaluator* source);
    // An active copy registered nowhere, owned by the caller.
    InputEvaluator* clone();
    void setDataOnAllTriggers(int data);
    // Appends every trigger's buildTranslatorTree() element, in name order.
    void addTranslatorsToTree(xml::Node* node);
    // Replaces the translators of each trigger named by a "trigger" or "axis" child; children
    // naming no trigger here are skipped.
    void getTranslatorsFromNode(xml::Node const* node);
};

} // namespace ravek

#endif
