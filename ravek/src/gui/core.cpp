#include "ravek/src/gui/core.h"

#include "ravek/src/debug.h"
#include "ravek/src/xml.h"

#include <GL/gl.h>

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>
#include <vector>

namespace ravek {
namespace gui {

basic_Vector2D<float> currentPos;

Direction operator++(Direction& direction, int) {
    Direction old = direction;
    switch (direction) {
    case North:
        direction = East;
        break;
    case East:
        direction = South;
        break;
    case South:
        direction = West;
        break;
    case West:
        direction = North;
        break;
    default:
        assert(0);
    }
    return old;
}

namespace {

// Hidden and disabled components, and everything inside them, cannot take the focus: a player
// would not see where it went.
bool takesFocus(Component const* component) {
    return component->focusable && component->isEnabled();
}

size_t subtreeSize(Component const* component) {
    size_t size = 1;
    for (Component const* child : component->children)
        size += subtreeSize(child);
    return size;
}

// A box edge for glScissor: NaN and absurd values must not reach an int conversion.
GLint scissorValue(float value) {
    if (!(value > -1.0e9f))
        return value < 0.0f ? -1000000000 : 0;
    if (value > 1.0e9f)
        return 1000000000;
    return static_cast<GLint>(value);
}

int intOf(long value) {
    return static_cast<int>(clamp<long>(value, INT_MIN, INT_MAX));
}

// A grid value read from a description, capped so that the grid table stays small.
int readGridValue(xml::Node const* node, char const* attribute, int current,
                  Component const* component, int limit) {
    long value = node->getAttributeLong(attribute, current);
    if (value > limit) {
        debug::warning(dbgGui,
                       "Grid value %s=\"%ld\" of component \"%s\" lies beyond the navigation "
                       "grid; using %d.",
                       attribute, value, component->name.c_str(), limit);
        value = limit;
    }
    return intOf(value);
}

} // namespace

bool offersFocus(Component const* component, Component const* except) {
    for (Component const* child : component->children)
        if (child != except && child->isEnabled() &&
            (child->focusable || offersFocus(child, except)))
            return true;
    return false;
}

// Component

Component::Component()
    : parent(nullptr), focused(false), focusable(false), x(0.0f), y(0.0f), width(0.0f),
      height(0.0f), gridX(-1), gridY(-1), gridWidth(1), gridHeight(1), visible(true),
      enabled(true), neighbours{nullptr, nullptr, nullptr, nullptr}, triggers{nullptr, nullptr,
                                                                              nullptr, nullptr},
      data(0) {}

Component::~Component() {
    releaseRootRecords();
    // The root's records no longer point into this subtree, so each child can be detached before
    // it is deleted instead of searching this list for itself.
    while (!children.empty()) {
        Component* child = children.front();
        children.pop_front();
        child->parent = nullptr;
        delete child;
    }
    if (parent)
        parent->children.remove(this);
    parent = nullptr;
}

void Component::setDimensions(basic_Rect<float> const& rect) {
    x = rect.x;
    y = rect.y;
    width = rect.width;
    height = rect.height;
}

void Component::setDimensions(basic_Vector2D<float> const& pos, basic_Vector2D<float> const& size) {
    setDimensions(basic_Rect<float>(pos.x, pos.y, size.x, size.y));
}

void Component::setDimensions(basic_Vector2D<float> const& size) {
    setDimensions(basic_Rect<float>(x, y, size.x, size.y));
}

void Component::setVisible(bool on) {
    // A press held on a widget going out of sight ends with it.
    if (!on) {
        GUI* root = getRoot();
        if (root && root->mouseCaptured && holds(root->mouseCaptured))
            root->callOffPress();
    }
    visible = on;
}

void Component::setEnabled(bool on) {
    enabled = on;
}

basic_Vector2D<float> Component::getPos() const {
    return basic_Vector2D<float>(x, y);
}

basic_Vector2D<float> Component::getDimensions() const {
    return basic_Vector2D<float>(width, height);
}

std::string Component::getName() const {
    return name;
}

bool Component::getVisible() const {
    return visible;
}

bool Component::getEnabled() const {
    return enabled;
}

// Tree

void Component::operator+=(Component* child) {
    if (child->parent)
        *child->parent -= child;
    if (child->gridX == -1 && child->gridY == -1) {
        child->gridX = 0;
        child->gridY = static_cast<int>(std::min<size_t>(children.size(), INT_MAX));
    }
    children.push_back(child);
    child->parent = this;
}

void Component::operator-=(Component* child) {
    auto it = std::find(children.begin(), children.end(), child);
    if (it == children.end())
        throw std::string("Trying to remove a component which is not a child.");
    // A subtree leaving the tree must not stay the root's focus or capture.
    child->releaseRootRecords();
    children.erase(it);
    child->parent = nullptr;
}

void Component::bringToFront() {
    if (!parent)
        return;
    parent->children.remove(this);
    parent->children.push_front(this);
}

GUI* Component::getRoot() const {
    Component const* top = this;
    while (top->parent)
        top = top->parent;
    return dynamic_cast<GUI*>(const_cast<Component*>(top));
}

Component* Component::operator[](std::string const& wanted) {
    for (Component* child : children)
        if (child->name == wanted)
            return child;
    for (Component* child : children)
        if (Component* found = (*child)[wanted])
            return found;
    return nullptr;
}

bool Component::holds(Component const* c) const {
    for (; c; c = c->parent)
        if (c == this)
            return true;
    return false;
}

void Component::releaseRootRecords() {
    GUI* root = getRoot();
    if (!root || root == this)
        return;
    if (root->mouseCaptured && holds(root->mouseCaptured))
        root->mouseCaptured = nullptr;
    // The root is not in this subtree, so there is a parent to take the focus.
    if (root->GUI::focused && holds(root->GUI::focused) && parent)
        parent->setFocused(true);
    if (root->focusBeforePointer && holds(root->focusBeforePointer))
        root->focusBeforePointer = nullptr;
}

// Geometry

bool Component::contains(basic_Vector2D<float> const& p) const {
    return p.x >= 0.0f && p.x < width && p.y >= 0.0f && p.y < height;
}

Component* Component::find(basic_Vector2D<float> const& p) {
    if (!(enabled && visible) || !contains(p))
        return nullptr;
    for (Component* child : children)
        if (Component* found = child->find(basic_Vector2D<float>(p.x - child->x, p.y - child->y)))
            return found;
    return this;
}

basic_Vector2D<float> Component::getRelativeCoordinates(basic_Vector2D<float> const& p) const {
    basic_Vector2D<float> base = parent ? parent->getRelativeCoordinates(p) : p;
    return basic_Vector2D<float>(base.x - x, base.y - y);
}

void Component::center(basic_Vector2D<float> const& area) {
    if (area.x > 0.0f)
        x = std::trunc((area.x - width) / 2.0f);
    if (area.y > 0.0f)
        y = std::trunc((area.y - height) / 2.0f);
}

// Focus

void Component::setFocused(bool on) {
    GUI* root = getRoot();
    if (on) {
        // Whoever gives the focus now decides where keys go.
        if (root)
            root->focusBeforePointer = nullptr;
        if (root && root->GUI::focused == this)
            return;
        if (root && root->GUI::focused)
            root->GUI::focused->setFocused(false);
        for (Component* c = this; c; c = c->parent)
            c->focused = true;
        if (root)
            root->GUI::focused = this;
    } else {
        if (!root || root->GUI::focused != this)
            return;
        for (Component* c = this; c; c = c->parent)
            c->focused = false;
    }
}

void Component::captureMouse(bool on) {
    GUI* root = getRoot();
    if (!root)
        return;
    if (on)
        root->mouseCaptured = this;
    else if (root->mouseCaptured == this)
        root->mouseCaptured = nullptr;
}

void Component::focusNext() {
    // The walk of the tab order. A subtree without anything focusable is passed over like a
    // leaf, and the walk ends when the parent holds nothing focusable, so it always stops.
    Component* target = nullptr;
    Component* current = this;
    Component const* top = this;
    while (top->parent)
        top = top->parent;
    size_t steps = 2 * subtreeSize(top) + 2;
    while (!target && steps-- > 0) {
        // The root's own switches hide or disable the whole tree, not a part of it.
        if (!current->children.empty() && (current->isEnabled() || !current->parent) &&
            (current->focusable || offersFocus(current))) {
            Component* front = current->children.front();
            if (takesFocus(front))
                target = front;
            else
                current = front;
            continue;
        }
        Component* p = current->parent;
        if (!p)
            return;
        auto next = std::find(p->children.begin(), p->children.end(), current);
        if (next != p->children.end())
            ++next;
        if (next == p->children.end()) {
            if (takesFocus(p))
                target = p;
            else if (!offersFocus(p))
                return;
            else
                current = p;
        } else if (takesFocus(*next)) {
            target = *next;
        } else {
            current = *next;
        }
    }
    if (!target)
        return;
    target->setFocused(true);
    if (GUI* root = getRoot())
        root->doMove();
}

// Navigation

void Component::move(Direction direction, ControlQueue* queue) {
    if (Trigger* trigger = triggers[direction]) {
        if (queue)
            *queue << trigger;
        return;
    }
    Component* neighbour = neighbours[direction];
    if (!neighbour)
        return;
    neighbour->setFocused(true);
    if (GUI* root = getRoot())
        root->doMove();
}

void Component::moveFocused(Direction direction, ControlQueue* queue) {
    GUI* root = getRoot();
    if (root && root->getFocused())
        root->getFocused()->move(direction, queue);
}

bool Component::keyDown(ControlQueue* queue, SDLKey key, SDLMod, unsigned short) {
    switch (key) {
    case SDLK_TAB:
        focusNext();
        return true;
    case SDLK_UP:
        moveFocused(North, queue);
        return true;
    case SDLK_RIGHT:
        moveFocused(East, queue);
        return true;
    case SDLK_DOWN:
        moveFocused(South, queue);
        return true;
    case SDLK_LEFT:
        moveFocused(West, queue);
        return true;
    default:
        return false;
    }
}

bool Component::joyAxisMotion(ControlQueue* queue, unsigned char joystick, unsigned char axis,
                              short value) {
    if (joystick != 0)
        return false;
    if (axis == 0) {
        if (value > 0)
            moveFocused(East, queue);
        else if (value < 0)
            moveFocused(West, queue);
        return true;
    }
    if (axis == 1) {
        if (value > 0)
            moveFocused(South, queue);
        else if (value < 0)
            moveFocused(North, queue);
        return true;
    }
    return false;
}

void Component::recalcNeighbours() {
    // Each focusable child's cell range, cut to the grid's bounds.
    struct Range {
        Component* child;
        int x0, y0, x1, y1;
    };
    std::vector<Range> ranges;
    int columns = 0, rows = 0;
    for (Component* child : children) {
        if (!child->focusable)
            continue;
        Range r;
        r.child = child;
        r.x0 = std::min(child->gridX, maxGridSize - 1);
        r.y0 = std::min(child->gridY, maxGridSize - 1);
        long spanX = clamp(child->gridWidth, 1, maxGridSize);
        long spanY = clamp(child->gridHeight, 1, maxGridSize);
        r.x1 = static_cast<int>(std::min<long>(r.x0 + spanX, maxGridSize));
        r.y1 = static_cast<int>(std::min<long>(r.y0 + spanY, maxGridSize));
        columns = std::max(columns, r.x1);
        rows = std::max(rows, r.y1);
        ranges.push_back(r);
    }
    std::vector<Component*> table(static_cast<size_t>(columns) * rows, nullptr);
    auto cell = [&](int cx, int cy) -> Component* {
        if (cx < 0 || cy < 0 || cx >= columns || cy >= rows)
            return nullptr;
        return table[static_cast<size_t>(cy) * columns + cx];
    };
    for (Range const& r : ranges)
        for (int cy = std::max(r.y0, 0); cy < r.y1; ++cy)
            for (int cx = std::max(r.x0, 0); cx < r.x1; ++cx)
                table[static_cast<size_t>(cy) * columns + cx] = r.child;
    for (Range const& r : ranges) {
        Component* child = r.child;
        std::fill(child->neighbours, child->neighbours + 4, nullptr);
        if (r.x0 < 0 || r.y0 < 0)
            continue;
        int gx = r.x0, gy = r.y0;
        child->neighbours[North] = cell(gx, gy == 0 ? rows - 1 : gy - 1);
        child->neighbours[East] = cell(gx == columns - 1 ? 0 : gx + 1, gy);
        child->neighbours[South] = cell(gx, gy == rows - 1 ? 0 : gy + 1);
        child->neighbours[West] = cell(gx == 0 ? columns - 1 : gx - 1, gy);
        for (Component*& neighbour : child->neighbours)
            if (neighbour == child)
                neighbour = nullptr;
    }
}

// Per frame

void Component::perform(ControlQueue* queue, float ms) {
    if (!enabled)
        return;
    performSelf(queue, ms);
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        (*it)->perform(queue, ms);
}

void Component::draw() {
    if (!visible)
        return;
    currentPos.x += x;
    currentPos.y += y;
    glTranslatef(x, y, 0.0f);
    drawSelf();
    glPushAttrib(GL_SCISSOR_BIT);
    // In GUI units taken as window pixels; replaces any box of an ancestor.
    glScissor(scissorValue(currentPos.x), scissorValue(currentPos.y),
              std::max<GLint>(scissorValue(width), 0), std::max<GLint>(scissorValue(height), 0));
    glEnable(GL_SCISSOR_TEST);
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        (*it)->draw();
    glPopAttrib();
    drawSelfPost();
    glTranslatef(-x, -y, 0.0f);
    currentPos.x -= x;
    currentPos.y -= y;
}

// Reading

void Component::getSelfFromNode(xml::Node const* node, GUI* gui) {
    if (!gui)
        gui = dynamic_cast<GUI*>(this);
    if (std::string const* value = node->getAttribute("name")) {
        name = *value;
    } else {
        debug::error(dbgGui, "No name specified for style. Using empty name.");
        name.clear();
    }
    setDimensions(basic_Rect<float>(
        node->getAttributeFloat("x", x), node->getAttributeFloat("y", y),
        node->getAttributeFloat("width", width), node->getAttributeFloat("height", height)));
    gridX = readGridValue(node, "gridX", gridX, this, maxGridSize - 1);
    gridY = readGridValue(node, "gridY", gridY, this, maxGridSize - 1);
    gridWidth = readGridValue(node, "gridWidth", gridWidth, this, maxGridSize);
    gridHeight = readGridValue(node, "gridHeight", gridHeight, this, maxGridSize);
    visible = node->getAttributeBool("visible", visible);
    enabled = node->getAttributeBool("enabled", enabled);
    data = node->getAttributeLong("data", data);
    dataString = node->getAttribute("dataString", dataString);
    readTrigger(node, "triggerNorth", gui, triggers[North]);
    readTrigger(node, "triggerEast", gui, triggers[East]);
    readTrigger(node, "triggerSouth", gui, triggers[South]);
    readTrigger(node, "triggerWest", gui, triggers[West]);
}

void Component::getComponentFromNode(xml::Node const* node, GUI* gui) {
    if (!gui)
        gui = dynamic_cast<GUI*>(this);
    getSelfFromNode(node, gui);
    getChildrenFromNode(node, gui);
    recalcNeighbours();
}

// CaptionedObject

void CaptionedObject::getSelfFromNode(xml::Node const* node, GUI* gui) {
    caption = node->getAttribute("caption", caption);
    if (std::string const* imageName = node->getAttribute("image")) {
        if (gui && !gui->getImages())
            debug::warning(dbgGui, "No image bank to find image \"%s\" in.", imageName->c_str());
        setImage(findImage(gui, *imageName));
    }
}

} // namespace gui

template <>
gui::Orientation strTo<gui::Orientation>(std::string text) {
    if (text == "horizontal")
        return gui::horizontal;
    if (text == "vertical")
        return gui::vertical;
    throw text;
}

} // namespace ravek
