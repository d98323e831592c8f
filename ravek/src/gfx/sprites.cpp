#include "ravek/src/gfx/sprites.h"

#include "ravek/src/debug.h"

#include <GL/gl.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>

namespace ravek {
namespace sprites {

namespace {

// Offsets beyond this are left out of the box arithmetic; no picture is that large.
float const maxOffset = 1.0e9f;

// To the nearest whole pixel, halves up. The engine's round truncates towards zero, which
// would put every sprite to the left of or above another one pixel too close.
bool offsetOf(float d, int* out) {
    if (!(d > -maxOffset && d < maxOffset))
        return false;
    *out = static_cast<int>(std::floor(d + 0.5f));
    return true;
}

bool isAnimation(gfx::Image* image) {
    return dynamic_cast<gfx::AnimationReference*>(image) != nullptr;
}

} // namespace

bool collisionOffset(Sprite const* s, Sprite const* o, int* dx, int* dy) {
    return offsetOf((o->position.x - o->hotspot.x) - (s->position.x - s->hotspot.x), dx) &&
           offsetOf((s->position.y + s->hotspot.y) - (o->position.y + o->hotspot.y), dy);
}

bool boxesOverlap(gfx::BoundingBox const& s, gfx::BoundingBox const& o, int dx, int dy) {
    if (s.width <= 0 || s.height <= 0 || o.width <= 0 || o.height <= 0)
        return false;
    // 64 bits: box corners plus offsets may pass the range of an int.
    std::int64_t x = s.x, y = s.y, w = s.width, h = s.height;
    std::int64_t X = o.x, Y = o.y, W = o.width, H = o.height;
    return !(X + W < x - dx || X >= x + w - dx || Y + H < y - dy || Y >= y + h - dy);
}

// Sprite

Sprite::Sprite(basic_Vector2D<float> position, bool visible)
    : engine(nullptr), color(1.0f, 1.0f, 1.0f, 1.0f), position(position), width(0.0f), height(0.0f),
      visible(visible), collidable(false), blendMode(0) {}

Sprite::~Sprite() {
    if (engine)
        engine->remove(this);
}

void Sprite::draw() {
    if (engine && blendMode == engine->blendMode) {
        drawSelf();
        return;
    }
    SavedBlending saved;
    setBlendMode(blendMode);
    drawSelf();
    saved.restore();
}

bool Sprite::checkCollision(Sprite const* other) {
    int dx, dy;
    if (!collisionOffset(this, other, &dx, &dy) ||
        !boxesOverlap(outerBoundingBox, other->outerBoundingBox, dx, dy))
        return false;
    if (boxesOverlap(innerBoundingBox, other->innerBoundingBox, dx, dy))
        return true;
    gfx::Bitmask const* mine = getBitmask();
    gfx::Bitmask const* theirs = other->getBitmask();
    if (!mine || !theirs)
        return true;
    return gfx::checkCollisionBitmask(mine, theirs, dx, dy);
}

bool Sprite::checkCollisionOuterBoundingBox(Sprite const* other) const {
    int dx, dy;
    return collisionOffset(this, other, &dx, &dy) &&
           boxesOverlap(outerBoundingBox, other->outerBoundingBox, dx, dy);
}

bool Sprite::checkCollisionInnerBoundingBox(Sprite const* other) const {
    int dx, dy;
    return collisionOffset(this, other, &dx, &dy) &&
           boxesOverlap(innerBoundingBox, other->innerBoundingBox, dx, dy);
}

bool Sprite::checkCollisionBitmask(Sprite const* other) const {
    gfx::Bitmask const* mine = getBitmask();
    gfx::Bitmask const* theirs = other->getBitmask();
    int dx, dy;
    return mine && theirs && collisionOffset(this, other, &dx, &dy) &&
           gfx::checkCollisionBitmask(mine, theirs, dx, dy);
}

// ImageSprite

ImageSprite::ImageSprite(basic_Vector2D<float> position, bool visible, gfx::Image* image)
    : Sprite(position, visible), image(image) {
    getImageData();
}

ImageSprite::~ImageSprite() {
    autoclearImage();
}

void ImageSprite::drawSelf() {
    if (!image)
        return;
    color.apply();
    image->draw(basic_Vector2D<float>(position.x, position.y - height), 0);
}

void ImageSprite::perform(float ms) {
    if (!image)
        return;
    image->perform(ms);
    getImageData();
}

gfx::Bitmask* ImageSprite::getBitmask() const {
    return image ? image->getBitmask() : nullptr;
}

void ImageSprite::setImage(gfx::Image* newImage) {
    if (newImage != image)
        autoclearImage();
    image = newImage;
    getImageData();
}

gfx::AnimationReference* ImageSprite::setAnimation(gfx::Animation* animation, float speed) {
    if (!animation) {
        debug::warning(dbgSprites, "No animation given to sprite; it shows nothing.");
        setImage(nullptr);
        return nullptr;
    }
    gfx::AnimationReference* reference = animation->getReference(speed);
    setImage(reference);
    return reference;
}

void ImageSprite::autoclearImage() {
    if (isAnimation(image))
        delete image;
    image = nullptr;
}

void ImageSprite::getImageData() {
    if (!image) {
        width = height = 0.0f;
        hotspot = basic_Vector2D<float>();
        outerBoundingBox = innerBoundingBox = gfx::BoundingBox();
        return;
    }
    width = static_cast<float>(image->getWidth());
    height = static_cast<float>(image->getHeight());
    hotspot = image->getHotspot();
    outerBoundingBox = image->getOuterBoundingBox();
    innerBoundingBox = image->getInnerBoundingBox();
}

// SpriteEngine

// A walk over an engine's list. The position is always one ahead of the sprite being visited,
// and the engine moves it on when it removes the sprite there, so a handler may remove or
// delete any sprite. Sprites entering the engine during the walk are noted and passed over.
class SpriteEngine::Walk {
public:
    typedef std::list<Sprite*>::iterator Position;

