#ifndef RAVEK_GUI_CONTAINERS_H
#define RAVEK_GUI_CONTAINERS_H

#include "ravek/src/gui/core.h"
#include "ravek/src/gui/styles.h"

namespace ravek {
namespace gui {

// A container that paints a rectangle style (not owned) behind its children; without a style
// only the children are drawn. Not focusable.
class Pane : public Component {
public:
    RectStyle* style;

    Pane() : style(nullptr) {}

    // The component's attributes, then "style" (a rectangle style, else null).
    void getSelfFromNode(xml::Node const* node, GUI* gui) override;
    void drawSelf() override;

    void setStyle(RectStyle* newStyle) { style = newStyle; }
    RectStyle* getStyle() const { return style; }
};

} // namespace gui
} // namespace ravek

#endif
