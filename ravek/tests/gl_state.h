#ifndef RAVEK_TESTS_GL_STATE_H
#define RAVEK_TESTS_GL_STATE_H

// The OpenGL state that the engine's draws leave as they found it (or change on purpose),
// read back as one value: a test reads it before and after a draw and compares the texts, so a
// failure names every field that differs.
#include <GL/gl.h>

#include <cstdio>
#include <string>

namespace testutil {

struct GLState {
    GLboolean blend, texture2D, scissorTest, depthTest, alphaTest, lighting, fog, cullFace;
    GLboolean vertexArray, colorArray, texCoordArray;
    GLint blendSource, blendDestination, boundTexture, textureEnvMode, matrixMode, listBase;
    GLint shadeModel, vertexSize, vertexType, vertexStride;
    GLvoid* vertexPointer;
    GLint viewport[4], scissorBox[4], polygonMode[2];
    GLfloat color[4], modelview[16], projection[16];

    static GLState read() {
        GLState s;
        s.blend = glIsEnabled(GL_BLEND);
        s.texture2D = glIsEnabled(GL_TEXTURE_2D);
        s.scissorTest = glIsEnabled(GL_SCISSOR_TEST);
        s.depthTest = glIsEnabled(GL_DEPTH_TEST);
        s.alphaTest = glIsEnabled(GL_ALPHA_TEST);
        s.lighting = glIsEnabled(GL_LIGHTING);
        s.fog = glIsEnabled(GL_FOG);
        s.cullFace = glIsEnabled(GL_CULL_FACE);
        s.vertexArray = glIsEnabled(GL_VERTEX_ARRAY);
        s.colorArray = glIsEnabled(GL_COLOR_ARRAY);
        s.texCoordArray = glIsEnabled(GL_TEXTURE_COORD_ARRAY);
        glGetIntegerv(GL_BLEND_SRC, &s.blendSource);
        glGetIntegerv(GL_BLEND_DST, &s.blendDestination);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.boundTexture);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &s.textureEnvMode);
        glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
        glGetIntegerv(GL_LIST_BASE, &s.listBase);
        glGetIntegerv(GL_SHADE_MODEL, &s.shadeModel);
        glGetIntegerv(GL_VERTEX_ARRAY_SIZE, &s.vertexSize);
        glGetIntegerv(GL_VERTEX_ARRAY_TYPE, &s.vertexType);
        glGetIntegerv(GL_VERTEX_ARRAY_STRIDE, &s.vertexStride);
        glGetPointerv(GL_VERTEX_ARRAY_POINTER, &s.vertexPointer);
        glGetIntegerv(GL_VIEWPORT, s.viewport);
        glGetIntegerv(GL_SCISSOR_BOX, s.scissorBox);
        glGetIntegerv(GL_POLYGON_MODE, s.polygonMode);
        glGetFloatv(GL_CURRENT_COLOR, s.color);
        glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
        glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
        return s;
    }

    // One "name value" line per field.
    std::string text() const {
        std::string out;
        auto line = [&](char const* name, std::string const& value) {
            out += std::string(name) + " " + value + "\n";
        };
        auto integers = [](GLint const* v, int n) {
            std::string s;
            for (int i = 0; i < n; ++i)
                s += (i ? " " : "") + std::to_string(v[i]);
            return s;
        };
        auto floats = [](GLfloat const* v, int n) {
            std::string s;
            char buffer[32];
            for (int i = 0; i < n; ++i) {
                std::snprintf(buffer, sizeof buffer, "%s%.9g", i ? " " : "", v[i]);
                s += buffer;
            }
            return s;
        };
        auto flag = [](GLboolean b) { return std::string(b ? "on" : "off"); };
        line("blend", flag(blend));
        line("texture2D", flag(texture2D));
        line("scissorTest", flag(scissorTest));
        line("depthTest", flag(depthTest));
        line("alphaTest", flag(alphaTest));
        line("lighting", flag(lighting));
        line("fog", flag(fog));
        line("cullFace", flag(cullFace));
        line("vertexArray", flag(vertexArray));
        line("colorArray", flag(colorArray));
        line("texCoordArray", flag(texCoordArray));
        line("blendFunc", integers(&blendSource, 1) + " " + integers(&blendDestination, 1));
        line("boundTexture", integers(&boundTexture, 1));
        line("textureEnvMode", integers(&textureEnvMode, 1));
        line("matrixMode", integers(&matrixMode, 1));
        line("listBase", integers(&listBase, 1));
        line("shadeModel", integers(&shadeModel, 1));
        char pointer[32];
        std::snprintf(pointer, sizeof pointer, "%p", vertexPointer);
        line("vertexArrayPointer", integers(&vertexSize, 1) + " " + integers(&vertexType, 1) + " " +
                                       integers(&vertexStride, 1) + " " + pointer);
        line("viewport", integers(viewport, 4));
        line("scissorBox", integers(scissorBox, 4));
        line("polygonMode", integers(polygonMode, 2));
        line("color", floats(color, 4));
        line("modelview", floats(modelview, 16));
        line("projection", floats(projection, 16));
        return out;
    }
};

// A state far from OpenGL's defaults, so that a draw that resets something instead of
// restoring it shows: blending and texturing off, an odd blend function, another texture
// bound, a tint, a moved model-view matrix, a list base and an enabled vertex array.
inline void setUnusualState(GLuint texture, GLfloat const* vertices) {
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(0.25f, 0.5f, 0.75f, 0.5f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(3.0f, 5.0f, 0.0f);
    glListBase(7);
    glVertexPointer(3, GL_FLOAT, 12, vertices);
    glEnableClientState(GL_VERTEX_ARRAY);
}

} // namespace testutil

#endif
