#include "ravek/src/controls.h"

#include "ravek/src/debug.h"
#include "ravek/src/xml.h"

#include <vector>

namespace ravek {

ControlQueue queue;

char const* const XML_TRIGGER = "trigger";
char const* const XML_AXIS = "axis";
char const* const XML_CODE = "code";
char const* const XML_NAME = "name";
char const* const XML_DESCRIPTION = "description";
char const* const XML_DEFAULTKEYSTATE = "defaultKeyState";
char const* const XML_QUEUE = "queue";
char const* const XML_DATA = "data";
char const* const XML_DATASTRING = "dataString";
char const* const XML_MAX = "max";
char const* const XML_MIN = "min";
char const* const XML_DIRECTION = "direction";
char const* const XML_KEY = "key";
char const* const XML_BUTTON = "button";
char const* const XML_JOY = "joy";
char const* const XML_VALUE = "value";
char const* const XML_STATE = "state";
char const* const XML_KEYTRANSLATOR = "keyTranslator";
char const* const XML_JOYBUTTONTRANSLATOR = "joyButtonTranslator";
char const* const XML_JOYAXISTRANSLATOR = "joyAxisTranslator";
char const* const XML_MOUSEBUTTONTRANSLATOR = "mouseButtonTranslator";
char const* const XML_MOUSEAXISTRANSLATOR = "mouseAxisTranslator";

template <>
std::string toStr<KeyState>(KeyState state) {
    switch (state) {
    case KS_DOWN:
        return "down";
    case KS_UP:
        return "up";
    case KS_PRESSED:
        return "pressed";
    default:
        return "default";
    }
}

template <>
KeyState strTo<KeyState>(std::string text) {
    if (text == "down")
        return KS_DOWN;
    if (text == "up")
        return KS_UP;
    if (text == "pressed")
        return KS_PRESSED;
    return KS_DEFAULT;
}

// ---- Control queue ----

void Evaluator::perform(float, ControlQueue*) {}

void Evaluator::flush() {}

ControlQueue::~ControlQueue() {
    triggers.clear();
    heldBack.clear();
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

// ---- Triggers ----

namespace {

// A namesake already in the evaluator goes, together with its translators.
void registerTrigger(Trigger* trigger, InputEvaluator* evaluator) {
    if (!evaluator)
        return;
    auto it = evaluator->resources.find(trigger->name);
    if (it != evaluator->resources.end()) {
        if (it->second)
            delete it->second;
        else
            evaluator->resources.erase(it);
    }
    evaluator->resources[trigger->name] = trigger;
    trigger->bank = evaluator;
}

// Collects first: deleting a translator edits the list being walked.
template <typename T, typename Match>
void deleteTranslators(std::list<Translator*> const& translators, Match match) {
    std::vector<T*> doomed;
    for (Translator* translator : translators)
        if (T* typed = dynamic_cast<T*>(translator))
            if (match(typed))
                doomed.push_back(typed);
    for (T* translator : doomed)
        delete translator;
}

std::string join(std::vector<std::string> const& items) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ";" : "") + items[i];
    return out;
}

KeyState readState(xml::Node const* node) {
    return strTo<KeyState>(node->getAttribute(XML_STATE, "default"));
}

} // namespace

Trigger::Trigger(InputEvaluator* evaluator, int code, std::string const& name,
                 std::string const& description, float max)
    : NamedResource<InputEvaluator, std::string>(name), code(code), description(description),
      data(0), max(max), defaultKeyState(KS_PRESSED), queue(false), value(0) {
    registerTrigger(this, evaluator);
}

Trigger::Trigger(InputEvaluator* evaluator, int code, std::string const& name,
                 std::string const& description, KeyState defaultKeyState)
    : NamedResource<InputEvaluator, std::string>(name), code(code), description(description),
      data(0), max(1.0f), defaultKeyState(defaultKeyState), queue(true), value(0) {
    registerTrigger(this, evaluator);
}

Trigger::~Trigger() {
    clearTranslators();
    if (bank)
        bank->heldTriggers.erase(this);
    // A trigger deleted while queued (or set as a focus trigger) must not dangle there.
    ravek::queue.triggers.remove(this);
    ravek::queue.heldBack.remove(this);
    if (ravek::queue.focusGainedTrigger == this)
        ravek::queue.focusGainedTrigger = nullptr;
    if (ravek::queue.focusLostTrigger == this)
        ravek::queue.focusLostTrigger = nullptr;
}

