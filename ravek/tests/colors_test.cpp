#include "ravek/src/ravek.h"
#include "ravek/src/xml.h"

#include "ravek/tests/gl_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

using namespace ravek;

namespace {

Color colorOf(std::map<std::string, std::string> attributes) {
    xml::Node node;
    node.name = "color";
    node.attributes = attributes;
    return Color(&node);
}

void expectColor(Color const& c, float red, float green, float blue, float alpha) {
    EXPECT_FLOAT_EQ(red, c.red);
    EXPECT_FLOAT_EQ(green, c.green);
    EXPECT_FLOAT_EQ(blue, c.blue);
    EXPECT_FLOAT_EQ(alpha, c.alpha);
}

} // namespace

TEST(Color, CodeIsReadAsRRGGBBAA) {
    expectColor(colorOf({{"code", "ff8000ff"}}), 1.0f, 128.0f / 255, 0.0f, 1.0f);
    expectColor(colorOf({{"code", "FF000080"}}), 1.0f, 0.0f, 0.0f, 128.0f / 255);
}

TEST(Color, CodeAcceptsTheHexadecimalPrefix) {
    expectColor(colorOf({{"code", "0x00000080"}}), 0.0f, 0.0f, 0.0f, 128.0f / 255);
}

TEST(Color, ShortCodeIsReadAsANumber) {
    expectColor(colorOf({{"code", "FF0000"}}), 0.0f, 1.0f, 0.0f, 0.0f);
}

TEST(Color, CodeThatIsNotHexadecimalIsTransparentBlack) {
    expectColor(colorOf({{"code", "red"}}), 0.0f, 0.0f, 0.0f, 0.0f);
    expectColor(colorOf({{"code", "ff0000ffzz"}}), 1.0f, 0.0f, 0.0f, 1.0f);
}

TEST(Color, CodeBeyond32BitsSaturatesToOpaqueWhite) {
    expectColor(colorOf({{"code", "123456789abc"}}), 1.0f, 1.0f, 1.0f, 1.0f);
}

TEST(Color, ComponentsDefaultToOpaqueBlack) {
    expectColor(colorOf({{"red", "0.5"}}), 0.5f, 0.0f, 0.0f, 1.0f);
    expectColor(colorOf({}), 0.0f, 0.0f, 0.0f, 1.0f);
}

TEST(Color, CodeWinsOverEveryComponent) {
    expectColor(colorOf({{"code", "00ff0020"}, {"alpha", "1"}, {"red", "1"}}), 0.0f, 1.0f, 0.0f,
                32.0f / 255);
}

TEST(Justification, WordsGiveTheirValues) {
    EXPECT_EQ(JustificationVertical::top, justificationVertical("top"));
    EXPECT_EQ(JustificationVertical::center, justificationVertical("center"));
    EXPECT_EQ(JustificationVertical::bottom, justificationVertical("bottom"));
    EXPECT_EQ(JustificationHorizontal::left, justificationHorizontal("left"));
    EXPECT_EQ(JustificationHorizontal::center, justificationHorizontal("center"));
    EXPECT_EQ(JustificationHorizontal::right, justificationHorizontal("right"));
    EXPECT_STREQ("bottom", STR_JUSTIFICATION_VERTICAL[2]);
    EXPECT_STREQ("right", STR_JUSTIFICATION_HORIZONTAL[2]);
}

TEST(Justification, UnknownOrMiscasedWordThrows) {
    try {
        justificationHorizontal("Center");
        FAIL();
    } catch (std::string const& text) {
        EXPECT_EQ("Center is not a valid JustificationHorizontal value.", text);
    }
    try {
        justificationVertical("left");
        FAIL();
    } catch (std::string const& text) {
        EXPECT_EQ("left is not a valid JustificationVertical value.", text);
    }
}

#ifndef NDEBUG
TEST(BlendMode, UnknownModeIsAnAssertion) {
    EXPECT_DEATH(setBlendMode(3), "");
}
#endif

TEST(ColorsGL, BlendModesSetTheirFunctionsWithoutEnablingBlending) {
    testutil::Window window(16, 16);
    glDisable(GL_BLEND);
    GLint source = 0, destination = 0;
    setBlendMode(2);
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(GL_SRC_ALPHA, source);
    EXPECT_EQ(GL_ONE, destination);
    for (BlendMode mode : {0, 1}) {
        setBlendMode(mode);
        glGetIntegerv(GL_BLEND_SRC, &source);
        glGetIntegerv(GL_BLEND_DST, &destination);
        EXPECT_EQ(GL_SRC_ALPHA, source);
        EXPECT_EQ(GL_ONE_MINUS_SRC_ALPHA, destination);
    }
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}
