#ifndef RAVEK_GFX_SPRITES_H
#define RAVEK_GFX_SPRITES_H

#include "ravek/src/gfx/animations.h"
#include "ravek/src/gfx/bitmasks.h"
#include "ravek/src/gfx/images.h"
#include "ravek/src/math.h"
#include "ravek/src/ravek.h"

#include <cstddef>
#include <list>
#include <vector>

namespace ravek {
namespace sprites {

class SpriteEngine;

// A positioned, tinted, blended drawable with a hot spot, bounding boxes and collision hooks.
// Its picture's top left corner lies at (position.x - hotspot.x, position.y + hotspot.y) in the
// render context (y up); boxes and bitmasks count picture pixels from there, y down. Owned by
// whoever created it, never by an engine; destroying it takes it out of its engine. Handlers
// such as onCollision run while an engine walks its list: they may add sprites to engines,
// remove them or even delete them (see SpriteEngine), though the game defers deletion.
class Sprite {
public:
    // The engine the sprite is in; changed only by the engine's operations.
    SpriteEngine* engine;
    Color color;
    basic_Vector2D<float> position;
    float width, height;
    basic_Vector2D<float> hotspot;
    // Engines draw only visible sprites.
    bool visible;
    // Engines test only collidable sprites.
    bool collidable;
    BlendMode blendMode;
    gfx::BoundingBox outerBoundingBox, innerBoundingBox;

    Sprite(basic_Vector2D<float> position, bool visible);
    virtual ~Sprite();
    Sprite(Sprite const&) = delete;
    Sprite& operator=(Sprite const&) = delete;

    virtual void drawSelf() = 0;
    virtual void perform(float) {}
    virtual gfx::Bitmask* getBitmask() const { return nullptr; }
    // Outer boxes, then the inner-box shortcut, then the bitmasks when both sprites have one.
    virtual bool checkCollision(Sprite const* other);
    virtual void onCollision(Sprite*) {}

    // Draws with the sprite's blend mode when it has no engine or its mode differs from the
    // engine's; the blend function is restored afterwards. Ignores `visible`.
    void draw();
    // Whether the boxes overlap; an empty box (width or height 0 or less) overlaps nothing.
    bool checkCollisionOuterBoundingBox(Sprite const* other) const;
    bool checkCollisionInnerBoundingBox(Sprite const* other) const;
    // The bitmask test alone; false when either sprite has no bitmask.
    bool checkCollisionBitmask(Sprite const* other) const;
};

// The offset (dx, dy) of o's picture corner in s's picture pixels, y down, rounded to the
// nearest whole pixel (halves up), so that o seen from s is exactly the opposite of s seen from
// o whenever the positions are whole pixels. False when it does not fit in an int (or a
// position is not a number): such sprites are too far apart to collide.
bool collisionOffset(Sprite const* s, Sprite const* o, int* dx, int* dy);

// Whether box `o`, placed at (dx, dy) in s's picture pixels, overlaps box `s`. A box ending
// exactly where s's box begins still overlaps; one beginning where it ends does not. An empty
// box (width or height 0 or less) overlaps nothing.
bool boxesOverlap(gfx::BoundingBox const& s, gfx::BoundingBox const& o, int dx, int dy);

// A sprite showing an image, whose size, hot spot and boxes it copies (getImageData). An image
// that is an AnimationReference is owned by the sprite and deleted when replaced, cleared or
// with the sprite; any other image belongs to its bank, which must outlive the sprite. Without
// an image it draws nothing and its data are zero.
class ImageSprite : public Sprite {
public:
    gfx::Image* image;

    ImageSprite(basic_Vector2D<float> position, bool visible, gfx::Image* image);
    ~ImageSprite() override;

    // The image with its hot spot on `position`, tinted by `color`.
    void drawSelf() override;
    // Advances the image (an animation plays) and copies its data again.
    void perform(float ms) override;
    gfx::Bitmask* getBitmask() const override;

    // Shows `image`; the old one is deleted when it is an AnimationReference (unless it is the
    // same image again).
    void setImage(gfx::Image* image);
    // Shows a new reference of the animation at the speed and returns it (the sprite owns it).
    // A null animation logs a warning, clears the image and returns null.
    gfx::AnimationReference* setAnimation(gfx::Animation* animation, float speed);
    // Drops the image (deleting it when it is an AnimationReference); the copied data stay.
    void autoclearImage();
    // Copies width, height, hot spot and both boxes from the image; all 0 without one.
    void getImageData();
};

// An ordered list of sprites that it performs, draws and tests for collisions, in list order.
// It never owns its sprites: clearing or destroying it leaves them alive with no engine. Every
// walk over the list (perform, draw, testCollisions) tolerates handlers that add sprites to
// the engine, remove them or delete them: a sprite added (or moved) during a walk is not
// visited by it, a removed one is not visited any more, and a sprite that leaves its engine in
// the middle of its collision handling is neither told nor tested further. Destroying an
// engine while it walks is a programming error. Main thread only.
class SpriteEngine {
public:
    // Not owned; change it only through the operations below.
    std::list<Sprite*> sprites;
    BlendMode blendMode;

    SpriteEngine();
    ~SpriteEngine();
    SpriteEngine(SpriteEngine const&) = delete;
    SpriteEngine& operator=(SpriteEngine const&) = delete;

    // Takes the sprite out of the engine it is in (this one included) and inserts it at the
    // front or the back. A null sprite is logged and ignored.
    void addFront(Sprite* sprite);
    void addBack(Sprite* sprite);
    // Only a sprite of this engine is removed; any other is left alone.
    void remove(Sprite* sprite);
    // Detaches every sprite without deleting it.
    void clear();
    std::size_t size() const { return sprites.size(); }

    void perform(float ms);
    // Blending on, then every visible sprite with the engine's blend mode or its own where it
    // differs; blending (on or off, and its function) is restored afterwards. The texture of the
    // last sprite stays bound, texturing on and its tint current.
    void draw();
    // Each collidable sprite against every collidable later one; only the earlier one is told.
    void testCollisions();
    // Each collidable sprite against each collidable sprite of `other`; both are told, this
    // engine's sprite first.
    void testCollisions(SpriteEngine* other);

private:
    class Walk;
    friend class Walk;

    void insert(Sprite* sprite, bool front);

    // The walks in progress, innermost first.
    Walk* walks;
};

} // namespace sprites
} // namespace ravek

#endif