void Trigger::trigger(ControlQueue* controlQueue) {
    if (queue && controlQueue)
        *controlQueue << this;
}

void Trigger::trigger(ControlQueue* controlQueue, Translator*, float newValue) {
    value = newValue;
    trigger(controlQueue);
}

void Trigger::setValue(ControlQueue* controlQueue, Translator* translator, float newValue) {
    if (newValue != value)
        trigger(controlQueue, translator, newValue);
}

void Trigger::clearTranslators() {
    while (!translators.empty())
        delete translators.front();
}

void Trigger::clearKeyTranslators(float withValue) {
    deleteTranslators<KeyTranslator>(translators, [withValue](KeyTranslator* t) {
        return withValue == 0 || t->value == withValue;
    });
}

void Trigger::clearJoyButtonTranslators(float withValue) {
    deleteTranslators<JoyButtonTranslator>(translators, [withValue](JoyButtonTranslator* t) {
        return withValue == 0 || t->value == withValue;
    });
}

void Trigger::clearMouseButtonTranslators(float withValue) {
    deleteTranslators<MouseButtonTranslator>(translators, [withValue](MouseButtonTranslator* t) {
        return withValue == 0 || t->value == withValue;
    });
}

void Trigger::clearJoyAxisTranslators(short withDirection) {
    deleteTranslators<JoyAxisTranslator>(translators, [withDirection](JoyAxisTranslator* t) {
        return withDirection == 0 || t->direction == withDirection;
    });
}

void Trigger::clearMouseAxisTranslators(short withDirection) {
    deleteTranslators<MouseAxisTranslator>(translators, [withDirection](MouseAxisTranslator* t) {
        return withDirection == 0 || t->direction == withDirection;
    });
}

Trigger* Trigger::clone(InputEvaluator* evaluator) const {
    Trigger* copy = new Trigger(evaluator, code, name, description, defaultKeyState);
    copy->data = data;
    copy->dataString = dataString;
    copy->max = max;
    copy->queue = queue;
    for (Translator* translator : translators)
        translator->clone(copy);
    return copy;
}

void Trigger::getFromNode(xml::Node const* node, std::string const&) {
    if (std::string const* state = node->getAttribute(XML_DEFAULTKEYSTATE))
        defaultKeyState = strTo<KeyState>(*state);
    getTranslatorsFromNode(node);
}

void Trigger::getTranslatorsFromNode(xml::Node const* node) {
    clearTranslators();
    for (xml::Node const* child : node->children) {
        std::string const& kind = child->name;
        if (kind == XML_KEYTRANSLATOR) {
            SDLKey key;
            try {
                key = strTo<SDLKey>(child->getAttribute(XML_KEY, ""));
            } catch (std::string text) {
                debug::warning(dbgControls, "%s", text.c_str());
                continue;
            }
            new KeyTranslator(this, key, readState(child), child->getAttributeFloat(XML_VALUE, 1));
        } else if (kind == XML_JOYBUTTONTRANSLATOR) {
            new JoyButtonTranslator(this, static_cast<short>(child->getAttributeLong(XML_JOY, 0)),
                                    static_cast<short>(child->getAttributeLong(XML_BUTTON, 0)),
                                    readState(child), child->getAttributeFloat(XML_VALUE, 1));
        } else if (kind == XML_JOYAXISTRANSLATOR) {
            new JoyAxisTranslator(
                this, static_cast<short>(child->getAttributeLong(XML_JOY, 0)),
                static_cast<unsigned char>(child->getAttributeLong(XML_AXIS, 0)),
                static_cast<signed char>(child->getAttributeLong(XML_DIRECTION, 0)),
                static_cast<short>(child->getAttributeLong(XML_MIN, 0)),
                static_cast<short>(child->getAttributeLong(XML_MAX, 1)));
        } else if (kind == XML_MOUSEBUTTONTRANSLATOR) {
            new MouseButtonTranslator(
                this, static_cast<unsigned char>(child->getAttributeLong(XML_BUTTON, 0)),
                readState(child), child->getAttributeFloat(XML_VALUE, 1));
        } else if (kind == XML_MOUSEAXISTRANSLATOR) {
            new MouseAxisTranslator(
                this, static_cast<unsigned char>(child->getAttributeLong(XML_AXIS, 0)),
                static_cast<signed char>(child->getAttributeLong(XML_DIRECTION, 0)),
                static_cast<short>(child->getAttributeLong(XML_MIN, 0)),
                static_cast<short>(child->getAttributeLong(XML_MAX, 1)));
        }
    }
}

