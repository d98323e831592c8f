#include "ravek/src/gfx/starfield.h"

#include "ravek/src/math.h"

#include <GL/gl.h>

namespace ravek {
namespace particles {

namespace {

std::int32_t countOf(StarClass const& starClass) {
    return starClass.count > 0 ? starClass.count : 0;
}

} // namespace

Starfield* StarfieldProperties::create() const {
    return new Starfield(*this);
}

Starfield::Starfield(StarfieldProperties const& properties)
    : width(properties.width), height(properties.height), classes(properties.classes), total(0),
      speedFactor(1.0f) {
    init();
}

void Starfield::init() {
    std::int64_t sum = 0;
    for (StarClass const& starClass : classes)
        sum += countOf(starClass);
    total = static_cast<std::int32_t>(sum);
    stars.assign(static_cast<size_t>(total) * 2, 0.0f);
    for (std::int32_t i = 0; i < total; ++i) {
        stars[static_cast<size_t>(i) * 2] = random<float>(width);
        stars[static_cast<size_t>(i) * 2 + 1] = random<float>(height);
    }
}

void Starfield::perform(float ms) {
    float distance = speedFactor * ms;
    size_t star = 0;
    for (StarClass const& starClass : classes) {
        float step = distance * starClass.speed;
        std::int32_t count = countOf(starClass);
        for (std::int32_t i = 0; i < count && star < static_cast<size_t>(total); ++i, ++star) {
            float& y = stars[star * 2 + 1];
            y -= step;
            if (y < 0.0f) {
                stars[star * 2] = random<float>(0.0f, width);
                y += height;
            }
        }
    }
}

void Starfield::draw() {
    SavedBlending blending;
    SavedTexturing texturing;
    bool arrayOn = glIsEnabled(GL_VERTEX_ARRAY);
    GLint size = 4, type = GL_FLOAT, stride = 0;
    GLvoid* pointer = nullptr;
    glGetIntegerv(GL_VERTEX_ARRAY_SIZE, &size);
    glGetIntegerv(GL_VERTEX_ARRAY_TYPE, &type);
    glGetIntegerv(GL_VERTEX_ARRAY_STRIDE, &stride);
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &pointer);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glVertexPointer(2, GL_FLOAT, 0, stars.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    std::int32_t first = 0;
    for (StarClass const& starClass : classes) {
        std::int32_t count = countOf(starClass);
        if (first + count > total)
            count = total - first;
        starClass.color.apply();
        if (count > 0)
            glDrawArrays(GL_POINTS, first, count);
        first += count;
    }
    glVertexPointer(size, static_cast<GLenum>(type), stride, pointer);
    if (!arrayOn)
        glDisableClientState(GL_VERTEX_ARRAY);
    texturing.restore();
    blending.restore();
}

void Starfield::release() {
    stars = std::vector<float>();
    total = 0;
}

} // namespace particles
} // namespace ravek
