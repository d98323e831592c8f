#include "quellon/src/game.h"

#include "quellon/src/menu.h"
#include "quellon/src/resources.h"
#include "quellon/src/tuning.h"

#include "ravek/src/audio/music.h"
#include "ravek/src/controls.h"
#include "ravek/src/debug.h"
#include "ravek/src/gfx/starfield.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/standard.h"

#include <array>
#include <cmath>

namespace quellon {

using ravek::basic_Vector2D;
using ravek::sprites::SpriteEngine;

namespace {

std::array<SpriteEngine*, 6> enginesOf(Game* g) {
    return {&g->ships, &g->playerLasers, &g->asteroids, &g->extras, &g->foes, &g->foeLasers};
}

// A trigger of a player's controls; a missing one is reported and that control does nothing.
ravek::Trigger* findTrigger(ravek::InputEvaluator* evaluator, char const* name) {
    if (!evaluator)
        return nullptr;
    auto found = evaluator->resources.find(name);
    if (found == evaluator->resources.end()) {
        ravek::debug::error(dbgGame, "A player's controls have no trigger \"%s\".", name);
        return nullptr;
    }
    return found->second;
}

void stopMusic() {
    if (resources->musicManager)
        resources->musicManager->stop();
}

void setGuiActive(bool on) {
    ravek::gui::GUI* gui = resources->gui;
    gui->setVisible(on);
    gui->setActive(on);
    static_cast<ravek::Evaluator*>(gui)->active = on;
}

} // namespace

void startQueuedMusic(bool skip) {
    ravek::audio::MusicManager* music = resources->musicManager;
    if (!music)
        return;
    try {
        if (skip)
            music->skipToNext();
        else
            music->play();
    } catch (std::string const& error) {
        ravek::debug::error(dbgGame, "Could not play music: %s", error.c_str());
    }
}

Game::Game(GameType type)
    : evaluators{}, steeringX{}, steeringY{}, shieldTrigger{}, gameType(type), gameIsOver(false),
      finishRequested(false), stageQuotaReached(false), scrollSpeed(0.0f), asteroidQuota(0),
      stage(0), players(0), livingPlayers(0), asteroidInterval(0), asteroidClock(0),
      speedupClock(0), crystalClock(0), extraClock(0), player{}, foeSlot{}, phase(0),
      phaseTimer(0.0f), bonus(0), entryPlayer(0), firingAllowed(false), warpLeft(0),
      timeFactor(1.0f), timeFactorTarget(1.0f), containersDue(0), pingClock(0), gameOverClock(0),
      bonusShown(false), containerCountdown(0), foeCountdown(0), spawned(0),
      killsNeeded(0), ranks{-1, -1}, aborted(false) {
    resources->initGame();
    game = this;
    init();
}

Game::~Game() {
    // A game left from its menu or its name entry takes its windows along.
    closeWindows(false);
    resources->pInGame->setVisible(false);
    resources->pEnterName->setVisible(false);
    setGuiActive(false);
    uninit();
    resources->uninitGame();
    deactivate();
    game = nullptr;
}

void Game::init() {
    ranks[0] = ranks[1] = -1;
    aborted = false;
    for (SpriteEngine* engine : enginesOf(this))
        engine->clear();
    timeFactor = timeFactorTarget = 1.0f;
    gameIsOver = finishRequested = stageQuotaReached = false;
    firingAllowed = bonusShown = paused = false;
    asteroidClock = speedupClock = extraClock = 0;
    crystalClock = static_cast<unsigned>(specs.modeBCrystalInterval / 2);
    warpLeft = 0;
    containersDue = pingClock = gameOverClock = bonus = 0;
    containerCountdown = foeCountdown = spawned = 0;
    phaseTimer = 0.0f;
    entryPlayer = 0;
    livingPlayers = 0;
    textColor = ravek::Color(0.5f, 0.5f, 1.0f, 0.0f);
    player[0] = player[1] = nullptr;
    foeSlot[0] = foeSlot[1] = nullptr;

    bool multi = gameType == multiPlayer;
    players = multi ? 2 : 1;
    evaluators[0] =
        multi ? resources->evaluatorGamePlayerMulti[0] : resources->evaluatorGamePlayerSingle;
    evaluators[1] = multi ? resources->evaluatorGamePlayerMulti[1] : nullptr;
    for (int i = 0; i < 2; ++i) {
        steeringX[i] = findTrigger(evaluators[i], "x");
        steeringY[i] = findTrigger(evaluators[i], "y");
        shieldTrigger[i] = findTrigger(evaluators[i], "shield");
    }
    player[0] = new Player(multi ? playerRight : playerSingle);
    ships.addFront(player[0]);
    if (multi) {
        player[1] = new Player(playerLeft);
        ships.addFront(player[1]);
    }
    extras.blendMode = 2;
    char const* const modes[] = {"single player mode A", "single player mode B", "multiplayer"};
    ravek::debug::info(dbgGame, "New game: %s.", modes[gameType]);
    initLevel(1);
    startMusic();
    resources->controlQueue->flush();
}

void Game::initLevel(int n) {
    stage = n;
    stageQuotaReached = false;
    killsNeeded = specs.getKillsForLevel(static_cast<unsigned>(n));
    asteroidQuota = gameType == multiPlayer ? 2 * killsNeeded : killsNeeded;
    containerCountdown = static_cast<int>(std::floor(killsNeeded * 0.4));
    foeCountdown = n < specs.firstFoeStage ? 0 : killsNeeded / 2;
    if (containersDue > 0) {
        if (livingPlayers > 0)
            spawnContainer();
        --containersDue;
    }
    if (gameType == singlePlayerB) {
        scrollSpeed = specs.modeBScrollSpeed;
        asteroidInterval = static_cast<unsigned>(specs.modeBAsteroidInterval);
    } else {
        scrollSpeed = specs.getSpeedForLevel(static_cast<unsigned>(n));
        asteroidInterval = specs.getAsteroidInterval(static_cast<unsigned>(n));
    }
    firingAllowed = gameType != singlePlayerB;
    phase = phasePlay;
    spawned = 0;
}

void Game::startMusic() {
    ravek::audio::MusicManager* music = resources->musicManager;
    if (!music || resources->currentVolumeMusic <= 0)
        return;
    bool modeB = gameType == singlePlayerB;
    music->clearQueue();
    music->addAsLast(modeB ? resources->music_game_b_intro : resources->music_game_a_intro);
    music->addAsLast(modeB ? resources->music_game_b_loop : resources->music_game_a_loop);
    startQueuedMusic(music->isPlaying());
}

void Game::restart() {
    uninit();
    init();
}

void Game::uninit() {
    stopMusic();
    deleteSprites();
}

void Game::deleteSprites() {
    // Queued sprites first: each is deleted exactly once, and none is left dangling in the queue.
    deleteQueuedSprites();
    for (Player*& p : player) {
        delete p;
        p = nullptr;
    }
    for (SpriteEngine* engine : enginesOf(this))
        while (!engine->sprites.empty())
            delete engine->sprites.front();
}

void Game::activate() {
    GameState::activate();
    resources->evaluatorGameCore->active = true;
    setPlayerEvaluatorsActive(true);
    resources->evaluatorMenu->active = false;
    static_cast<ravek::Evaluator*>(resources->gui)->active = false;
}

void Game::deactivate() {
    setPlayerEvaluatorsActive(false);
    resources->evaluatorGameCore->active = false;
    GameState::deactivate();
    if (menu && ravek::application && ravek::application->currentState != menu)
        menu->activate();
}

void Game::setPlayerEvaluatorsActive(bool on) {
    for (ravek::InputEvaluator* evaluator : evaluators)
        if (evaluator)
            evaluator->active = on;
}

void Game::showPanel(ravek::gui::Component* panel, ravek::gui::Component* focus) {
    panel->setVisible(true);
    setGuiActive(true);
    focus->setFocused(true);
    setPlayerEvaluatorsActive(false);
}

void Game::hidePanel(ravek::gui::Component* panel) {
    panel->setVisible(false);
    setGuiActive(false);
    setPlayerEvaluatorsActive(true);
}

void Game::pause(bool on) {
    if (on) {
        showPanel(resources->pInGame, resources->btnContinue);
        paused = true;
    } else {
        hidePanel(resources->pInGame);
        paused = false;
        resources->controlQueue->flush();
    }
}

void Game::handleEvent(ravek::Trigger const* trigger) {
    switch (trigger->code) {
    case 1:
        if (closeWindows(false) || phase == phaseNameEntry)
            return;
        if (livingPlayers > 0)
            pause(!paused);
        else if (resources->musicManager && resources->musicManager->isPlaying())
            finishRequested = true;
        else
            // The main loop deletes the state; it must not delete itself while handling this.
            deleteRequested = true;
        return;
    case 2:
        if (closeWindows(true))
            return;
        if (phase == phaseNameEntry) {
            if (phaseTimer <= 0.0f)
                endNameEntry();
        } else if (livingPlayers == 0)
            restart();
        return;
    case 5:
        if (phase != phaseNameEntry && livingPlayers > 0 && !paused)
            pause(true);
        return;
    case 201:
        if (phase == phaseNameEntry)
            return;
        hidePanel(resources->pInGame);
        aborted = true;
        for (Player* p : player)
            if (p)
                p->explode();
        paused = false;
        return;
    case 204:
        if (livingPlayers > 0) {
            Player* p = playerOf(trigger->data);
            if (p && !paused)
                p->fire();
        } else if (phase == phaseGameOver && gameOverClock >= specs.gameOverRestartDelay) {
            restart();
        }
        return;
    case 206:
        if (Player* p = playerOf(trigger->data))
            if (!paused)
                p->startTimeWarp();
        return;
    default:
        GameState::handleEvent(trigger);
    }
}

void Game::closeWindowSoundSettings(bool confirm) {
    GameState::closeWindowSoundSettings(confirm);
    resources->pInGame->setVisible(true);
    resources->btnInGameSoundSettings->setFocused(true);
}

void Game::closeWindowControls(bool confirm) {
    ravek::InputEvaluator* edited = editedEvaluator;
    GameState::closeWindowControls(confirm);
    resources->pInGame->setVisible(true);
    if (edited == resources->evaluatorGamePlayerMulti[0])
        resources->btnInGameControlsMultiplayer1->setFocused(true);
    else if (edited == resources->evaluatorGamePlayerMulti[1])
        resources->btnInGameControlsMultiplayer2->setFocused(true);
    else
        resources->btnInGameControlsSinglePlayer->setFocused(true);
}

HighscoreTable* Game::getHighscores() {
    return &resources->highscores.table(gameType);
}

Player* Game::playerOf(int data) const {
    if (data < 0 || data >= static_cast<int>(players))
        return nullptr;
    return player[data];
}

Player* Game::asPlayer(QuellonSprite const* p) const {
    for (unsigned i = 0; i < players; ++i)
        if (p && player[i] == p)
            return player[i];
    return nullptr;
}

// The frame

void Game::doPerform(int layer, unsigned int ms) {
    GameState::doPerform(layer, ms);
    if (layer != 1 || paused)
        return;
    float elapsed = static_cast<float>(ms);
    performClocks(elapsed);
    performInput();
    performPhase(elapsed);
    performTimeWarp(elapsed);
    performEngines(elapsed);
    if (ravek::particles::Starfield* stars = resources->starfield) {
        if (phase == phaseNameEntry || phase == phaseGameOver)
            stars->speedFactor = approach(stars->speedFactor, specs.menuStarfieldSpeed,
                                          specs.starfieldEasing * elapsed);
        else
            stars->speedFactor = specs.starfieldSpeedFactor * scrollSpeed * timeFactor;
    }
    for (Player* p : player)
        if (p && p->alive)
            p->performHud(elapsed);
    if (livingPlayers == 0 && !gameIsOver)
        gameOver();
    if (finishRequested)
        deleteRequested = true;
}

void Game::performClocks(float ms) {
    if (stageQuotaReached)
        return;
    unsigned step = static_cast<unsigned>(ms * timeFactor);
    asteroidClock += step;
    while (asteroidClock > asteroidInterval) {
        asteroidClock -= asteroidInterval;
        spawnAsteroid();
    }
    if (gameType != singlePlayerB || !player[0]->alive)
        return;
    speedupClock += step;
    for (unsigned interval = specs.speedupInterval(scrollSpeed); interval < speedupClock;
         interval = specs.speedupInterval(scrollSpeed)) {
        speedupClock -= interval;
        player[0]->addScore(static_cast<unsigned>(specs.modeBSpeedupPoints));
        scrollSpeed += specs.modeBSpeedupScroll;
        unsigned shortest = static_cast<unsigned>(specs.modeBMinAsteroidInterval);
        if (asteroidInterval > shortest)
            asteroidInterval = ravek::max(
                shortest, asteroidInterval - static_cast<unsigned>(specs.modeBSpeedupInterval));
    }
    unsigned crystalInterval = static_cast<unsigned>(specs.modeBCrystalInterval);
    for (crystalClock += step; crystalClock >= crystalInterval; crystalClock -= crystalInterval)
        spawnExtra(extraScore);
    unsigned extraInterval = static_cast<unsigned>(specs.modeBExtraInterval);
    for (extraClock += step; extraClock >= extraInterval; extraClock -= extraInterval)
        spawnExtra(-1);
}

void Game::performInput() {
    for (unsigned i = 0; i < players; ++i) {
        Player* p = player[i];
        if (!p->alive)
            continue;
        float x = steeringX[i] ? steeringX[i]->value : 0.0f;
        float y = steeringY[i] ? steeringY[i]->value : 0.0f;
        // The screen's y points up, the stick's down.
        p->setDirection(basic_Vector2D<float>(x, -y * specs.steeringFactorY));
        if (shieldTrigger[i]) {
            bool pressed = shieldTrigger[i]->isActive();
            if (pressed != p->shieldOn)
                p->setShield(pressed);
        }
    }
}

void Game::performPhase(float ms) {
    switch (phase) {
    case phasePlay:
        if (stageQuotaReached && asteroids.size() == 0) {
            bonus = stageBonus(spawned, killsNeeded, specs.stageBonus);
            pingClock = 0;
            bonusShown = bonus > 0;
            firingAllowed = false;
            phase = phaseStageComplete;
            phaseTimer = 3000.0f;
        }
        break;
    case phaseStageComplete:
        textColor.alpha = ravek::min(1.0f, textColor.alpha + ms / 1000.0f);
        phaseTimer -= ms;
        if (phaseTimer <= 0.0f)
            phase = phaseBonus;
        break;
    case phaseBonus: {
        int pay = ravek::min(bonus, static_cast<int>(2.0f * ms));
        bonus -= pay;
        for (Player* p : player)
            if (p && p->alive)
                p->addScore(static_cast<unsigned>(pay));
        bool ping = false;
        for (pingClock -= static_cast<int>(ms); pingClock < 0; pingClock += 50)
            ping = true;
        if (ping)
            playMenuSound(resources->ping);
        if (bonus <= 0) {
            phase = phaseWait;
            phaseTimer = 3000.0f;
        }
        break;
    }
    case phaseWait:
        phaseTimer -= ms;
        if (phaseTimer <= 0.0f) {
            phase = phaseFadeOut;
            phaseTimer = 1500.0f;
        }
        break;
    case phaseFadeOut:
        textColor.alpha = ravek::max(0.0f, textColor.alpha - ms / 1000.0f);
        phaseTimer -= ms;
        if (phaseTimer <= 0.0f)
            initLevel(stage + 1);
        break;
    case phaseNameEntry:
        if (phaseTimer > 0.0f) {
            phaseTimer -= ms;
            if (phaseTimer <= 0.0f)
                resources->gui->setActive(true);
        }
        break;
    case phaseGameOver:
        gameOverClock = ravek::min(static_cast<int>(specs.gameOverRestartDelay),
                                   gameOverClock + static_cast<int>(ms));
        break;
    default:
        break;
    }
}

void Game::performTimeWarp(float ms) {
    if (static_cast<float>(warpLeft) > ms) {
        warpLeft -= static_cast<unsigned>(ms);
    } else {
        warpLeft = 0;
        timeFactorTarget = 1.0f;
    }
    if (warpLeft > 0)
        timeFactor = ravek::max(timeFactorTarget, timeFactor - specs.timeWarpFactorIn * ms);
    else
        timeFactor = ravek::min(timeFactorTarget, timeFactor + specs.timeWarpFactorOut * ms);
}

void Game::performEngines(float ms) {
    float t = ms * timeFactor;
    ships.perform(t);
    asteroids.perform(t);
    extras.perform(t);
    foes.perform(t);
    foeLasers.perform(t);
    // Fast lasers could pass through a foe within one step.
    playerLasers.perform(t / 2.0f);
    playerLasers.testCollisions(&foes);
    playerLasers.perform(t / 2.0f);

    ships.testCollisions(&asteroids);
    ships.testCollisions(&extras);
    ships.testCollisions(&foes);
    playerLasers.testCollisions(&asteroids);
    playerLasers.testCollisions(&foes);
    foeLasers.testCollisions(&asteroids);
    foeLasers.testCollisions(&ships);
}

// Spawning

void Game::spawnAsteroid() {
    if (livingPlayers == 0)
        return;
    short n = static_cast<short>(stage);
    float largeChance = gameType == singlePlayerB ? specs.modeBChanceLargeAsteroid
                                                  : specs.getChanceLargeAsteroid(n);
    bool large = ravek::random(1.0f) < largeChance;
    int energy = ravek::random(1.0f) < specs.getChanceAsteroidEnergy(n)
                     ? ravek::random_int(specs.getMaxAsteroidEnergy(n))
                     : 0;
    Asteroid* asteroid = new Asteroid(large ? asteroidLarge : asteroidSmall, energy, true);
    float width = resources->viewport.width;
    float height = resources->viewport.height;
    float y = height + asteroid->height + ravek::random(0.3f * height);
    basic_Vector2D<float> v = specs.getAsteroidVelocity(scrollSpeed);
    // Its drift until it comes down to the crossing height, so that it crosses it on screen.
    float drift = v.x * (specs.asteroidCrossHeight - y) / v.y;
    asteroid->position = basic_Vector2D<float>(ravek::random(-drift, width - drift), y);
    asteroid->velocity = v;
    asteroids.addFront(asteroid);
    ++spawned;
}

void Game::spawnContainer() {
    asteroids.addFront(new Container());
}

void Game::spawnExtra(int type) {
    ExtraType t = type < 0 ? getExtraType() : static_cast<ExtraType>(type);
    extras.addFront(new Extra(t, spawnPoint()));
}

void Game::spawnFoe(int side) {
    if (foeSlot[0] && foeSlot[1])
        return;
    bool right = side > 0;
    if (side == 0)
        right = foeSlot[0] || foeSlot[1] ? foeSlot[1] == nullptr : ravek::random_int(1) == 1;
    int slot = right ? 1 : 0;
    if (foeSlot[slot])
        return;
    foeSlot[slot] = new Foe(right);
}

ExtraType Game::getExtraType() {
    // Every call starts afresh: weights left over from another game or mode must not count.
    ExtraWeights weights = {};
    for (unsigned i = 0; i < players; ++i)
        if (player[i] && player[i]->alive)
            weights = extraWeights(gameType == singlePlayerB, stage, player[i]->laserType,
                                   player[i]->speedups, player[i]->fireRate,
                                   player[i]->shieldEnergy, player[i]->timeWarps);
    float sum = 0.0f;
    for (float w : weights.weight)
        sum += w;
    if (!(sum > 0.0f))
        return extraScore;
    for (float& w : weights.weight)
        w /= sum;
    return static_cast<ExtraType>(ravek::randomProb(5, weights.weight));
}

// Scoring

void Game::destroyedAsteroid(Player* by, Asteroid* asteroid) {
    if (!by)
        return;
    by->addScore(static_cast<unsigned>(
        asteroid->type == asteroidLarge ? specs.pointsAsteroidLarge : specs.pointsAsteroidSmall));
    if (asteroid->counted && asteroidQuota > 0 && --asteroidQuota == 0)
        stageQuotaReached = true;
    if (--containerCountdown <= 0) {
        containerCountdown += static_cast<int>(std::floor(0.4 * killsNeeded));
        containerDue();
    }
    if (foeCountdown > 0 && --foeCountdown == 0)
        spawnFoe(0);
    spawnDueContainer();
}

void Game::destroyedFoe(Player* by, Foe*) {
    if (!by)
        return;
    by->addScore(static_cast<unsigned>(specs.pointsFoe));
    spawnDueContainer();
}

void Game::spawnDueContainer() {
    if (containersDue > 0 && livingPlayers > 0) {
        spawnContainer();
        --containersDue;
    }
}

// Pure rules

int stageBonus(int spawned, int killsNeeded, int fullBonus) {
    double k = killsNeeded;
    if (spawned <= 1.5 * k)
        return fullBonus;
    if (spawned >= 3 * killsNeeded)
        return 0;
    return static_cast<int>(std::floor(fullBonus * (3.0 * k - spawned) / (1.5 * k)));
}

ExtraWeights extraWeights(bool modeB, int stage, int laserType, int speedups, int fireRate,
                          float shieldEnergy, int timeWarps) {
    ExtraWeights w = {};
    if (modeB) {
        w.weight[extraSpeedup] = static_cast<float>(ravek::max(0, specs.maxSpeedups - speedups));
        return w;
    }
    int f = stage / 2 + 1;
    int lowest = ravek::min(laserType, ravek::min(fireRate, speedups));
    auto missing = [f](int cap, int level) {
        return static_cast<float>(
            ravek::max(0, ravek::min(f, cap - specs.extraWeightOffset) - level));
    };
    w.weight[extraLaserType] = missing(specs.maxLaserType, laserType);
    w.weight[extraSpeedup] = missing(specs.maxSpeedups, speedups);
    w.weight[extraFireRate] = missing(specs.maxFireRate, fireRate);
    if (lowest >= specs.shieldWeightLevel)
        w.weight[extraShield] = (specs.maxShield - shieldEnergy) / specs.shieldPerExtra;
    if (lowest >= specs.timeWarpWeightLevel)
        w.weight[extraTimeWarp] = static_cast<float>(specs.maxTimeWarps - timeWarps);
    return w;
}

} // namespace quellon