xml::Node* Trigger::buildTranslatorTree() const {
    xml::Node* node = new xml::Node(XML_TRIGGER, nullptr);
    (*node)[XML_NAME] = name;
    for (Translator const* translator : translators)
        *node += translator->buildTranslatorTree(); // a null element is not appended
    return node;
}

std::string Trigger::keysToString(float withValue) const {
    std::vector<std::string> items;
    for (Translator* translator : translators)
        if (auto* key = dynamic_cast<KeyTranslator*>(translator))
            if (withValue == 0 || key->value == withValue)
                items.push_back(toStr<SDLKey>(key->key));
    return join(items);
}

std::string Trigger::joyAxisToString(short withDirection) const {
    std::vector<std::string> items;
    for (Translator* translator : translators)
        if (auto* axis = dynamic_cast<JoyAxisTranslator*>(translator))
            if (withDirection == 0 || axis->direction == withDirection)
                items.push_back("Joy " + toStr<int>(axis->joystick) + "; Axis " +
                                toStr<int>(axis->axis) +
                                (axis->direction > 0   ? " +"
                                 : axis->direction < 0 ? " -"
                                                       : ""));
    return join(items);
}

std::string Trigger::joyButtonsToString(float withValue) const {
    std::vector<std::string> items;
    for (Translator* translator : translators)
        if (auto* button = dynamic_cast<JoyButtonTranslator*>(translator))
            if (withValue == 0 || button->value == withValue)
                items.push_back("Joy " + toStr<int>(button->joystick) + "; Btn " +
                                toStr<int>(button->button));
    return join(items);
}

std::string Trigger::joyToString(short withDirection, float withValue) const {
    std::vector<std::string> items;
    for (std::string part : {joyAxisToString(withDirection), joyButtonsToString(withValue)})
        if (!part.empty())
            items.push_back(part);
    return join(items);
}

// ---- Input evaluators ----

namespace {

bool isPress(SDL_Event const& event) {
    return event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN ||
           event.type == SDL_JOYBUTTONDOWN;
}

bool fits(KeyState state, SDL_Event const& event) {
    if (state == KS_PRESSED)
        return true;
    return state == (isPress(event) ? KS_DOWN : KS_UP);
}

} // namespace

InputEvaluator::~InputEvaluator() {
    // Here, not in the bank's destructor: the triggers still need the held set.
    clear();
}

void InputEvaluator::perform(float, ControlQueue* queue) {
    if (!queue)
        return;
    for (Trigger* trigger : heldTriggers)
        *queue << trigger;
}

bool InputEvaluator::evaluate(SDL_Event const& event, ControlQueue* queue) {
    if (resources.empty())
        return false;
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return handleKeyEvent(event, queue);
    case SDL_MOUSEMOTION:
        return handleMouseAxisEvent(event, queue);
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return handleMouseButtonEvent(event, queue);
    case SDL_JOYAXISMOTION:
        return handleJoyAxisEvent(event, queue);
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        return handleJoyButtonEvent(event, queue);
    default:
        return false;
    }
}

void InputEvaluator::flush() {
    for (Trigger* trigger : heldTriggers)
        trigger->value = 0;
    heldTriggers.clear();
}

std::string InputEvaluator::getNodeName() const {
    return "inputEvaluator";
}

void InputEvaluator::getFromNode(xml::Node const* node, std::string const& dir) {
    for (xml::Node const* child : node->children) {
        bool axis = child->name == XML_AXIS;
        if (!axis && child->name != XML_TRIGGER)
            continue;
        int code = static_cast<int>(child->getAttributeLong(XML_CODE, 0));
        std::string name = child->getAttribute(XML_NAME, "");
        std::string description = child->getAttribute(XML_DESCRIPTION, "");
        Trigger* trigger =
            axis ? new Trigger(this, code, name, description, child->getAttributeFloat(XML_MAX, 1))
                 : new Trigger(this, code, name, description, KS_DOWN);
        trigger->getFromNode(child, dir);
        trigger->queue = child->getAttributeBool(XML_QUEUE, !axis);
        trigger->data = static_cast<int>(child->getAttributeLong(XML_DATA, 0));
        trigger->dataString = child->getAttribute(XML_DATASTRING, "");
    }
}

bool InputEvaluator::handleKeyEvent(SDL_Event const& event, ControlQueue* queue) {
    bool consumed = false;
    for (KeyTranslator* translator : keyTranslators)
        if (translator->key == event.key.keysym.sym && fits(translator->state, event) &&
            translator->translate(event, queue))
            consumed = true;
    return consumed;
}

