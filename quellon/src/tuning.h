#ifndef QUELLON_TUNING_H
#define QUELLON_TUNING_H

#include "ravek/src/math.h"
#include "ravek/src/ravek.h"

namespace quellon {

// Every number that tunes the game, and the formulas that grow with the stage. One instance,
// quellon::specs, built before main and never changed. Times are in milliseconds, speeds in
// units per millisecond. The per-stage formulas never return a negative time.
class Specs {
public:
    int maxFrameTime = 100;
    int minFrameTime = 10;
    // Subtracted from minFrameTime.
    int frameCorrection = 0;
    // The ships stay within [sideMargin, 800 - sideMargin]; containers and extras spawn there.
    float sideMargin = 20.0f;
    float shipStartY = -50.0f;
    float shipMinY = 50.0f;
    // How far above shipMinY a ship may fly (modes A and multiplayer, and mode B).
    float shipRangeY = 500.0f;
    float shipRangeYModeB = 500.0f;
    // Two ships keep at least this x distance or this y distance.
    int shipDistanceX = 90;
    int shipDistanceY = 75;
    float steeringFactorY = 0.8f;
    float containerSpeed = 0.2f;
    float shipSpeed = 0.35f;
    float shipSpeedPerSpeedup = 0.04f;
    // Lowest upgrade level at which shield and time-warp extras get a weight.
    int shieldWeightLevel = 1;
    int timeWarpWeightLevel = 2;
    // Sideways speed added to the fragments of a large asteroid.
    float fragmentSpeed = 0.2f;
    int starCount = 1500;
    // Starfield speed per unit of scroll speed.
    float starfieldSpeedFactor = 0.8f;
    int maxSpeedups = 5;
    int maxFireRate = 5;
    int maxLaserType = 4;
    // Multiplies containerSpeed.
    float containerFallFactor = 1.0f;
    // Extra fall speed per unit of scroll speed.
    float extraSpeed = 0.7f;
    // Fade of a collected extra per ms.
    float extraFade = 0.003f;
    // Banking frame of straight flight; frame = 5 + 5 x steering x.
    int bankingFrameStraight = 5;
    // Shield energy of a shield extra, also the divisor of the shield weight.
    float shieldPerExtra = 2500.0f;
    float maxShield = 15000.0f;
    int maxTimeWarps = 2;
    float shieldFadeIn = 0.01f;
    float shieldFadeOut = 0.001f;
    // Reserved.
    float shieldFadeOutFast = 0.02f;
    // Time factor during a time warp, and its change per ms into and out of it.
    float timeWarpFactor = 0.4f;
    float timeWarpFactorIn = 0.001f;
    float timeWarpFactorOut = 0.001f;
    int timeWarpDuration = 7000;
    // Score step that makes a container due.
    int containerScoreStep = 5000;
    // Starfield speed of the menu and the game-over pages, and its easing per ms.
    float menuStarfieldSpeed = 0.03f;
    float starfieldEasing = 0.0002f;
    // Speed factor of a flying lost upgrade.
    float lostUpgradeSpeed = 0.3f;
    int modeBCrystalInterval = 5000;
    int modeBExtraInterval = 10000;
    // Mode B speed-up step: points, scroll speed added, ms taken off the asteroid interval.
    int modeBSpeedupPoints = 1;
    float modeBSpeedupScroll = 0.001f;
    int modeBSpeedupInterval = 1;
    int modeBMinAsteroidInterval = 80;
    float modeBChanceLargeAsteroid = 0.05f;
    // Before a lost upgrade can be collected.
    int lostUpgradeDelay = 200;
    // Subtracted from the caps in the extra weights.
    int extraWeightOffset = 0;
    // Height at which a new asteroid's path must be over the screen.
    float asteroidCrossHeight = 200.0f;
    float hudBlinkPeriod = 250.0f;
    int hudBlinks = 10;
    // Shield energy drained per ms while the shield shows.
    float shieldDrain = 2.0f;
    // Of the game-over page before fire restarts.
    float gameOverRestartDelay = 2000.0f;
    // The name entry opens in the frame the last ship explodes; keys pressed in that moment
    // belong to the game, not to the name.
    float nameEntryQuietTime = 500.0f;
    int pointsCrystal = 500;
    int pointsFoe = 1500;
    int pointsAsteroidSmall = 50;
    int pointsAsteroidLarge = 100;
    int stageBonus = 5000;
    int firstFoeStage = 3;
    // Foe vertical speed per unit of factor; a new foe's factor.
    float foeSpeedY = 0.3f;
    float foeLaserSpeedX = 0.4f;
    // Per unit of the foe's factor.
    float foeLaserSpeedY = 0.4f;
    float foeHoverHeight = 450.0f;
    float foeFloorHeight = 60.0f;
    float foeLaserFade = 0.005f;
    // Mode B scroll speed and asteroid interval at the start of each stage.
    float modeBScrollSpeed = 0.4f;
    int modeBAsteroidInterval = 400;
    // Menu idle time before the attract pages, and how long each page shows.
    int menuIdleTime = 30000;
    int attractHighscoreTime = 20000;
    int attractLegendTime = 60000;
    // Player 1's HUD showing current values, and showing the blink copies.
    ravek::basic_Vector2D<float> hudPosition{740.0f, 540.0f};
    ravek::basic_Vector2D<float> hudBlinkPosition{740.0f, 540.0f};
    ravek::Color hudBackground{0.25f, 0.25f, 0.25f, 1.0f};
    ravek::Color hudForeground{0.75f, 0.75f, 0.75f, 1.0f};

    // (n - 1)^2 + 40.
    int getKillsForLevel(unsigned n) const;
    // 0.3 + 0.027 n.
    float getSpeedForLevel(unsigned n) const;
    // 550 - sum 230 / i^2, truncated.
    unsigned getAsteroidInterval(unsigned n) const;
    // trunc(75 (4s)^3) + 25.
    unsigned speedupInterval(float s) const;
    // 500 - sum 120 / i, not below 0.
    float getLaserDelay(short n) const;
    // 0.5 + sum 0.13 / i.
    float getLaserSpeed(short n) const;
    float getChanceLargeAsteroid(short n) const;
    float getChanceAsteroidEnergy(short n) const;
    int getMaxAsteroidEnergy(short n) const;
    // 3000 - sum 400 / i, truncated, not below 0.
    unsigned getFoeFireDelay(short n) const;
    int getFoeVolleyCount(short n) const;
    // 1500 - sum 400 / i, truncated, not below 0.
    unsigned getFoeVolleyDelay(short n) const;
    int getFoeHull(short n) const;
    float getFoeLaserTtl(short n) const;
    int getFoeKamikazeChance(short n) const;
    int getFoeFloorChance(short n) const;
    unsigned getFoeFloorDuration(short n) const;
    float getFoeAcceleration(short n) const;
    ravek::basic_Vector2D<float> getAsteroidVelocity(float s) const;
    float getFoeDistanceSpeedFactor(short n) const;
};

extern Specs const specs;

} // namespace quellon

#endif
