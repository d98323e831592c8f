#ifndef RAVEK_GUI_CORE_H
#define RAVEK_GUI_CORE_H

#include "ravek/src/controls.h"
#include "ravek/src/math.h"
#include "ravek/src/resources.h"
#include "ravek/src/tools.h"

#include <SDL/SDL.h>

#include <list>
#include <map>
#include <string>
#include <utility>

namespace ravek {

namespace xml {
class Node;
}
namespace gfx {
class Image;
class ImageBank;
} // namespace gfx
namespace fonts {
class FontBank;
}
namespace sprites {
class Sprite;
}

namespace gui {

enum Direction { North = 0, East = 1, South = 2, West = 3 };

// Steps North, East, South, West and back to North; returns the old value.
Direction operator++(Direction& direction, int);

enum Orientation { horizontal = 0, vertical = 1 };

class GUI;
class StyleBank;
class Style;

// The absolute position of the origin of the component being drawn.
extern basic_Vector2D<float> currentPos;

// The longest side of a navigation grid, in cells. Cells beyond it are never entered, so a
// description with huge grid values cannot make the grid table huge.
int const maxGridSize = 256;

// Base of every widget: a node of a tree of rectangles (position relative to the parent, y up),
// drawn with each child clipped to its parent, offered input events and navigated by a focus
// that moves by direction, by Tab or by the mouse. A component owns its children (the front of
// `children` is the topmost) and deletes them with itself; neighbours and triggers are not
// owned. Deleting or removing a component that holds its root's focus or mouse capture first
// hands the focus to its parent and drops the capture. A component whose topmost ancestor is
// not a GUI has no root: steps that need the root do nothing for it.
class Component {
public:
    Component* parent;
    std::list<Component*> children;
    // Set on the focused component and on every one of its ancestors.
    bool focused;
    bool focusable;
    std::string name;
    float x, y, width, height;
    // The cell range of a focusable child in its parent's navigation grid; -1 is no cell.
    int gridX, gridY, gridWidth, gridHeight;
    bool visible, enabled;
    Component* neighbours[4];
    // Moving the focus that way from here pushes the trigger instead.
    Trigger* triggers[4];
    long data;
    std::string dataString;

    Component();
    virtual ~Component();
    Component(Component const&) = delete;
    Component& operator=(Component const&) = delete;

    virtual void setDimensions(basic_Rect<float> const& rect);
    // Both build the rectangle and call the one above, so overriding that one sees every change.
    virtual void setDimensions(basic_Vector2D<float> const& pos, basic_Vector2D<float> const& size);
    virtual void setDimensions(basic_Vector2D<float> const& size);
    // Hidden while it holds the component with the mouse capture, that press is called off
    // (GUI::callOffPress).
    virtual void setVisible(bool on);
    virtual void setEnabled(bool on);
    virtual basic_Vector2D<float> getPos() const;
    virtual basic_Vector2D<float> getDimensions() const;
    virtual std::string getName() const;
    virtual bool getVisible() const;
    virtual bool getEnabled() const;
    // The attributes every widget has. `gui` null means this component itself (when it is a GUI).
    virtual void getSelfFromNode(xml::Node const* node, GUI* gui);
    virtual void draw();
    virtual void drawSelf() {}
    // Drawn after the children, outside this component's clip box.
    virtual void drawSelfPost() {}
    virtual void move(Direction direction, ControlQueue* queue);
    virtual void performSelf(ControlQueue*, float) {}
    virtual void enter(ControlQueue*, basic_Vector2D<float>) {}
    virtual void leave(ControlQueue*, basic_Vector2D<float>) {}
    virtual void mouseDown(ControlQueue*, basic_Vector2D<float>, unsigned char) {}
    virtual void mouseUp(ControlQueue*, basic_Vector2D<float>, unsigned char) {}
    virtual void mouseMove(ControlQueue*, basic_Vector2D<float>) {}
    // A press held on this component is called off (GUI::callOffPress): by default a release at
    // `pos` (this component's coordinates) without a queue, while nothing inside holds the focus.
    virtual void cancelPress(basic_Vector2D<float> pos) { mouseUp(nullptr, pos, SDL_BUTTON_LEFT); }
    // Tab and the arrow keys move the focus; true when consumed.
    virtual bool keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode);
    virtual bool keyUp(ControlQueue*, SDLKey, SDLMod, unsigned short) { return false; }
    virtual bool joyButtonDown(ControlQueue*, unsigned char, unsigned char) { return false; }
    virtual bool joyButtonUp(ControlQueue*, unsigned char, unsigned char) { return false; }
    // Joystick 0's axes 0 and 1 (values -1, 0, +1) move the focus.
    virtual bool joyAxisMotion(ControlQueue* queue, unsigned char joystick, unsigned char axis,
                               short value);

