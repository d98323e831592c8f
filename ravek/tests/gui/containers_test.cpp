#include "ravek/src/gui/containers.h"

#include "ravek/tests/gui/gui_util.h"
#include "ravek/tests/test_util.h"

#include <gtest/gtest.h>

#include <string>

using namespace ravek;
using namespace ravek::gui;

TEST(Pane, ReadsOnlyARectangleStyleAndKeepsItsStyleWithoutTheAttribute) {
    testutil::LogCapture log;
    guitest::Loaded loaded("<gui name=\"gui\"><PlainRectStyle name=\"plain\"/>"
                           "<TexturedRectStyle name=\"textured\"/><LabelStyle name=\"label\"/>"
                           "<Pane name=\"a\" style=\"plain\"/><Pane name=\"b\" style=\"textured\"/>"
                           "<Pane name=\"c\" style=\"label\"><Pane name=\"inner\"/></Pane>"
                           "</gui>");
    EXPECT_EQ(std::string::npos, log.text().find("(warning)"));
    GUI* gui = loaded.gui();
    auto pane = [&](char const* name) { return dynamic_cast<Pane*>((*gui)[name]); };
    EXPECT_EQ(findStyle<RectStyle>(gui, "plain"), pane("a")->getStyle());
    EXPECT_EQ(findStyle<RectStyle>(gui, "textured"), pane("b")->getStyle());
    EXPECT_EQ(nullptr, pane("c")->getStyle());
    EXPECT_EQ(pane("c"), pane("inner")->getParent());
    EXPECT_FALSE(pane("a")->focusable);

    PlainRectStyle set;
    Pane kept;
    kept.setStyle(&set);
    xml::Node node;
    node["name"] = "kept";
    kept.getSelfFromNode(&node, gui);
    EXPECT_EQ(&set, kept.getStyle());
}
