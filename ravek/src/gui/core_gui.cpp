// The GUI root: events, the GUI description and the bank generator.
#include "ravek/src/gui/core.h"

#include "ravek/src/debug.h"
#include "ravek/src/gfx/fonts.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gfx/sprites.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/lists.h"
#include "ravek/src/gui/slider.h"
#include "ravek/src/gui/standard.h"
#include "ravek/src/gui/styles.h"
#include "ravek/src/gui/text.h"
#include "ravek/src/ravek.h"
#include "ravek/src/xml.h"

#include <GL/gl.h>

#include <memory>

namespace ravek {
namespace gui {

std::map<std::pair<unsigned char, unsigned char>, short> axisTable;

GuiResourceBankGenerator resourceBankGenerator;

BasicResourceBank* GuiResourceBankGenerator::generateBank(std::string const& type) const {
    if (type == "gui")
        return new GUI;
    return nullptr;
}

namespace {

float const defaultKeyDelay = 300.0f;
float const defaultKeyRepeat = 30.0f;

// A new widget of that element name, or null.
Component* createWidget(std::string const& type) {
    if (type == "Pane")
        return new Pane;
    if (type == "InputCaptor")
        return new InputCaptor;
    if (type == "Label")
        return new Label;
    if (type == "Button")
        return new Button;
    if (type == "Checkbox")
        return new Checkbox;
    if (type == "DropdownList")
        return new DropdownList;
    if (type == "Textfield")
        return new Textfield;
    if (type == "Slider_int")
        return new Slider<int>;
    if (type == "Slider_float")
        return new Slider<float>;
    return nullptr;
}

bool showsFocusOnly(SDLKey key) {
    switch (key) {
    case SDLK_TAB:
    case SDLK_UP:
    case SDLK_DOWN:
    case SDLK_LEFT:
    case SDLK_RIGHT:
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_SPACE:
        return true;
    default:
        return false;
    }
}

} // namespace

float keyDelayOf(Component const* component) {
    GUI const* root = component->getRoot();
    return root ? root->getKeyDelay() : defaultKeyDelay;
}

float keyRepeatOf(Component const* component) {
    GUI const* root = component->getRoot();
    float repeat = root ? root->getKeyRepeat() : defaultKeyRepeat;
    // NaN fails the comparison as well.
    return repeat >= 1.0f ? repeat : 1.0f;
}

void readTrigger(xml::Node const* node, char const* attribute, GUI const* gui, Trigger*& trigger) {
    std::string const* value = node->getAttribute(attribute);
    if (!value)
        return;
    trigger = gui ? gui->findTrigger(*value) : nullptr;
}

gfx::Image* findImage(GUI const* gui, std::string const& name) {
    gfx::ImageBank* bank = gui ? gui->getImages() : nullptr;
    if (!bank)
        return nullptr;
    auto it = bank->resources.find(name);
    return it == bank->resources.end() ? nullptr : it->second;
}

void Component::getChildrenFromNode(xml::Node const* node, GUI* gui) {
    for (xml::Node const* child : node->children) {
        std::unique_ptr<Component> widget(createWidget(child->name));
        if (!widget)
            continue;
        widget->getSelfFromNode(child, gui);
        widget->getChildrenFromNode(child, gui);
        widget->recalcNeighbours();
        *this += widget.release();
    }
}

// GUI

GUI::GUI()
    : fonts(nullptr), images(nullptr), triggers(nullptr), styles(new StyleBank),
      mouseCursor(nullptr), mouseCaptured(nullptr), focused(this), focusBeforePointer(nullptr),
      active(false), keyDelay(defaultKeyDelay), keyRepeat(defaultKeyRepeat), callback(nullptr) {
    visible = false;
}

GUI::~GUI() {
    delete styles;
    styles = nullptr;
    for (Style* style : retiredStyles)
        delete style;
    retiredStyles.clear();
    delete mouseCursor;
    mouseCursor = nullptr;
    // The widgets go with the component's destructor, which no longer sees a GUI above them.
}

void GUI::setKeyRepeat(float delay, float repeat) {
    keyDelay = delay;
    keyRepeat = repeat;
}

void GUI::doMove() {
    if (callback)
        callback->onMove();
}

void GUI::doConfirm() {
    if (callback)
        callback->onConfirm();
}

Trigger* GUI::findTrigger(std::string const& fullName) const {
    if (!manager) {
        debug::critical(dbgGui, "Manager not yet set!");
        throw std::string("Manager not yet set!");
    }
    size_t dot = fullName.find('.');
    if (dot == std::string::npos) {
        debug::critical(dbgGui, "Not a fully qualified trigger name.");
        return nullptr;
    }
    auto bank = manager->banks.find(fullName.substr(0, dot));
    if (bank == manager->banks.end())
        return nullptr;
    auto* evaluator = dynamic_cast<InputEvaluator*>(bank->second);
    if (!evaluator)
        return nullptr;
    auto trigger = evaluator->resources.find(fullName.substr(dot + 1));
    return trigger == evaluator->resources.end() ? nullptr : trigger->second;
}

basic_Vector2D<float> GUI::mousePoint(int mouseX, int mouseY) {
    return basic_Vector2D<float>(static_cast<float>(mouseX),
                                 vpScreen.height - static_cast<float>(mouseY));
}

// Drawing

void GUI::draw() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    currentPos = basic_Vector2D<float>(0.0f, 0.0f);
    Component::draw();
    glPopAttrib();
}

void GUI::drawSelfPost() {
    if (!mouseCursor || !mouseCursor->visible)
        return;
    // The cursor's image is read before it is loaded, so its size is taken again here: the
    // hot spot would be off by the image's height otherwise.
    if (auto* sprite = dynamic_cast<sprites::ImageSprite*>(mouseCursor))
        sprite->getImageData();
    mouseCursor->draw();
}

// Events

bool GUI::evaluate(SDL_Event const& event, ControlQueue* queue) {
    bool consumed = evaluateEvent(event, queue);
    if (consumed && callback)
        callback->onInput();
    return consumed;
}

bool GUI::evaluateEvent(SDL_Event const& event, ControlQueue* queue) {
    if (!active)
        return false;
    Component* target = GUI::focused;
    switch (event.type) {
    case SDL_KEYDOWN:
        if (Component* restored = focusToRestore()) {
            restored->setFocused(true);
            doMove();
            // Keys that would act on what is highlighted only show it again: with nothing
            // highlighted, Return must not press a button the player no longer sees. A widget
            // alone in its panel (the name field) is the only one a key can mean.
            if (showsFocusOnly(event.key.keysym.sym) && restored->parent &&
                offersFocus(restored->parent, restored))
                return true;
            target = restored;
        }
        return target && target->keyDown(queue, event.key.keysym.sym, event.key.keysym.mod,
                                         event.key.keysym.unicode);
    case SDL_KEYUP:
        return target && target->keyUp(queue, event.key.keysym.sym, event.key.keysym.mod,
                                       event.key.keysym.unicode);
    case SDL_JOYBUTTONDOWN:
        return target && target->joyButtonDown(queue, event.jbutton.which, event.jbutton.button);
    case SDL_JOYBUTTONUP:
        return target && target->joyButtonUp(queue, event.jbutton.which, event.jbutton.button);
    case SDL_JOYAXISMOTION: {
        short value = event.jaxis.value > 16000 ? 1 : event.jaxis.value < -16000 ? -1 : 0;
        short& last = axisTable[std::make_pair(event.jaxis.which, event.jaxis.axis)];
        if (last == value)
            return false;
        last = value;
        return target && target->joyAxisMotion(queue, event.jaxis.which, event.jaxis.axis, value);
    }
    case SDL_MOUSEMOTION:
        return evaluateMouseMotion(event.motion.x, event.motion.y, queue);
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        basic_Vector2D<float> p = pointerPoint(event.button.x, event.button.y);
        if (mouseCursor)
            mouseCursor->position = p;
        if (mouseCaptured) {
            target = mouseCaptured;
        } else {
            // A press acts where the pointer is, whatever the keys highlighted since it came
            // to rest there, and on nothing where no widget is.
            target = find(p);
            if (target != GUI::focused)
                hover(target, p, queue);
        }
        if (!target)
            return true;
        basic_Vector2D<float> point =
            target->getRelativeCoordinates(basic_Vector2D<float>(p.x + x, p.y + y));
        if (event.type == SDL_MOUSEBUTTONDOWN)
            target->mouseDown(queue, point, event.button.button);
        else
            target->mouseUp(queue, point, event.button.button);
        return true;
    }
    default:
        return false;
    }
}