    // Appends the child (taking it from its old parent first); a child without a cell gets
    // column 0 and the next row.
    void operator+=(Component* child);
    // Throws "Trying to remove a component which is not a child." for a stranger.
    void operator-=(Component* child);
    void bringToFront();
    Component* getParent() const { return parent; }
    // The topmost ancestor (or this) when it is a GUI, else null.
    GUI* getRoot() const;
    // Direct children first, then each child's subtree in list order; null when none matches.
    Component* operator[](std::string const& name);

    // p in local coordinates.
    bool contains(basic_Vector2D<float> const& p) const;
    // The topmost enabled and visible component under the local point, or null.
    Component* find(basic_Vector2D<float> const& p);
    // p less the positions of this component and all its ancestors, the root's included.
    basic_Vector2D<float> getRelativeCoordinates(basic_Vector2D<float> const& p) const;
    // Centres on each axis whose extent in `area` is above 0, on whole units.
    void center(basic_Vector2D<float> const& area);

    bool isFocused() const { return focused; }
    // Enabled and visible.
    bool isEnabled() const { return enabled && visible; }
    void setFocused(bool on);
    // Tab: the next focusable component in depth-first order within the parent, passing over
    // hidden and disabled ones. Ends without changing the focus when there is none.
    void focusNext();
    void focusPrevious() {}
    // On: this becomes the root's mouse-captured component; off: released only when it is this.
    void captureMouse(bool on);

    // performSelf, then every child from the back to the front; nothing while disabled.
    void perform(ControlQueue* queue, float ms);
    // Builds the neighbours of the focusable children from their grid cells.
    void recalcNeighbours();

    // Creates a widget of every child element whose name is a widget type.
    void getChildrenFromNode(xml::Node const* node, GUI* gui);
    // getSelfFromNode, getChildrenFromNode and recalcNeighbours on this component.
    void getComponentFromNode(xml::Node const* node, GUI* gui);

private:
    // Whether c is this component or one of its descendants.
    bool holds(Component const* c) const;
    // Takes the root's focus and mouse capture out of this subtree before it goes.
    void releaseRootRecords();
    void moveFocused(Direction direction, ControlQueue* queue);
};

// Whether a focusable component that can be seen and used lies inside, other than `except`
// and what `except` holds.
bool offersFocus(Component const* component, Component const* except = nullptr);

// The second base of the captioned widgets: a text and an image (not owned) shown with it.
class CaptionedObject {
public:
    std::string caption;
    gfx::Image* image;

