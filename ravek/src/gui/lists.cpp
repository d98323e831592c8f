#include "ravek/src/gui/lists.h"

#include "ravek/src/debug.h"
#include "ravek/src/xml.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>

namespace ravek {
namespace gui {

// List

List::~List() {
    clear();
}

void List::unuse() {
    if (--useCount <= 0)
        delete this;
}

ListItem* List::findByData(void* data) const {
    for (ListItem* item : items)
        if (item->data == data)
            return item;
    return nullptr;
}

void List::clear() {
    for (ListItem* item : items)
        delete item;
    items.clear();
}

// DropdownList

DropdownList::DropdownList()
    : pressed(false), style(nullptr), trigger(nullptr), items(nullptr), selected(nullptr) {
    focusable = true;
}

DropdownList::~DropdownList() {
    selected = nullptr;
    if (items) {
        List* list = items;
        items = nullptr;
        list->unuse();
    }
}

void DropdownList::setItems(List* list) {
    if (list != items) {
        List* old = items;
        items = list;
        if (list)
            list->use();
        if (old)
            old->unuse();
    }
    if (!list) {
        // The old list may be gone with its items.
        selectItem(nullptr);
        return;
    }
    ListItem* shown = nullptr;
    if (!list->items.empty()) {
        bool inList =
            std::find(list->items.begin(), list->items.end(), selected) != list->items.end();
        shown = inList ? selected : list->items.front();
    }
    selectItem(shown);
}

void DropdownList::selectItem(ListItem* item) {
    selected = item;
    caption = item ? item->caption : std::string();
}

void DropdownList::doClick(ControlQueue* queue) {
    if (GUI* root = getRoot())
        root->doConfirm();
    if (items && !items->items.empty()) {
        auto it = std::find(items->items.begin(), items->items.end(), selected);
        if (it != items->items.end())
            ++it;
        selectItem(it == items->items.end() ? items->items.front() : *it);
    }
    if (queue && trigger)
        *queue << trigger;
}

bool DropdownList::keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) {
    if (key == SDLK_RETURN || key == SDLK_SPACE) {
        doClick(queue);
        return true;
    }
    return Component::keyDown(queue, key, mod, unicode);
}

void DropdownList::mouseDown(ControlQueue*, basic_Vector2D<float>, unsigned char button) {
    if (button != SDL_BUTTON_LEFT)
        return;
    captureMouse(true);
    pressed = true;
}

void DropdownList::mouseUp(ControlQueue* queue, basic_Vector2D<float>, unsigned char button) {
    if (button != SDL_BUTTON_LEFT)
        return;
    if (pressed && isFocused())
        doClick(queue);
    pressed = false;
    captureMouse(false);
}

ButtonState DropdownList::getState() const {
    if (!isFocused())
        return up;
    return pressed ? downHot : upHot;
}

void DropdownList::drawSelf() {
    if (!style)
        return;
    basic_Rect<float> r(0.0f, 0.0f, width, height);
    ButtonState state = getState();
    style->ButtonStyle::draw(r, state);
    glPushMatrix();
    style->print(r, state, caption.c_str());
    glPopMatrix();
}

void DropdownList::getSelfFromNode(xml::Node const* node, GUI* gui) {
    Component::getSelfFromNode(node, gui);
    CaptionedObject::getSelfFromNode(node, gui);
    if (std::string const* styleName = node->getAttribute("style")) {
        style = findStyle<DropdownListStyle>(gui, *styleName);
        if (!style)
            debug::warning(dbgGui, "Could not find matching style for dropdown list \"%s\".",
                           name.c_str());
    }
    readTrigger(node, "trigger", gui, trigger);
    for (xml::Node const* child : node->children) {
        if (child->name != "Item")
            continue;
        if (!items) {
            items = new List;
            items->use();
        }
        long id = clamp<long>(child->getAttributeLong("id", 0), INT32_MIN, INT32_MAX);
        *items += new ListItem(child->getAttribute("caption", ""), static_cast<std::int32_t>(id),
                               nullptr);
    }
    if (items)
        setItems(items);
}

} // namespace gui
} // namespace ravek