Component* GUI::focusToRestore() const {
    if (!focusBeforePointer || !GUI::focused || GUI::focused->focusable)
        return nullptr;
    Component const* c = focusBeforePointer;
    for (; c->parent; c = c->parent)
        if (!c->isEnabled())
            return nullptr;
    return c == this ? focusBeforePointer : nullptr;
}

basic_Vector2D<float> GUI::pointerPoint(int mouseX, int mouseY) const {
    // One conversion from the mouse's window point serves the cursor, hit testing and every
    // component's own coordinates, for motion and clicks alike.
    basic_Vector2D<float> absolute = mousePoint(mouseX, mouseY);
    return basic_Vector2D<float>(clamp(absolute.x - x, 0.0f, width - 1.0f),
                                 clamp(absolute.y - y, 0.0f, height - 1.0f));
}

bool GUI::pointerPosition(int& mouseX, int& mouseY) const {
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return false;
    SDL_GetMouseState(&mouseX, &mouseY);
    return true;
}

void GUI::takePointer() {
    // Motion while the GUI was inactive or hidden went elsewhere: the cursor is drawn, and
    // clicks are found, where the pointer really is.
    int mouseX = 0, mouseY = 0;
    if (mouseCursor && pointerPosition(mouseX, mouseY))
        mouseCursor->position = pointerPoint(mouseX, mouseY);
}

