#ifndef RAVEK_GUI_LISTS_H
#define RAVEK_GUI_LISTS_H

#include "ravek/src/gui/core.h"
#include "ravek/src/gui/styles.h"

#include <cstdint>
#include <list>
#include <string>

namespace ravek {
namespace gui {

// One entry of a List; `data` is free for the application and not owned.
class ListItem {
public:
    std::string caption;
    std::int32_t id;
    void* data;

    ListItem() : id(0), data(nullptr) {}
    ListItem(std::string const& caption, std::int32_t id, void* data)
        : caption(caption), id(id), data(data) {}
    bool operator==(ListItem const& o) const {
        return caption == o.caption && id == o.id && data == o.data;
    }
};

// Items in insertion order, owned by the list. Several dropdown lists may share one through
// the use count: the last unuse() deletes the list with its items.
class List {
public:
    std::int32_t useCount;
    std::list<ListItem*> items;

    List() : useCount(0) {}
    ~List();
    List(List const&) = delete;
    List& operator=(List const&) = delete;

    void use() { ++useCount; }
    // May delete this list.
    void unuse();
    // Takes ownership.
    void operator+=(ListItem* item) { items.push_back(item); }
    // Removes every entry of the item without deleting it.
    void operator-=(ListItem* item) { items.remove(item); }
    ListItem* findByData(void* data) const;
    // Deletes every item.
    void clear();
};

// A focusable selector showing its selected item's caption; a click, Return or Space steps to
// the next item (wrapping) and pushes the trigger. Uses its List through the use count and
// releases it when it goes; style and trigger are not owned.
class DropdownList : public Component, public CaptionedObject {
public:
    bool pressed;
    DropdownListStyle* style;
    Trigger* trigger;
    List* items;
    // An item of `items` or null.
    ListItem* selected;

    DropdownList();
    ~DropdownList() override;

    void getSelfFromNode(xml::Node const* node, GUI* gui) override;
    void drawSelf() override;
    void mouseDown(ControlQueue* queue, basic_Vector2D<float> pos, unsigned char button) override;
    void mouseUp(ControlQueue* queue, basic_Vector2D<float> pos, unsigned char button) override;
    bool keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) override;

    // Uses the new list and releases the old one; keeps the selection when it is in the new
    // list, else selects the first item. Null clears the selection.
    virtual void setItems(List* list);
    virtual void selectItem(ListItem* item);
    virtual List* getItems() const { return items; }
    virtual ListItem* getSelected() const { return selected; }
    virtual void setStyle(DropdownListStyle* newStyle) { style = newStyle; }
    virtual DropdownListStyle* getStyle() const { return style; }
    virtual void setTrigger(Trigger* newTrigger) { trigger = newTrigger; }
    virtual Trigger* getTrigger() const { return trigger; }

    void doClick(ControlQueue* queue);
    bool isDown() const { return pressed && isFocused(); }
    ButtonState getState() const;
};

} // namespace gui
} // namespace ravek

#endif
