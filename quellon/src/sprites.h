#ifndef QUELLON_SPRITES_H
#define QUELLON_SPRITES_H

#include "ravek/src/gfx/sprites.h"
#include "ravek/src/math.h"

namespace ravek {
namespace audio {
class Sample;
}
namespace gfx {
class Animation;
class AnimationReference;
class Image;
} // namespace gfx
} // namespace ravek

namespace quellon {

enum ExtraType {
    extraLaserType = 0,
    extraSpeedup = 1,
    extraFireRate = 2,
    extraShield = 3,
    extraTimeWarp = 4,
    extraScore = 5
};

enum AsteroidType { asteroidSmall = 0, asteroidLarge = 1 };

// Draws the image as a sprite shows it: its hot spot on p, in the current blend function.
void drawPicture(ravek::gfx::Image* image, ravek::basic_Vector2D<float> const& p);

// The stereo position of a game sound at p: -0.5 at the left edge, 0.5 at the right.
float makeSoundVector(ravek::basic_Vector2D<float> const& p);

// Plays a game sound on the hub's game pool at the stereo position of p, only while the
// effects volume setting is above 0 and the sample exists.
void playSound(ravek::audio::Sample* sample, ravek::basic_Vector2D<float> const& p);

// Plays a sound of the game's own (time warp, bonus pings) on the hub's menu pool with the
// sample's own properties, under the same conditions.
void playMenuSound(ravek::audio::Sample* sample);

// Where containers and extras enter: above the screen at a random x between the side margins.
ravek::basic_Vector2D<float> spawnPoint();

// Shows frame `index` of a sprite's banking animation (ships and foes pick their frame); an
// index outside the animation is ignored.
void showFrame(ravek::sprites::ImageSprite* sprite, ravek::gfx::AnimationReference* animation,
               int index);

// The base of the game's sprites: an image sprite that is deleted late. deleteMe queues it for
// deletion at the end of the frame (once) and makes it collide no more, so a sprite on its way
// out can neither be hit nor hit anything else in the same frame.
class QuellonSprite : public ravek::sprites::ImageSprite {
public:
    bool deleted;

    QuellonSprite();
    void deleteMe();
};

// A player's or a foe's shot. Its owner may be deleted before it: compare the owner with the
// game's players, never reach through it.
class Laser : public QuellonSprite {
public:
    QuellonSprite* owner;
    ravek::basic_Vector2D<float> velocity;
    // -1: it never fades. Counts down, then the laser fades at `fade` alpha per ms.
    float timeToLive;
    float fade;

    Laser(ravek::gfx::Image* image, QuellonSprite* owner, float timeToLive, float fade);
    void perform(float ms) override;
};

// An explosion that plays its animation once and deletes itself.
class ExplosionSprite : public QuellonSprite {
public:
    bool stationary;
    ravek::basic_Vector2D<float> velocity;
    ravek::gfx::AnimationReference* animation;

    ExplosionSprite(ravek::gfx::Animation* animation, bool stationary);
    void perform(float ms) override;
};

class Asteroid : public QuellonSprite {
public:
    AsteroidType type;
    // Extra laser hits it takes.
    int energy;
    // Counts toward the stage (fragments do not).
    bool counted;
    ravek::basic_Vector2D<float> velocity;
    bool exploded;

    Asteroid(AsteroidType type, int energy, bool counted);
    void perform(float ms) override;
    void onCollision(ravek::sprites::Sprite* other) override;
    // A large one splits unless `whole`. Once exploded it collides no more.
    void explode(bool whole);

private:
    void updateColor();
};

class Container : public QuellonSprite {
public:
    ExtraType extraType;

    // Holds the extra type the game draws, at a random x above the screen.
    Container();
    void perform(float ms) override;
    void onCollision(ravek::sprites::Sprite* other) override;
    void explode();
};

class Extra : public QuellonSprite {
public:
    ExtraType type;
    bool collected;
    // (0, 0) for a falling extra; a lost upgrade flies by it.
    ravek::basic_Vector2D<float> velocity;
    // Non-zero while a lost upgrade cannot be taken yet: 1 when it is lost, then counting the
    // ms until it is past the delay.
    int lostClock;

    Extra(ExtraType type, ravek::basic_Vector2D<float> position);
    void perform(float ms) override;
};

class Foe : public QuellonSprite {
public:
    unsigned fireDelay;
    int volleyCount;
    unsigned volleyDelay;
    float acceleration;
    float distanceDivisor;
    unsigned floorTime;
    bool kamikaze;
    bool right;
    // Vertical speed factor in -1..1.
    float factor;
    ravek::gfx::AnimationReference* banking;
    int shotsLeft;
    float fireTimer;
    bool active;
    int hull;
    bool leaving;

    // Enters at the top of its side, added to the game's foes engine.
    explicit Foe(bool right);
    // Frees the game's foe slot of its side when it holds this foe.
    ~Foe() override;
    void perform(float ms) override;
    void onCollision(ravek::sprites::Sprite* other) override;
    void fire();
    void explode();
};

// The pure rules of the sprites, kept apart so that they are tested directly.

// The frame of a foe's banking animation for its vertical factor u.
int foeBankingFrame(float u);
// The vertical factor a foe wants: sign(e) e^2 / divisor for the height error e.
float foeWantedFactor(float targetHeight, float y, float divisor);
// Moves `value` toward `target` by at most `step` without passing it.
float approach(float value, float target, float step);

} // namespace quellon

#endif