void GUI::followPointer(ControlQueue* queue) {
    int mouseX = 0, mouseY = 0;
    if (!active)
        takePointer();
    else if (pointerPosition(mouseX, mouseY))
        evaluateMouseMotion(mouseX, mouseY, queue);
}

void GUI::callOffPress() {
    Component* captured = mouseCaptured;
    if (!captured)
        return;
    Component* focus = GUI::focused;
    Component* before = focusBeforePointer;
    // Nothing inside holds the focus: a button or checkbox released so does not click.
    setFocused(true);
    basic_Vector2D<float> p = mouseCursor ? mouseCursor->position : basic_Vector2D<float>();
    captured->cancelPress(
        captured->getRelativeCoordinates(basic_Vector2D<float>(p.x + x, p.y + y)));
    mouseCaptured = nullptr;
    if (focus)
        focus->setFocused(true);
    focusBeforePointer = before;
}

void GUI::setVisible(bool on) {
    if (on && !visible)
        takePointer();
    Component::setVisible(on);
}

void GUI::setActive(bool on) {
    if (on && !active)
        takePointer();
    if (!on)
        callOffPress();
    active = on;
}

void GUI::hover(Component* hit, basic_Vector2D<float> const& p, ControlQueue* queue) {
    Component* current = GUI::focused;
    if (current)
        current->leave(queue, p);
    if (hit) {
        Component* before = current && current->focusable ? current : focusBeforePointer;
        hit->enter(queue, p);
        hit->setFocused(true);
        focusBeforePointer = hit->focusable ? nullptr : before;
    }
}

bool GUI::evaluateMouseMotion(int mouseX, int mouseY, ControlQueue* queue) {
    if (!mouseCursor)
        return true;
    basic_Vector2D<float> p = pointerPoint(mouseX, mouseY);
    basic_Vector2D<float> absolute(p.x + x, p.y + y);
    mouseCursor->position = p;
    Component* hit = find(p);
    Component* captured = mouseCaptured;
    Component* current = GUI::focused;
    if (!captured) {
        if (hit == current) {
            if (current)
                current->mouseMove(queue, current->getRelativeCoordinates(absolute));
        } else {
            hover(hit, p, queue);
        }
        return true;
    }
    basic_Vector2D<float> local = captured->getRelativeCoordinates(absolute);
    if (hit == captured) {
        if (captured->isFocused()) {
            captured->mouseMove(queue, local);
        } else {
            captured->enter(queue, local);
            captured->setFocused(true);
        }
    } else if (captured->isFocused()) {
        captured->leave(queue, local);
        setFocused(true);
        if (captured->focusable)
            focusBeforePointer = captured;
    } else {
        captured->mouseMove(queue, local);
    }
    return true;
}

// Reading

void GUI::getFromNode(xml::Node const* node, std::string const&) {
    getSelfFromNode(node, this);
    getChildrenFromNode(node, this);
    recalcNeighbours();
}

void GUI::getSelfFromNode(xml::Node const* node, GUI* gui) {
    if (!gui)
        gui = this;
    if (manager) {
        if (std::string const* bankName = node->getAttribute("fonts")) {
            auto it = manager->banks.find(*bankName);
            fonts = it == manager->banks.end() ? nullptr
                                               : dynamic_cast<ravek::fonts::FontBank*>(it->second);
        }
        if (std::string const* bankName = node->getAttribute("images")) {
            auto it = manager->banks.find(*bankName);
            images =
                it == manager->banks.end() ? nullptr : dynamic_cast<gfx::ImageBank*>(it->second);
        }
    }
    Component::getSelfFromNode(node, gui);
    readStyles(node, gui);
    if (std::string const* cursorName = node->getAttribute("cursor")) {
        delete mouseCursor;
        mouseCursor = nullptr;
        auto* image = dynamic_cast<gfx::SingleTextureImage*>(findImage(this, *cursorName));
        mouseCursor = new sprites::ImageSprite(basic_Vector2D<float>(width / 2.0f, height / 2.0f),
                                               true, image);
    }
}

void GUI::readStyles(xml::Node const* node, GUI* gui) {
    for (xml::Node const* child : node->children) {
        std::unique_ptr<Style> style(createStyle(child->name));
        if (!style)
            continue;
        style->getFromNode(child, gui);
        auto old = styles->resources.find(style->name);
        if (old != styles->resources.end()) {
            // Earlier widgets and styles may point to it: it lives on until the GUI goes.
            Style* replaced = old->second;
            styles->resources.erase(old);
            replaced->bank = nullptr;
            retiredStyles.push_back(replaced);
        }
        Style* stored = style.release();
        stored->bank = styles;
        styles->resources[stored->name] = stored;
    }
}

} // namespace gui
} // namespace ravek