    CaptionedObject() : image(nullptr) {}
    virtual ~CaptionedObject() {}
    // "caption" and "image" (an image of the GUI's image bank; null when it has none).
    virtual void getSelfFromNode(xml::Node const* node, GUI* gui);
    virtual void setCaption(std::string const& text) { caption = text; }
    virtual void setImage(gfx::Image* newImage) { image = newImage; }
    virtual std::string getCaption() const { return caption; }
    virtual gfx::Image* getImage() const { return image; }
};

// What the application hears about focus moves and confirmations, and about any input the
// GUI takes.
class GUICallback {
public:
    virtual ~GUICallback() {}
    virtual void onMove() = 0;
    virtual void onConfirm() = 0;
    // After each event the active GUI consumed (a key, a joystick, the pointer moving, a mouse
    // button): the user works the GUI even where no focus moves.
    virtual void onInput() {}
};

// Receives a button's clicks.
class ClickEventHandler {
public:
    virtual ~ClickEventHandler() {}
    virtual void handleClickEvent(Component* component) = 0;
};

// The root of a widget tree, at once a component that draws the tree, an evaluator that turns
// SDL events into calls on the focused or mouse-captured widget, and the bank of type "gui"
// read from a GUI description. Owns its style bank, the styles it replaced, its cursor sprite
// and (as a component) every widget; the font and image banks, the trigger map and the
// callback are not owned. Reading throws a std::string for an invalid justification or stretch
// word and "Manager not yet set!" for a trigger name read without a resource manager.
class GUI : public Component, public Evaluator, public BasicResourceBank {
public:
    ravek::fonts::FontBank* fonts;
    gfx::ImageBank* images;
    // Nothing in the GUI fills it; users treat null as finding no trigger.
    std::map<std::string, Trigger*>* triggers;
    StyleBank* styles;
    sprites::Sprite* mouseCursor;
    Component* mouseCaptured;
    // The focused component (the GUI itself at first); Component::focused is the flag.
    Component* focused;
    // The focusable widget the pointer took the focus from while it rests on a component that
    // takes no keys (a pane, a label, the GUI itself); null once anything else takes the focus.
    // The next key gives the focus back to it, so a player who touched the mouse can still
    // steer by keys.
    Component* focusBeforePointer;
    // The GUI's own switch; Evaluator::active is separate.
    bool active;
    float keyDelay;
    float keyRepeat;
    GUICallback* callback;

    GUI();
    ~GUI() override;

    // Both performs: the component's per frame, the evaluator's (which does nothing).
    using Component::perform;
    using Evaluator::perform;

    void getSelfFromNode(xml::Node const* node, GUI* gui) override;
    void draw() override;
    // The cursor, above every widget.
    void drawSelfPost() override;
    // Shown, the GUI takes the pointer's real position (takePointer); hidden, it calls off a
    // held press (callOffPress).
    void setVisible(bool on) override;

    // True when consumed; nothing is consumed while the GUI is not active. A key pressed while
    // the pointer holds the focus off the widgets first gives it back (focusBeforePointer);
    // Tab, the arrows, Return and Space then do nothing more, unless that widget is the only
    // one of its panel. A mouse button acts on the component under the pointer (which takes
    // the focus as by hovering), or on the component that captured the mouse. The callback
    // hears of every event consumed (onInput).
    bool evaluate(SDL_Event const& event, ControlQueue* queue) override;
    // The GUI element: itself, its styles, then its widgets. `dir` is not used.
    void getFromNode(xml::Node const* node, std::string const& dir) override;
    virtual ravek::fonts::FontBank* getFonts() const { return fonts; }
    virtual gfx::ImageBank* getImages() const { return images; }
    virtual std::map<std::string, Trigger*>* getTriggers() const { return triggers; }
    virtual StyleBank* getStyles() const { return styles; }
    virtual sprites::Sprite* getMouseCursor() const { return mouseCursor; }
    virtual Component* getMouseCaptured() const { return mouseCaptured; }
    virtual Component* getFocused() const { return focused; }
    virtual bool getActive() const { return active; }
    virtual float getKeyDelay() const { return keyDelay; }
    virtual float getKeyRepeat() const { return keyRepeat; }
    // Replaces the pointer without deleting the old sprite.
    virtual void setMouseCursor(sprites::Sprite* sprite) { mouseCursor = sprite; }
    // Made active, the GUI takes the pointer's real position (takePointer); made inactive, it
    // calls off a held press (callOffPress).
    virtual void setActive(bool on);
    virtual void setKeyRepeat(float delay, float repeat);

