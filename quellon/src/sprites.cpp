#include "quellon/src/sprites.h"

#include "quellon/src/game.h"
#include "quellon/src/gamestate.h"
#include "quellon/src/resources.h"
#include "quellon/src/tuning.h"

#include "ravek/src/audio/resources.h"
#include "ravek/src/audio/sources.h"
#include "ravek/src/debug.h"
#include "ravek/src/gfx/animations.h"

#include <cassert>
#include <cmath>

namespace quellon {

using ravek::basic_Vector2D;

namespace {

float screenWidth() {
    return resources->viewport.width;
}

float screenHeight() {
    return resources->viewport.height;
}

// Whether a sprite's picture has left the screen to the left or to the right.
bool outsideSides(ravek::sprites::Sprite const* s) {
    return s->position.x < s->hotspot.x - s->width || s->position.x > s->hotspot.x + screenWidth();
}

// The laser that hits `target`, spent at once; null when `other` is no laser, or when either
// of them already took part in a hit this frame (a spent laser must not hit twice, a destroyed
// target must not be destroyed twice).
Laser* takeLaser(ravek::sprites::Sprite* target, ravek::sprites::Sprite* other) {
    if (!target->collidable || !other->collidable)
        return nullptr;
    Laser* laser = dynamic_cast<Laser*>(other);
    if (laser)
        laser->deleteMe();
    return laser;
}

// The game's engine a sprite's explosion goes to: its own, or the given one when it has none.
ravek::sprites::SpriteEngine* engineOf(ravek::sprites::Sprite* s,
                                       ravek::sprites::SpriteEngine* fallback) {
    return s->engine ? s->engine : fallback;
}

void playOn(ravek::audio::SourcePool* pool, ravek::audio::Sample* sample,
            ravek::audio::SoundProperties const* properties) {
    if (!sample || !pool || resources->settings.volumeSfx <= 0)
        return;
    try {
        pool->play(sample, properties, nullptr, -1);
    } catch (std::string const& error) {
        ravek::debug::warning(dbgGame, "Could not play the sound \"%s\": %s", sample->name.c_str(),
                              error.c_str());
    }
}

} // namespace

void drawPicture(ravek::gfx::Image* image, ravek::basic_Vector2D<float> const& p) {
    if (image)
        image->draw(ravek::basic_Vector2D<float>(p.x, p.y - static_cast<float>(image->height)), 0);
}

float makeSoundVector(basic_Vector2D<float> const& p) {
    float width = screenWidth();
    if (!(width > 0.0f))
        return 0.0f;
    return (p.x - width / 2.0f) / width;
}

void playSound(ravek::audio::Sample* sample, basic_Vector2D<float> const& p) {
    if (!sample)
        return;
    ravek::audio::SoundProperties properties = sample->properties;
    properties.setStereoPosition(makeSoundVector(p));
    playOn(resources->poolGame, sample, &properties);
}

void playMenuSound(ravek::audio::Sample* sample) {
    playOn(resources->poolMenu, sample, nullptr);
}

basic_Vector2D<float> spawnPoint() {
    return basic_Vector2D<float>(ravek::random(specs.sideMargin, screenWidth() - specs.sideMargin),
                                 650.0f);
}

void showFrame(ravek::sprites::ImageSprite* sprite, ravek::gfx::AnimationReference* animation,
               int index) {
    if (!animation || !animation->animation || index < 0 ||
        index >= static_cast<int>(animation->animation->frames.size()))
        return;
    animation->current = static_cast<unsigned>(index);
    animation->time = 0.0f;
    animation->setFrame(&animation->animation->frames[index]);
    sprite->getImageData();
}

// QuellonSprite

QuellonSprite::QuellonSprite()
    : ravek::sprites::ImageSprite(basic_Vector2D<float>(0.0f, 0.0f), false, nullptr),
      deleted(false) {}

void QuellonSprite::deleteMe() {
    if (deleted)
        return;
    deleted = true;
    collidable = false;
    deleteQueue.push_back(this);
}

// Laser

Laser::Laser(ravek::gfx::Image* image, QuellonSprite* owner, float timeToLive, float fade)
    : owner(owner), timeToLive(timeToLive), fade(fade) {
    assert(owner);
    setImage(image);
    position = owner->position;
    visible = true;
    collidable = true;
}

void Laser::perform(float ms) {
    position.x += ms * velocity.x;
    position.y += ms * velocity.y;
    // Only the part of the frame past its time to live fades it, so it lives that long at full
    // strength whatever the frame length.
    float fading = ms;
    if (timeToLive > 0.0f) {
        fading = ravek::max(0.0f, ms - timeToLive);
        timeToLive = ravek::max(0.0f, timeToLive - ms);
    }
    if (timeToLive == 0.0f) {
        color.alpha -= fading * fade;
        if (color.alpha <= 0.0f)
            deleteMe();
        else if (color.alpha < 0.5f)
            collidable = false;
    }
    ImageSprite::perform(ms);
    if (position.y > screenHeight() + height - hotspot.y || outsideSides(this))
        deleteMe();
}

// ExplosionSprite

ExplosionSprite::ExplosionSprite(ravek::gfx::Animation* animation, bool stationary)
    : stationary(stationary), animation(nullptr) {
    blendMode = 2;
    visible = true;
    this->animation = setAnimation(animation, 1.0f);
}

void ExplosionSprite::perform(float ms) {
    ImageSprite::perform(ms);
    if (!stationary && game) {
        position.x += ms * game->scrollSpeed * velocity.x;
        position.y += ms * game->scrollSpeed * velocity.y;
    }
    if (!animation || animation->isFinished())
        deleteMe();
}

// Asteroid

Asteroid::Asteroid(AsteroidType type, int energy, bool counted)
    : type(type), energy(energy), counted(counted), exploded(false) {
    ravek::gfx::Animation* look =
        type == asteroidLarge ? resources->asteroidLarge : resources->asteroidSmall;
    setAnimation(look, ravek::random(0.5f, 1.5f));
    updateColor();
    visible = true;
    collidable = true;
}

void Asteroid::updateColor() {
    float shade = 1.0f - 0.1f * static_cast<float>(energy);
    color = ravek::Color(shade, shade, 1.0f, 1.0f);
}

void Asteroid::perform(float ms) {
    ImageSprite::perform(ms);
    if (exploded) {
        visible = false;
        collidable = false;
        deleteMe();
        return;
    }
    position.x += ms * velocity.x;
    position.y += ms * velocity.y;
    if (position.y < -hotspot.y || outsideSides(this))
        deleteMe();
}

void Asteroid::onCollision(ravek::sprites::Sprite* other) {
    Laser* laser = takeLaser(this, other);
    if (!laser)
        return;
    if (energy > 0) {
        --energy;
        updateColor();
        return;
    }
    game->destroyedAsteroid(game->asPlayer(laser->owner), this);
    explode(false);
}

void Asteroid::explode(bool whole) {
    if (!visible || exploded)
        return;
    if (type == asteroidLarge && !whole) {
        for (float side : {-1.0f, 1.0f}) {
            Asteroid* fragment = new Asteroid(asteroidSmall, energy, false);
            fragment->position = position;
            fragment->velocity =
                basic_Vector2D<float>(velocity.x + side * specs.fragmentSpeed, velocity.y);
            game->asteroids.addFront(fragment);
        }
    }
    ExplosionSprite* explosion = new ExplosionSprite(resources->explosionFast, false);
    explosion->velocity = basic_Vector2D<float>(velocity.x, velocity.y - game->scrollSpeed);
    explosion->position = position;
    engineOf(this, &game->asteroids)->addBack(explosion);
    playSound(resources->explosion, position);
    exploded = true;
    collidable = false;
}

// Container

namespace {

ravek::gfx::Animation* containerLook(ExtraType type) {
    switch (type) {
    case extraShield:
        return resources->container[1];
    case extraTimeWarp:
        return resources->container[2];
    default:
        return resources->container[0];
    }
}

} // namespace

Container::Container() : extraType(game->getExtraType()) {
    setAnimation(containerLook(extraType), 1.0f);
    position = spawnPoint();
    visible = true;
    collidable = true;
}

void Container::perform(float ms) {
    ImageSprite::perform(ms);
    position.y -= ms * specs.containerSpeed * specs.containerFallFactor;
    if (position.y < -50.0f)
        deleteMe();
}

void Container::onCollision(ravek::sprites::Sprite* other) {
    Laser* laser = takeLaser(this, other);
    if (!laser)
        return;
    explode();
}

void Container::explode() {
    if (deleted)
        return;
    game->extras.addFront(new Extra(extraType, position));
    ExplosionSprite* explosion = new ExplosionSprite(resources->explosionFast, false);
    explosion->velocity = basic_Vector2D<float>(0.0f, -specs.containerSpeed);
    explosion->position = position;
    engineOf(this, &game->asteroids)->addBack(explosion);
    playSound(resources->explosion, position);
    deleteMe();
    visible = false;
}

// Extra

namespace {

ravek::gfx::Animation* extraLook(ExtraType type) {
    switch (type) {
    case extraLaserType:
        return resources->extraLaserType;
    case extraSpeedup:
        return resources->extraSpeedup;
    case extraFireRate:
        return resources->extraFireRate;
    case extraShield:
        return resources->extraShield;
    case extraTimeWarp:
        return resources->extraTimeWarp;
    default:
        return resources->extraScore;
    }
}

} // namespace

Extra::Extra(ExtraType type, basic_Vector2D<float> position)
    : type(type), collected(false), lostClock(0) {
    blendMode = 2;
    setAnimation(extraLook(type), 1.0f);
    this->position = position;
    visible = true;
    collidable = true;
}

void Extra::perform(float ms) {
    ImageSprite::perform(ms);
    if (lostClock != 0) {
        // The clock starts at 1, so it has run the whole delay once it is past it.
        lostClock += static_cast<int>(ms);
        if (lostClock > specs.lostUpgradeDelay) {
            lostClock = 0;
            collidable = true;
        }
    }
    if (velocity.y == 0.0f) {
        position.y -= ms * game->scrollSpeed * specs.extraSpeed;
    } else {
        position.x += ms * velocity.x * specs.lostUpgradeSpeed;
        position.y += ms * velocity.y * specs.lostUpgradeSpeed;
    }
    if (position.y < -50.0f) {
        deleteMe();
        return;
    }
    if (!collected)
        return;
    float k = ms * specs.extraFade;
    for (float* c : {&color.red, &color.green, &color.blue, &color.alpha})
        *c = ravek::max(0.0f, *c - ravek::min(1.0f, k * *c));
    // The fade only ever halves the remainder, so it would never reach 0 by itself.
    if (color.alpha < 0.01f)
        deleteMe();
}

// Foe

Foe::Foe(bool right)
    : fireDelay(specs.getFoeFireDelay(static_cast<short>(game->stage))),
      volleyCount(specs.getFoeVolleyCount(static_cast<short>(game->stage))),
      volleyDelay(specs.getFoeVolleyDelay(static_cast<short>(game->stage))),
      acceleration(specs.getFoeAcceleration(static_cast<short>(game->stage))),
      distanceDivisor(specs.getFoeDistanceSpeedFactor(static_cast<short>(game->stage))),
      floorTime(0), kamikaze(true), right(right), factor(specs.foeSpeedY), banking(nullptr),
      shotsLeft(0), fireTimer(0.0f), active(true),
      hull(specs.getFoeHull(static_cast<short>(game->stage))), leaving(false) {
    banking = setAnimation(right ? resources->foeRight : resources->foeLeft, 1.0f);
    position = basic_Vector2D<float>(right ? 770.0f : 30.0f, 850.0f);
    visible = true;
    collidable = true;
    game->foes.addBack(this);
}

Foe::~Foe() {
    if (game && game->foeSlot[right ? 1 : 0] == this)
        game->foeSlot[right ? 1 : 0] = nullptr;
}

void Foe::perform(float ms) {
    if (!active)
        return;
    ImageSprite::perform(ms);
    short stage = static_cast<short>(game->stage);
    if (game->livingPlayers == 0) {
        leaving = true;
        factor = -1.0f;
    }
    if (!leaving) {
        fireTimer = ravek::max(0.0f, fireTimer - ms);
        Player* target = game->player[0];
        Player* second = game->player[1];
        if (second &&
            std::fabs(second->position.x - position.x) < std::fabs(target->position.x - position.x))
            target = second;
        float m = std::fabs(target->position.x - position.x);
        if (floorTime == 0 && ravek::random(specs.getFoeFloorChance(stage)) == 0)
            floorTime = specs.getFoeFloorDuration(stage);
        if (m < 120.0f && !kamikaze && ravek::random(specs.getFoeKamikazeChance(stage)) == 0)
            kamikaze = true;
        float height;
        if (floorTime > 0)
            height = specs.foeFloorHeight;
        else if (m < 90.0f && (!kamikaze || target->shieldOn))
            height = specs.foeHoverHeight;
        else
            height = target->position.y;
        float wanted = foeWantedFactor(height, position.y, distanceDivisor);
        if (kamikaze && wanted > 0.0f)
            kamikaze = false;
        factor = ravek::clamp(approach(factor, wanted, ms * acceleration), -1.0f, 1.0f);
        unsigned elapsed = static_cast<unsigned>(ms);
        floorTime = floorTime > elapsed ? floorTime - elapsed : 0;
        if (!kamikaze)
            fire();
    }
    showFrame(this, banking, foeBankingFrame(factor));
    position.y += ms * factor * specs.foeSpeedY;
    if (leaving && position.y < -50.0f)
        deleteMe();
}

void Foe::fire() {
    if (fireTimer > 0.0f)
        return;
    Laser* laser =
        new Laser(resources->laserRoundRed, this,
                  specs.getFoeLaserTtl(static_cast<short>(game->stage)), specs.foeLaserFade);
    float side = right ? -1.0f : 1.0f;
    laser->position = basic_Vector2D<float>(position.x + side * 20.0f, position.y);
    laser->velocity =
        basic_Vector2D<float>(side * specs.foeLaserSpeedX, specs.foeLaserSpeedY * factor);
    game->foeLasers.addFront(laser);
    playSound(resources->laser, position);
    shotsLeft = shotsLeft == 0 ? volleyCount : shotsLeft - 1;
    fireTimer = static_cast<float>(shotsLeft > 0 ? volleyDelay : fireDelay);
}

void Foe::onCollision(ravek::sprites::Sprite* other) {
    Laser* laser = takeLaser(this, other);
    if (!laser)
        return;
    Player* by = game->asPlayer(laser->owner);
    if (!by)
        return;
    if (--hull > 0)
        return;
    game->destroyedFoe(by, this);
    explode();
}

void Foe::explode() {
    if (!active)
        return;
    ExplosionSprite* explosion = new ExplosionSprite(resources->explosionSlow, true);
    explosion->position = position;
    engineOf(this, &game->foes)->addBack(explosion);
    visible = false;
    collidable = false;
    active = false;
    deleteMe();
    playSound(resources->explosion, position);
}

// Pure rules

int foeBankingFrame(float u) {
    if (u == 0.0f)
        return 5;
    if (u < 0.0f)
        return 5 - static_cast<int>(5.0f * -u + 0.5f);
    return static_cast<int>(5.0f * u + 0.5f) + 6;
}

float foeWantedFactor(float targetHeight, float y, float divisor) {
    float e = targetHeight - y;
    float sign = e > 0.0f ? 1.0f : (e < 0.0f ? -1.0f : 0.0f);
    return sign * e * e / divisor;
}

float approach(float value, float target, float step) {
    if (value < target)
        return ravek::min(target, value + step);
    return ravek::max(target, value - step);
}

} // namespace quellon
