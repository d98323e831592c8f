#include "ravek/src/gfx/starfield.h"

#include "ravek/tests/gl_state.h"
#include "ravek/tests/gl_util.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace ravek;
using namespace ravek::particles;

namespace {

StarfieldProperties properties(float width, float height, std::vector<StarClass> classes) {
    StarfieldProperties p;
    p.width = width;
    p.height = height;
    p.classes = classes;
    return p;
}

Color const white(1, 1, 1, 1);

} // namespace

TEST(Starfield, ClassesAreScatteredOverTheArea) {
    std::unique_ptr<Starfield> field(
        properties(800, 600, {{100, 0.1f, white}, {50, 0.2f, white}, {20, 0.3f, white}}).create());
    EXPECT_EQ(170, field->total);
    ASSERT_EQ(340u, field->stars.size());
    EXPECT_FLOAT_EQ(1.0f, field->speedFactor);
    EXPECT_EQ(3u, field->classes.size());
    for (int i = 0; i < field->total; ++i) {
        EXPECT_GE(field->stars[i * 2], 0.0f);
        EXPECT_LE(field->stars[i * 2], 800.0f);
        EXPECT_GE(field->stars[i * 2 + 1], 0.0f);
        EXPECT_LE(field->stars[i * 2 + 1], 600.0f);
    }
}

TEST(Starfield, StarsFallByTheirClassSpeed) {
    Starfield field(properties(800, 600, {{1, 0.05f, white}, {1, 0.5f, white}}));
    field.stars = {10, 300, 20, 300};
    field.perform(40);
    EXPECT_FLOAT_EQ(10, field.stars[0]);
    EXPECT_FLOAT_EQ(298, field.stars[1]);
    EXPECT_FLOAT_EQ(20, field.stars[2]);
    EXPECT_FLOAT_EQ(280, field.stars[3]);
}

TEST(Starfield, StarBelowTheBottomReentersAtTheTop) {
    Starfield field(properties(800, 600, {{1, 0.05f, white}}));
    field.stars = {-1000, 1};
    field.perform(40);
    EXPECT_FLOAT_EQ(599, field.stars[1]);
    EXPECT_GE(field.stars[0], 0.0f);
    EXPECT_LE(field.stars[0], 800.0f);
}

TEST(Starfield, SpeedFactorScalesEveryClass) {
    Starfield field(properties(800, 600, {{1, 0.5f, white}}));
    field.stars = {10, 300};
    field.speedFactor = 0;
    field.perform(1000);
    EXPECT_FLOAT_EQ(300, field.stars[1]);
    field.speedFactor = 2;
    field.perform(10);
    EXPECT_FLOAT_EQ(290, field.stars[1]);
}

TEST(Starfield, EmptyAndNegativeClassesHoldNoStars) {
    Starfield field(properties(800, 600, {{0, 1, white}, {-4, 1, white}, {2, 1, white}}));
    EXPECT_EQ(2, field.total);
    EXPECT_EQ(4u, field.stars.size());
}

TEST(Starfield, ReleaseEmptiesTheFieldUntilTheNextInit) {
    Starfield field(properties(100, 100, {{5, 1, white}}));
    field.release();
    EXPECT_EQ(0, field.total);
    EXPECT_TRUE(field.stars.empty());
    field.perform(10);
    field.init();
    EXPECT_EQ(5, field.total);
}

TEST(StarfieldGL, ClassesAreDrawnAsPointsInTheirColours) {
    testutil::Window window(32, 32);
    RenderContext2D(basic_Vector2D<float>(32, 32)).apply();
    glClearColor(0, 0, 0, 1);
    clearScreen();
    Starfield field(properties(
        32, 32,
        {{2, 0, Color(1, 0, 0, 1)}, {0, 0, Color(1, 1, 0, 1)}, {1, 0, Color(0, 0, 1, 0.5f)}}));
    field.stars = {3.5f, 4.5f, 10.5f, 4.5f, 20.5f, 30.5f};
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    field.draw();
    EXPECT_EQ(0xFF0000FFu, testutil::pixelAt(3, 4));
    EXPECT_EQ(0xFF0000FFu, testutil::pixelAt(10, 4));
    // Drawn without blending, so alpha reaches the screen unmixed.
    std::uint32_t blue = testutil::pixelAt(20, 30);
    EXPECT_EQ(0x0000FF00u, blue & 0xFFFFFF00u);
    EXPECT_NEAR(128, static_cast<int>(blue & 0xFF), 1);
    EXPECT_EQ(0x000000FFu, testutil::pixelAt(4, 4));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    GLfloat current[4];
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_FLOAT_EQ(0.5f, current[3]);
}

TEST(StarfieldGL, DrawRestoresBlendingTexturingAndTheVertexArray) {
    testutil::Window window(32, 32);
    RenderContext2D(basic_Vector2D<float>(32, 32)).apply();
    Starfield field(properties(32, 32, {{3, 0, white}, {2, 0, Color(0, 1, 0, 0.5f)}}));
    GLuint other = 0;
    glGenTextures(1, &other);
    GLfloat vertices[9] = {};
    for (bool on : {false, true}) {
        testutil::setUnusualState(other, vertices);
        if (on) {
            glEnable(GL_BLEND);
            glEnable(GL_TEXTURE_2D);
            glDisableClientState(GL_VERTEX_ARRAY);
        }
        testutil::GLState expected = testutil::GLState::read();
        // The last class's colour stays.
        expected.color[0] = 0.0f;
        expected.color[1] = 1.0f;
        expected.color[2] = 0.0f;
        expected.color[3] = 0.5f;
        field.draw();
        EXPECT_EQ(expected.text(), testutil::GLState::read().text()) << "found on " << on;
    }
    glDeleteTextures(1, &other);
}