    void setFonts(ravek::fonts::FontBank* bank) { fonts = bank; }
    void setImages(gfx::ImageBank* bank) { images = bank; }
    void setCallback(GUICallback* newCallback) { callback = newCallback; }
    GUICallback* getCallback() const { return callback; }

    // "bank.trigger": the trigger of that input-evaluator bank of the manager, or null. A name
    // without '.' logs "Not a fully qualified trigger name." and gives null; without a manager
    // "Manager not yet set!" is logged and thrown.
    Trigger* findTrigger(std::string const& name) const;
    void doMove();
    void doConfirm();

    // The mouse point in the GUI's render context (window pixels, y up): (x, screen height - y).
    static basic_Vector2D<float> mousePoint(int mouseX, int mouseY);
    // The mouse's window point as a point of the GUI, kept inside it: where the cursor goes.
    basic_Vector2D<float> pointerPoint(int mouseX, int mouseY) const;
    // The cursor goes where the pointer is: the GUI may have missed its motion.
    void takePointer();
    // The picture moved under the pointer (a new video mode): an active GUI takes the pointer's
    // real position as motion there, so the hover follows it; an inactive one only its cursor.
    void followPointer(ControlQueue* queue);
    // The component holding the mouse capture lets go as at a release with the pointer off it
    // (Component::cancelPress: nothing clicks), and the focus stays where it was: the release
    // itself would reach a widget no one sees, or nothing while the GUI is inactive.
    void callOffPress();

protected:
    // The pointer's window point (SDL's mouse state); false while SDL's video is not up.
    virtual bool pointerPosition(int& mouseX, int& mouseY) const;

private:
    // Styles replaced by a namesake: widgets may still point to them.
    std::list<Style*> retiredStyles;

    void readStyles(xml::Node const* node, GUI* gui);
    bool evaluateEvent(SDL_Event const& event, ControlQueue* queue);
    // The pointer at that window point.
    bool evaluateMouseMotion(int mouseX, int mouseY, ControlQueue* queue);
    // The pointer came onto `hit` (not the focused component) at GUI point p: the focused one
    // is left and `hit`, when not null, entered and focused.
    void hover(Component* hit, basic_Vector2D<float> const& p, ControlQueue* queue);
    // focusBeforePointer when the focus still rests where the pointer left it and that widget
    // can still be seen and used; else null.
    Component* focusToRestore() const;
};

// Makes the GUI of a "gui" bank element.
class GuiResourceBankGenerator : public ResourceBankGenerator {
public:
    BasicResourceBank* generateBank(std::string const& type) const override;
};

extern GuiResourceBankGenerator resourceBankGenerator;

// The last reduced value (-1, 0, +1) of each (joystick, axis), shared by all GUIs.
extern std::map<std::pair<unsigned char, unsigned char>, short> axisTable;

// Reading helpers of the widgets.

// The key delay and repeat of the component's GUI (the GUI defaults 300 and 30 without one).
// The repeat is at least 1 ms, so that repeat loops always end.
float keyDelayOf(Component const* component);
float keyRepeatOf(Component const* component);

// A fully qualified trigger name in `attribute`: absent leaves `trigger`, present sets what the
// GUI finds (null without a GUI).
void readTrigger(xml::Node const* node, char const* attribute, GUI const* gui, Trigger*& trigger);

// The image of that name in the GUI's image bank; null when the GUI or the bank is missing.
gfx::Image* findImage(GUI const* gui, std::string const& name);

} // namespace gui

// "horizontal" or "vertical"; throws the text for any other word.
template <>
gui::Orientation strTo<gui::Orientation>(std::string text);

} // namespace ravek

#endif
