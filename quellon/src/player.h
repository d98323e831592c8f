#ifndef QUELLON_PLAYER_H
#define QUELLON_PLAYER_H

#include "quellon/src/sprites.h"

namespace quellon {

// 0 single player, 1 the left ship (player 2 of a multiplayer game), 2 the right ship
// (player 1 of a multiplayer game).
enum PlayerType { playerSingle = 0, playerLeft = 1, playerRight = 2 };

class Player;

// A player's shield bubble, in the ships engine beside its ship. Its alpha is its strength: it
// collides only from 0.5 up.
class Shield : public ravek::sprites::ImageSprite {
public:
    Player* owner;
    bool fadingOut;

    explicit Shield(Player* owner);
    void onCollision(ravek::sprites::Sprite* other) override;
};

// One player's ship in the game's ships engine, with an engine flame and a shield (both owned,
// in the same engine). It flies by the direction the game sets, fires by laser type, drains
// shield energy while the shield shows, collects extras, loses upgrades when hit and explodes
// when a hit finds nothing left to lose. It keeps the player's score; the game draws its HUD.
class Player : public QuellonSprite {
public:
    bool alive;
    ravek::sprites::ImageSprite* engineFlame;
    Shield* shield;
    ravek::basic_Vector2D<float> direction;
    unsigned score;
    unsigned nextContainerScore;
    float laserDelay;
    float laserSpeed;
    short laserType;
    float speed;
    int speedups;
    int fireRate;
    float reload;
    float sideReload;
    float minX, maxX;
    ravek::gfx::AnimationReference* banking;
    float shieldEnergy;
    int timeWarps;
    bool shieldOn;
    unsigned warpTimer;
    bool stutter;
    // Speed-ups, fire rate, laser type and time warps as the HUD showed them last.
    int hudSpeedups, hudFireRate, hudLaserType, hudTimeWarps;
    float shownShield;
    float blinkTimer;
    int blinksLeft;
    // The HUD shows the current values (else the copies).
    bool showCurrent;

    // Adds the flame to the front and the shield to the back of the game's ships engine; the
    // game adds the ship itself.
    explicit Player(PlayerType type);
    ~Player() override;

    void setDirection(ravek::basic_Vector2D<float> d);
    void setShield(bool on);
    void setSpeedupCount(int n);
    void setFireRateCount(int n);
    void addScore(unsigned points);
    void startTimeWarp();
    void updateHud(bool blink);
    // The HUD's shown shield value and blinking, once a frame.
    void performHud(float ms);

    void perform(float ms) override;
    void fire();
    // False when the extra was collected already.
    bool collectExtra(Extra* extra);
    void hit(QuellonSprite* other);
    void explode();
    void onCollision(ravek::sprites::Sprite* other) override;
};

// The pure rules of the ships, kept apart so that they are tested directly.

// The banking frame for a steering x in -1..1: 5 straight, 0 full left, 10 full right.
int shipBankingFrame(float x);

// Where a ship that wants to move from `old` to `wanted` may go with the other ship at `other`:
// ships keep 90 apart horizontally or 75 vertically.
ravek::basic_Vector2D<float> separateShips(ravek::basic_Vector2D<float> old,
                                           ravek::basic_Vector2D<float> wanted,
                                           ravek::basic_Vector2D<float> other);

} // namespace quellon

#endif
