#ifndef QUELLON_BENCH_BARE_QUADS_H
#define QUELLON_BENCH_BARE_QUADS_H

// The baseline of the drawing benchmarks: the textured quads a scene shows, drawn by a bare
// OpenGL loop with one glBegin per quad, binding a texture and switching the blend function
// only when the next quad needs it. Scenes collect their quads from what the engine would draw
// (images, sprite engines), so both sides draw the same pictures in the same order.
#include "ravek/src/gfx/animations.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/gfx/sprites.h"
#include "ravek/src/ravek.h"

#include <GL/gl.h>

#include <vector>

namespace bench {

struct BareQuad {
    unsigned texture;
    bool additive;
    ravek::Color color;
    ravek::gfx::TexturedQuad quad;
};

class BareQuads {
public:
    std::vector<BareQuad> quads;

    // The still image behind an image, or null (an animation shows its current frame's).
    static ravek::gfx::SingleTextureImage const* textureImage(ravek::gfx::Image const* image) {
        if (auto const* animation = dynamic_cast<ravek::gfx::AnimationReference const*>(image))
            return textureImage(animation->image);
        return dynamic_cast<ravek::gfx::SingleTextureImage const*>(image);
    }

    // The image's quad as draw(position) places it.
    void addImage(ravek::gfx::Image const* image, ravek::basic_Vector2D<float> position,
                  ravek::Color const& color, bool additive) {
        ravek::gfx::SingleTextureImage const* still = textureImage(image);
        if (!still || still->texture == 0)
            return;
        float left = position.x - still->hotspot.x;
        float bottom = position.y + still->hotspot.y;
        quads.push_back(
            {still->texture,
             additive,
             color,
             {left, bottom, left + static_cast<float>(still->width),
              bottom + static_cast<float>(still->height), still->getLeftTexCoord(),
              still->getRightTexCoord(), still->getUpperTexCoord(), still->getLowerTexCoord()}});
    }

    // The visible image sprites of an engine, blended as the engine blends them.
    void addSprites(ravek::sprites::SpriteEngine const& engine) {
        for (ravek::sprites::Sprite const* sprite : engine.sprites) {
            auto const* imageSprite = dynamic_cast<ravek::sprites::ImageSprite const*>(sprite);
            if (!imageSprite || !sprite->visible)
                continue;
            ravek::BlendMode mode =
                sprite->blendMode != engine.blendMode ? sprite->blendMode : engine.blendMode;
            addImage(imageSprite->image,
                     ravek::basic_Vector2D<float>(sprite->position.x,
                                                  sprite->position.y - sprite->height),
                     sprite->color, mode == 2);
        }
    }

    // Texturing and blending on; the last texture and blend function stay.
    void draw() const {
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        bool first = true;
        unsigned bound = 0;
        bool additive = false;
        for (BareQuad const& q : quads) {
            if (first || q.texture != bound) {
                glBindTexture(GL_TEXTURE_2D, q.texture);
                bound = q.texture;
            }
            if (first || q.additive != additive) {
                glBlendFunc(GL_SRC_ALPHA, q.additive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
                additive = q.additive;
            }
            first = false;
            glColor4f(q.color.red, q.color.green, q.color.blue, q.color.alpha);
            glBegin(GL_QUADS);
            glTexCoord2f(q.quad.sLeft, q.quad.tBottom);
            glVertex2f(q.quad.left, q.quad.bottom);
            glTexCoord2f(q.quad.sLeft, q.quad.tTop);
            glVertex2f(q.quad.left, q.quad.top);
            glTexCoord2f(q.quad.sRight, q.quad.tTop);
            glVertex2f(q.quad.right, q.quad.top);
            glTexCoord2f(q.quad.sRight, q.quad.tBottom);
            glVertex2f(q.quad.right, q.quad.bottom);
            glEnd();
        }
    }
};

} // namespace bench

#endif
