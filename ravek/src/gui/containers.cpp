#include "ravek/src/gui/containers.h"

#include "ravek/src/xml.h"

namespace ravek {
namespace gui {

void Pane::getSelfFromNode(xml::Node const* node, GUI* gui) {
    Component::getSelfFromNode(node, gui);
    readStyle(node, "style", gui, style);
}

void Pane::drawSelf() {
    if (style)
        style->draw(basic_Rect<float>(0.0f, 0.0f, width, height));
}

} // namespace gui
} // namespace ravek
