#include "ravek/src/gui/text.h"

#include "ravek/src/xml.h"

#include <GL/gl.h>

namespace ravek {
namespace gui {

namespace {

// Ctrl is a player's fire key, never an editing key, yet SDL applies it to the character of a key
// typed while it is held: through X a control code or none, with SDL 2 underneath none for a
// Latin-1 letter and the unshifted one for an ASCII letter. Letters, digits and space then type
// the key's own character; what Shift, Alt or AltGr make of other keys is not guessed.
unsigned short typedWithCtrl(SDLKey key, SDLMod mod, unsigned short unicode) {
    if (!(mod & KMOD_CTRL) || (mod & (KMOD_ALT | KMOD_MODE)))
        return unicode;
    if (unicode >= 32 && unicode != 127 && unicode != key)
        return unicode;
    // Key symbols of letters are lowercase: ASCII, and Latin-1 from 223 on but the sign 247, where
    // 223 and 255 have no capital.
    bool upper = !(mod & KMOD_SHIFT) != !(mod & KMOD_CAPS);
    if ((key >= SDLK_a && key <= SDLK_z) || (key >= 223 && key <= 255 && key != 247))
        return static_cast<unsigned short>(upper && key != 223 && key != 255 ? key - 32 : key);
    if ((key >= SDLK_0 && key <= SDLK_9 && !(mod & KMOD_SHIFT)) || key == SDLK_SPACE)
        return static_cast<unsigned short>(key);
    return unicode;
}

} // namespace

// Label

void Label::getSelfFromNode(xml::Node const* node, GUI* gui) {
    Component::getSelfFromNode(node, gui);
    CaptionedObject::getSelfFromNode(node, gui);
    readStyle(node, "style", gui, style);
}

void Label::drawSelf() {
    if (!style)
        return;
    basic_Rect<float> r(0.0f, 0.0f, width, height);
    style->draw(r);
    glPushMatrix();
    style->print(r, caption.c_str(), image);
    glPopMatrix();
}

// Textfield

Textfield::Textfield()
    : heldChar(0), repeatTimer(0.0f), style(nullptr), triggerConfirm(nullptr), maxLength(0) {
    focusable = true;
}

void Textfield::doConfirm(ControlQueue* queue) {
    if (queue && triggerConfirm)
        *queue << triggerConfirm;
}

void Textfield::hold(std::uint16_t character) {
    if (heldChar == character)
        return;
    heldChar = character;
    repeatTimer = -keyDelayOf(this);
}

bool Textfield::keyDown(ControlQueue* queue, SDLKey key, SDLMod mod, unsigned short unicode) {
    unicode = typedWithCtrl(key, mod, unicode);
    if (unicode == 8) {
        if (caption.empty()) {
            heldChar = 0;
            return true;
        }
        caption.erase(caption.size() - 1);
        hold(8);
        return true;
    }
    if (unicode == 13) {
        heldChar = 0;
        doConfirm(queue);
        return true;
    }
    if (unicode >= 32 && unicode <= 255) {
        // SDL's character code is the Latin-1 byte itself. One the style's font would show as
        // nothing is not taken: the text would read other than it looks.
        auto byte = static_cast<unsigned char>(unicode);
        if (style && style->font && style->font->lacksGlyph(byte)) {
            heldChar = 0;
            return true;
        }
        if (maxLength == 0 || caption.size() < maxLength)
            caption += static_cast<char>(byte);
        hold(unicode);
        return true;
    }
    return Component::keyDown(queue, key, mod, unicode);
}

bool Textfield::keyUp(ControlQueue*, SDLKey, SDLMod, unsigned short) {
    heldChar = 0;
    return true;
}

void Textfield::enter(ControlQueue*, basic_Vector2D<float>) {}

void Textfield::leave(ControlQueue*, basic_Vector2D<float>) {
    heldChar = 0;
}

void Textfield::performSelf(ControlQueue* queue, float ms) {
    if (heldChar == 0)
        return;
    float interval = keyRepeatOf(this);
    float t = repeatTimer + ms;
    if (!(t >= interval)) {
        repeatTimer = t;
        return;
    }
    while (t >= interval && heldChar != 0) {
        repeatTimer = t - interval;
        keyDown(queue, static_cast<SDLKey>(19), KMOD_NONE, heldChar);
        t = repeatTimer;
    }
}

void Textfield::drawSelf() {
    if (!style)
        return;
    basic_Rect<float> r(0.0f, 0.0f, width, height);
    style->draw(r);
    std::string text = isFocused() ? caption + "_" : caption;
    glPushMatrix();
    style->print(r, text.c_str(), image);
    glPopMatrix();
}

void Textfield::getSelfFromNode(xml::Node const* node, GUI* gui) {
    Component::getSelfFromNode(node, gui);
    CaptionedObject::getSelfFromNode(node, gui);
    readStyle(node, "style", gui, style);
    readTrigger(node, "triggerConfirm", gui, triggerConfirm);
    if (node->getAttribute("maxLength")) {
        long length = node->getAttributeLong("maxLength", 0);
        maxLength = length > 0 ? static_cast<std::size_t>(length) : 0;
    }
}

} // namespace gui
} // namespace ravek