    explicit Walk(SpriteEngine* engine)
        : engine(engine), next(engine->sprites.begin()), current(nullptr), outer(engine->walks) {
        engine->walks = this;
    }
    ~Walk() { engine->walks = outer; }
    Walk(Walk const&) = delete;
    Walk& operator=(Walk const&) = delete;

    // Goes on from `from`; sprites added so far stay passed over.
    void restart(Position from) {
        next = from;
        current = nullptr;
    }

    // The next sprite to visit, or null at the end.
    Sprite* step() {
        while (next != engine->sprites.end()) {
            Sprite* sprite = *next++;
            if (!added.empty() && std::find(added.begin(), added.end(), sprite) != added.end())
                continue;
            current = sprite;
            return sprite;
        }
        current = nullptr;
        return nullptr;
    }

    SpriteEngine* engine;
    Position next;
    // The sprite being visited; null once it has left the engine.
    Sprite* current;
    std::vector<Sprite*> added;
    Walk* outer;
};

SpriteEngine::SpriteEngine() : blendMode(0), walks(nullptr) {}

SpriteEngine::~SpriteEngine() {
    assert(!walks && "sprite engine destroyed while walking its sprites");
    clear();
}

void SpriteEngine::insert(Sprite* sprite, bool front) {
    if (!sprite) {
        debug::warning(dbgSprites, "Cannot add a null sprite to a sprite engine.");
        return;
    }
    if (sprite->engine)
        sprite->engine->remove(sprite);
    if (front)
        sprites.push_front(sprite);
    else
        sprites.push_back(sprite);
    sprite->engine = this;
    for (Walk* walk = walks; walk; walk = walk->outer)
        walk->added.push_back(sprite);
}

void SpriteEngine::addFront(Sprite* sprite) {
    insert(sprite, true);
}

void SpriteEngine::addBack(Sprite* sprite) {
    insert(sprite, false);
}

void SpriteEngine::remove(Sprite* sprite) {
    if (!sprite || sprite->engine != this)
        return;
    auto position = std::find(sprites.begin(), sprites.end(), sprite);
    for (Walk* walk = walks; walk; walk = walk->outer) {
        if (walk->next == position && position != sprites.end())
            ++walk->next;
        if (walk->current == sprite)
            walk->current = nullptr;
    }
    if (position != sprites.end())
        sprites.erase(position);
    sprite->engine = nullptr;
}

void SpriteEngine::clear() {
    for (Sprite* sprite : sprites)
        sprite->engine = nullptr;
    sprites.clear();
    for (Walk* walk = walks; walk; walk = walk->outer)
        walk->restart(sprites.end());
}

void SpriteEngine::perform(float ms) {
    Walk walk(this);
    while (Sprite* sprite = walk.step())
        sprite->perform(ms);
}

void SpriteEngine::draw() {
    SavedBlending saved;
    glEnable(GL_BLEND);
    {
        Walk walk(this);
        while (Sprite* sprite = walk.step()) {
            if (!sprite->visible)
                continue;
            // Saved once for the whole engine rather than around each sprite of its own blend
            // mode: the function is set before every sprite, which the driver skips when it is
            // already in effect.
            setBlendMode(sprite->blendMode != blendMode ? sprite->blendMode : blendMode);
            sprite->drawSelf();
        }
    }
    saved.restore();
}

void SpriteEngine::testCollisions() {
    Walk outer(this);
    Walk inner(this);
    while (Sprite* s = outer.step()) {
        if (!s->collidable)
            continue;
        inner.restart(outer.next);
        while (Sprite* o = inner.step()) {
            if (!o->collidable || !s->checkCollision(o))
                continue;
            s->onCollision(o);
            if (!outer.current)
                break;
        }
    }
}

void SpriteEngine::testCollisions(SpriteEngine* other) {
    if (!other)
        return;
    Walk outer(this);
    Walk inner(other);
    while (Sprite* s = outer.step()) {
        if (!s->collidable)
            continue;
        inner.restart(other->sprites.begin());
        while (Sprite* o = inner.step()) {
            if (!o->collidable || !s->checkCollision(o))
                continue;
            s->onCollision(o);
            if (!outer.current)
                break;
            if (!inner.current)
                continue;
            o->onCollision(s);
            if (!outer.current)
                break;
        }
    }
}

} // namespace sprites
} // namespace ravek