bool InputEvaluator::handleJoyButtonEvent(SDL_Event const& event, ControlQueue* queue) {
    int joystick = event.jbutton.which;
    int button = event.jbutton.button;
    bool consumed = false;
    bool exactTranslated = false;
    JoyButtonTranslator* wildcard = nullptr;
    for (JoyButtonTranslator* translator : joyButtonTranslators) {
        if (!fits(translator->state, event))
            continue;
        if (translator->joystick == joystick && translator->button == button) {
            exactTranslated = true;
            if (translator->translate(event, queue))
                consumed = true;
        } else if (!exactTranslated &&
                   (translator->joystick < 0 || translator->joystick == joystick) &&
                   (translator->button < 0 || translator->button == button)) {
            wildcard = translator;
        }
    }
    if (!exactTranslated && wildcard && wildcard->translate(event, queue))
        consumed = true;
    return consumed;
}

bool InputEvaluator::handleJoyAxisEvent(SDL_Event const& event, ControlQueue* queue) {
    bool consumed = false;
    for (JoyAxisTranslator* translator : joyAxisTranslators)
        if (translator->joystick == event.jaxis.which && translator->axis == event.jaxis.axis &&
            translator->translate(event, queue))
            consumed = true;
    return consumed;
}

bool InputEvaluator::handleMouseButtonEvent(SDL_Event const& event, ControlQueue* queue) {
    bool consumed = false;
    for (MouseButtonTranslator* translator : mouseButtonTranslators)
        if (translator->button == event.button.button && fits(translator->state, event) &&
            translator->translate(event, queue))
            consumed = true;
    return consumed;
}

bool InputEvaluator::handleMouseAxisEvent(SDL_Event const& event, ControlQueue* queue) {
    bool consumed = false;
    for (MouseAxisTranslator* translator : mouseAxisTranslators)
        if (translator->translate(event, queue))
            consumed = true;
    return consumed;
}

void InputEvaluator::clear() {
    // Emptied first, so that every translator finds its lists empty instead of searching them.
    keyTranslators.clear();
    joyButtonTranslators.clear();
    joyAxisTranslators.clear();
    mouseButtonTranslators.clear();
    mouseAxisTranslators.clear();
    clearResources();
    heldTriggers.clear();
}

void InputEvaluator::copyFrom(InputEvaluator* source) {
    if (!source || source == this)
        return;
    // Triggers are updated in place rather than replaced: the game keeps pointers to them.
    std::vector<std::string> gone;
    for (auto it = resources.rbegin(); it != resources.rend(); ++it)
        if (!source->resources.count(it->first))
            gone.push_back(it->first);
    for (std::string const& name : gone) {
        auto it = resources.find(name);
        if (it == resources.end())
            continue;
        if (it->second)
            delete it->second;
        else
            resources.erase(it);
    }
    for (auto const& entry : source->resources) {
        Trigger const* from = entry.second;
        if (!from)
            continue;
        auto it = resources.find(entry.first);
        if (it == resources.end() || !it->second) {
            from->clone(this);
            continue;
        }
        Trigger* to = it->second;
        to->code = from->code;
        to->description = from->description;
        to->data = from->data;
        to->dataString = from->dataString;
        to->max = from->max;
        to->defaultKeyState = from->defaultKeyState;
        to->queue = from->queue;
        to->value = 0;
        heldTriggers.erase(to);
        to->clearTranslators();
        for (Translator* translator : from->translators)
            translator->clone(to);
    }
}

InputEvaluator* InputEvaluator::clone() {
    InputEvaluator* copy = new InputEvaluator;
    copy->copyFrom(this);
    return copy;
}

void InputEvaluator::setDataOnAllTriggers(int data) {
    for (auto const& entry : resources)
        if (entry.second)
            entry.second->data = data;
}

void InputEvaluator::addTranslatorsToTree(xml::Node* node) {
    for (auto const& entry : resources)
        if (entry.second)
            *node += entry.second->buildTranslatorTree();
}

void InputEvaluator::getTranslatorsFromNode(xml::Node const* node) {
    for (xml::Node const* child : node->children) {
        if (child->name != XML_TRIGGER && child->name != XML_AXIS)
            continue;
        auto it = resources.find(child->getAttribute(XML_NAME, ""));
        if (it != resources.end() && it->second)
            it->second->getTranslatorsFromNode(child);
    }
}

} // namespace ravek
