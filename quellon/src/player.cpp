#include "quellon/src/player.h"

#include "quellon/src/game.h"
#include "quellon/src/resources.h"
#include "quellon/src/tuning.h"

#include "ravek/src/audio/music.h"
#include "ravek/src/debug.h"
#include "ravek/src/gfx/animations.h"

#include <cassert>
#include <cmath>
#include <cstdlib>

namespace quellon {

using ravek::basic_Vector2D;

namespace {

// What a ship or its shield does to what ran into it: an asteroid explodes (a large one splits
// unless `whole`), a container explodes, a laser is spent, a foe explodes when `foes` is set.
void destroyHitter(ravek::sprites::Sprite* other, bool whole, bool foes) {
    if (Asteroid* asteroid = dynamic_cast<Asteroid*>(other))
        asteroid->explode(whole);
    else if (Container* container = dynamic_cast<Container*>(other))
        container->explode();
    else if (Laser* laser = dynamic_cast<Laser*>(other))
        laser->deleteMe();
    else if (Foe* foe = dynamic_cast<Foe*>(other); foe && foes)
        foe->explode();
}

} // namespace

// Shield

Shield::Shield(Player* owner)
    : ravek::sprites::ImageSprite(basic_Vector2D<float>(0.0f, 0.0f), false, nullptr), owner(owner),
      fadingOut(false) {
    setAnimation(resources->shield, 1.0f);
    blendMode = 2;
    color.alpha = 0.0f;
}

void Shield::onCollision(ravek::sprites::Sprite* other) {
    // A foe is left to its own handler: it flies through the bubble.
    if (collidable && other->collidable)
        destroyHitter(other, true, false);
}

// Player

Player::Player(PlayerType type)
    : alive(true), engineFlame(nullptr), shield(nullptr), score(0),
      nextContainerScore(static_cast<unsigned>(specs.containerScoreStep)), laserDelay(0.0f),
      laserSpeed(0.0f), laserType(0), speed(0.0f), speedups(0), fireRate(0), reload(0.0f),
      sideReload(0.0f), minX(specs.sideMargin), maxX(800.0f - specs.sideMargin), banking(nullptr),
      shieldEnergy(0.0f), timeWarps(0), shieldOn(false), warpTimer(0), stutter(false),
      hudSpeedups(0), hudFireRate(0), hudLaserType(0), hudTimeWarps(0), shownShield(0.0f),
      blinkTimer(0.0f), blinksLeft(0), showCurrent(true) {
    blendMode = 1;
    visible = true;
    collidable = true;
    banking = setAnimation(type == playerLeft ? resources->player2 : resources->player1, 1.0f);
    showFrame(this, banking, specs.bankingFrameStraight);
    switch (type) {
    case playerSingle:
        position.x = (minX + maxX) / 2.0f;
        break;
    case playerLeft:
        position.x = (minX + maxX / 2.0f) / 2.0f;
        break;
    case playerRight:
        position.x = (minX + maxX / 2.0f) * 1.5f;
        break;
    }
    position.y = specs.shipStartY;
    ++game->livingPlayers;

    engineFlame = new ravek::sprites::ImageSprite(basic_Vector2D<float>(0.0f, 0.0f), true, nullptr);
    engineFlame->setAnimation(resources->engine, 1.0f);
    engineFlame->blendMode = 2;
    game->ships.addFront(engineFlame);

    shield = new Shield(this);
    game->ships.addBack(shield);

    setSpeedupCount(0);
    setFireRateCount(0);
}

Player::~Player() {
    delete engineFlame;
    delete shield;
}

void Player::setDirection(basic_Vector2D<float> d) {
    direction = d;
    showFrame(this, banking, shipBankingFrame(d.x));
}

void Player::setShield(bool on) {
    if (!alive || on == shieldOn)
        return;
    if (on) {
        if (shieldEnergy > 0.0f)
            shieldOn = true;
    } else {
        shieldOn = false;
        shield->fadingOut = true;
    }
}

void Player::setSpeedupCount(int n) {
    speedups = n;
    speed = specs.shipSpeed + specs.shipSpeedPerSpeedup * static_cast<float>(n);
}

void Player::setFireRateCount(int n) {
    fireRate = n;
    laserDelay = specs.getLaserDelay(static_cast<short>(n));
    laserSpeed = specs.getLaserSpeed(static_cast<short>(n));
}

void Player::addScore(unsigned points) {
    if (!alive)
        return;
    score += points;
    while (score >= nextContainerScore) {
        game->containerDue();
        nextContainerScore += static_cast<unsigned>(specs.containerScoreStep);
    }
}

void Player::startTimeWarp() {
    if (!alive || timeWarps <= 0)
        return;
    --timeWarps;
    hudTimeWarps = timeWarps;
    game->timeFactorTarget = specs.timeWarpFactor;
    game->warpLeft = static_cast<unsigned>(specs.timeWarpDuration);
    warpTimer = static_cast<unsigned>(specs.timeWarpDuration);
    playMenuSound(resources->timewarp);
}

void Player::updateHud(bool blink) {
    hudSpeedups = speedups;
    hudFireRate = fireRate;
    hudLaserType = laserType;
    hudTimeWarps = timeWarps;
    if (blink) {
        blinkTimer = specs.hudBlinkPeriod;
        blinksLeft = specs.hudBlinks;
        showCurrent = true;
    }
}

void Player::performHud(float ms) {
    if (shownShield < shieldEnergy)
        shownShield = ravek::min(shieldEnergy, shownShield + 5.0f * ms);
    else
        shownShield = shieldEnergy;
    if (blinksLeft <= 0)
        return;
    blinkTimer -= ms;
    while (blinkTimer <= 0.0f && blinksLeft > 0) {
        showCurrent = !showCurrent;
        --blinksLeft;
        blinkTimer += specs.hudBlinkPeriod;
    }
}

void Player::perform(float ms) {
    float t = ms;
    if (warpTimer > 0) {
        // The ship keeps its own pace while the world around it is slowed.
        t = ms / game->timeFactor;
        warpTimer = t >= static_cast<float>(warpTimer) ? 0 : warpTimer - static_cast<unsigned>(t);
    }

    float& alpha = shield->color.alpha;
    if (alpha > 0.0f) {
        float drain = specs.shieldDrain * t;
        if (shieldEnergy < drain) {
            shieldEnergy = 0.0f;
            if (alive && shieldOn) {
                shieldOn = false;
                shield->fadingOut = true;
            }
        } else {
            shieldEnergy -= drain;
        }
    }
    if (shieldOn) {
        if (!shield->visible) {
            shield->visible = true;
            alpha = 0.0f;
        }
        alpha = ravek::min(1.0f, alpha + specs.shieldFadeIn * t);
    } else if (alpha > 0.0f) {
        alpha = ravek::max(0.0f, alpha - specs.shieldFadeOut * t);
        if (alpha == 0.0f)
            shield->visible = false;
    }
    if (alpha == 0.0f)
        shield->fadingOut = false;
    // The shield of a wrecked ship fades unseen and must not hit anything.
    shield->collidable = alive && alpha >= 0.5f;

    ImageSprite::perform(t);

    basic_Vector2D<float> old = position;
    float rangeY = game->gameType == singlePlayerB ? specs.shipRangeYModeB : specs.shipRangeY;
    basic_Vector2D<float> wanted(ravek::clamp(position.x + direction.x * t * speed, minX, maxX),
                                 ravek::clamp(position.y + direction.y * t * speed, specs.shipMinY,
                                              specs.shipMinY + rangeY));
    if (game->livingPlayers == 2) {
        Player* other = game->player[0] == this ? game->player[1] : game->player[0];
        wanted = separateShips(old, wanted, other->position);
    }
    position = wanted;

    reload = ravek::max(0.0f, reload - t);
    sideReload = ravek::max(0.0f, sideReload - t);

    engineFlame->position = position;
    shield->position = position;
}

namespace {

void addLaser(Player* owner, ravek::gfx::Image* image, basic_Vector2D<float> position,
              basic_Vector2D<float> velocity) {
    Laser* laser = new Laser(image, owner, -1.0f, 0.0f);
    laser->position = position;
    laser->velocity = velocity;
    game->playerLasers.addFront(laser);
}

} // namespace

void Player::fire() {
    if (!alive || !game->firingAllowed)
        return;
    bool fired = false;
    float x = position.x;
    float y = position.y;
    if (reload <= 0.0f) {
        float offset = laserType == 0 ? 15.0f : (laserType == 1 ? 25.0f : 7.0f);
        for (float side : {-1.0f, 1.0f})
            addLaser(this, resources->laserRayGreen, basic_Vector2D<float>(x + side * offset, y),
                     basic_Vector2D<float>(0.0f, laserSpeed));
        reload = laserDelay;
        fired = true;
    }
    if (sideReload <= 0.0f && laserType >= 2) {
        float spread = laserType == 2 ? 0.05f : 0.08f;
        for (float side : {-1.0f, 1.0f}) {
            addLaser(
                this, resources->laserRoundGreen,
                basic_Vector2D<float>(x + side * 25.0f, y - 10.0f),
                basic_Vector2D<float>(side * spread * laserSpeed, (1.0f - spread) * laserSpeed));
            if (laserType == 4)
                addLaser(this, resources->laserRoundGreen,
                         basic_Vector2D<float>(x + side * 35.0f, y - 15.0f),
                         basic_Vector2D<float>(side * 0.9f * laserSpeed, -0.1f * laserSpeed));
        }
        sideReload = laserDelay * (laserType == 2 ? 1.5f : (laserType == 3 ? 1.3f : 1.1f));
        fired = true;
    }
    if (fired)
        playSound(resources->laser, position);
}

bool Player::collectExtra(Extra* extra) {
    if (extra->collected)
        return false;
    extra->collected = true;
    switch (extra->type) {
    case extraLaserType:
        updateHud(true);
        laserType = static_cast<short>(ravek::min<int>(laserType + 1, specs.maxLaserType));
        break;
    case extraSpeedup:
        updateHud(true);
        setSpeedupCount(ravek::min(speedups + 1, specs.maxSpeedups));
        break;
    case extraFireRate:
        updateHud(true);
        setFireRateCount(ravek::min(fireRate + 1, specs.maxFireRate));
        break;
    case extraTimeWarp:
        updateHud(true);
        timeWarps = ravek::min(timeWarps + 1, specs.maxTimeWarps);
        break;
    case extraShield:
        shieldEnergy = ravek::min(specs.maxShield, shieldEnergy + specs.shieldPerExtra);
        break;
    case extraScore:
        addScore(static_cast<unsigned>(specs.pointsCrystal));
        break;
    default:
        assert(!"extra type out of range");
    }
    if (stutter && extra->type <= extraFireRate) {
        engineFlame->setAnimation(resources->engine, 1.0f);
        stutter = false;
    }
    playSound(resources->extra, position);
    return true;
}

void Player::hit(QuellonSprite* other) {
    int damage = dynamic_cast<Foe*>(other) ? 2 : 1;
    if (speedups < damage && fireRate < damage && laserType < damage) {
        explode();
        return;
    }
    destroyHitter(other, false, true);
    updateHud(true);

    // Each upgrade left loses the damage and flies away, out of reach for a moment.
    auto lose = [this, damage](int level, ExtraType type, float dx, basic_Vector2D<float> v) {
        if (level <= 0)
            return level;
        Extra* lost = new Extra(type, basic_Vector2D<float>(position.x + dx, position.y - 15.0f));
        lost->velocity = v;
        lost->collidable = false;
        lost->lostClock = 1;
        game->extras.addBack(lost);
        return ravek::max(0, level - damage);
    };
    setSpeedupCount(lose(speedups, extraSpeedup, 0.0f, basic_Vector2D<float>(0.0f, -1.0f)));
    setFireRateCount(lose(fireRate, extraFireRate, -10.0f, basic_Vector2D<float>(-0.3f, -0.7f)));
    laserType = static_cast<short>(
        lose(laserType, extraLaserType, 10.0f, basic_Vector2D<float>(0.3f, -0.7f)));

    if (speedups == 0 && fireRate == 0 && laserType == 0) {
        engineFlame->setAnimation(resources->engineStutter, 1.0f);
        stutter = true;
    }
}

void Player::explode() {
    if (!alive)
        return;
    ExplosionSprite* explosion = new ExplosionSprite(resources->explosionSlow, true);
    explosion->position = position;
    game->ships.addBack(explosion);
    if (shieldOn) {
        shieldOn = false;
        shield->fadingOut = true;
    }
    visible = false;
    engineFlame->visible = false;
    shield->visible = false;
    shield->collidable = false;
    collidable = false;
    direction = basic_Vector2D<float>(0.0f, 0.0f);
    alive = false;
    --game->livingPlayers;
    playSound(resources->explosion, position);
    ravek::audio::MusicManager* music = resources->musicManager;
    if (game->livingPlayers == 0 && music && resources->settings.volumeMusic > 0) {
        music->clearQueue();
        music->addAsLast(resources->music_death);
        startQueuedMusic(true);
    }
}

void Player::onCollision(ravek::sprites::Sprite* other) {
    if (!collidable || !other->collidable)
        return;
    if (Extra* extra = dynamic_cast<Extra*>(other)) {
        collectExtra(extra);
        return;
    }
    // A shield at strength takes the hits itself.
    if (shield->collidable)
        return;
    QuellonSprite* hitter = dynamic_cast<QuellonSprite*>(other);
    if (!hitter)
        return;
    hit(hitter);
    if (Laser* laser = dynamic_cast<Laser*>(other))
        laser->deleteMe();
}

// Pure rules

int shipBankingFrame(float x) {
    if (x == 0.0f)
        return specs.bankingFrameStraight;
    return static_cast<int>(static_cast<float>(specs.bankingFrameStraight) + 5.0f * x);
}

basic_Vector2D<float> separateShips(basic_Vector2D<float> old, basic_Vector2D<float> wanted,
                                    basic_Vector2D<float> other) {
    auto tooClose = [&other](basic_Vector2D<float> p, int* dx, int* dy) {
        *dx = static_cast<int>(p.x - other.x);
        *dy = static_cast<int>(p.y - other.y);
        return std::abs(*dx) < specs.shipDistanceX && std::abs(*dy) < specs.shipDistanceY;
    };
    int dx, dy;
    if (!tooClose(wanted, &dx, &dy))
        return wanted;
    if (std::abs(dx) >= std::abs(dy))
        wanted.x = old.x;
    else
        wanted.y = old.y;
    return tooClose(wanted, &dx, &dy) ? old : wanted;
}

} // namespace quellon
