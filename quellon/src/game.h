#ifndef QUELLON_GAME_H
#define QUELLON_GAME_H

#include "quellon/src/gameover.h"
#include "quellon/src/gamestate.h"
#include "quellon/src/highscores.h"
#include "quellon/src/player.h"
#include "quellon/src/sprites.h"

#include "ravek/src/gfx/sprites.h"
#include "ravek/src/math.h"
#include "ravek/src/ravek.h"

#include <string>

namespace ravek {
class InputEvaluator;
class Trigger;
} // namespace ravek

namespace quellon {

// The phases of a game.
enum GamePhase {
    phasePlay = 1,
    phaseStageComplete = 2,
    phaseBonus = 3,
    phaseWait = 4,
    phaseFadeOut = 5,
    phaseNameEntry = 6,
    phaseGameOver = 7
};

// A running game of one mode (quellon::game points to it while it exists). It owns the six
// sprite engines, the ships and every sprite in the engines (deleted on restart and with the
// game), the stage counters and phases, time warp, game over and the name entry. Deleting it,
// or deactivating it, returns to the title menu.
class Game : public GameState {
public:
    ravek::InputEvaluator* evaluators[2];
    ravek::Trigger* steeringX[2];
    ravek::Trigger* steeringY[2];
    ravek::Trigger* shieldTrigger[2];
    GameType gameType;
    bool gameIsOver;
    // The next frame sets the finished flag.
    bool finishRequested;
    // No more asteroids are spawned in this stage.
    bool stageQuotaReached;
    float scrollSpeed;
    // Asteroids still to be destroyed in this stage.
    int asteroidQuota;
    int stage;
    unsigned players;
    unsigned livingPlayers;
    unsigned asteroidInterval;
    unsigned asteroidClock, speedupClock, crystalClock, extraClock;
    ravek::sprites::SpriteEngine ships;
    ravek::sprites::SpriteEngine playerLasers;
    ravek::sprites::SpriteEngine asteroids;
    ravek::sprites::SpriteEngine extras;
    ravek::sprites::SpriteEngine foes;
    ravek::sprites::SpriteEngine foeLasers;
    Player* player[2];
    // Left and right foe.
    Foe* foeSlot[2];
    int phase;
    // Ms left in the current phase.
    float phaseTimer;
    // Still to be paid.
    int bonus;
    ravek::Color textColor;
    // The player whose name entry is open.
    unsigned char entryPlayer;
    bool firingAllowed;
    unsigned warpLeft;
    float timeFactor;
    float timeFactorTarget;
    int containersDue;
    int pingClock;
    int gameOverClock;
    bool bonusShown;
    int containerCountdown;
    int foeCountdown;
    int spawned;
    int killsNeeded;
    int ranks[2];
    bool aborted;

    explicit Game(GameType type);
    ~Game() override;

    void init();
    void initLevel(int n);
    void startMusic() override;
    void restart();
    void uninit();

    void activate() override;
    void deactivate() override;
    void handleEvent(ravek::Trigger const* trigger) override;
    void doPerform(int layer, unsigned int ms) override;
    void doDraw(int layer) override;
    void closeWindowSoundSettings(bool confirm) override;
    void closeWindowControls(bool confirm) override;

    HighscoreTable* getHighscores();
    // Null for data that names no player of this game.
    Player* playerOf(int data) const;
    // The player p is, null when p is none of this game's players (p may be a deleted sprite:
    // it is only compared, never reached through).
    Player* asPlayer(QuellonSprite const* p) const;
    bool isPlayer(QuellonSprite const* p) const { return asPlayer(p) != nullptr; }

    void spawnAsteroid();
    void spawnContainer();
    void spawnExtra(int type);
    void spawnFoe(int side);
    ExtraType getExtraType();
    void destroyedAsteroid(Player* by, Asteroid* asteroid);
    void destroyedFoe(Player* by, Foe* foe);
    // A container is due: the next due one spawns after the current scoring.
    void containerDue() { ++containersDue; }

    void gameOver();
    void setHighscoresChecked(unsigned char k);
    void drawHud(ravek::basic_Vector2D<float> pos, int speedups, int laserType, int fireRate,
                 int warps, float shield);

private:
    void pause(bool on);
    // Shows a panel of the GUI with the focus on `focus` and gives the GUI the input; hiding it
    // gives the input back to the players.
    void showPanel(ravek::gui::Component* panel, ravek::gui::Component* focus);
    void hidePanel(ravek::gui::Component* panel);
    void setPlayerEvaluatorsActive(bool on);
    void endNameEntry();
    void spawnDueContainer();
    // Deletes the sprites queued for deletion, the players and every sprite left in the
    // engines.
    void deleteSprites();
    void performClocks(float ms);
    void performInput();
    void performPhase(float ms);
    void performTimeWarp(float ms);
    void performEngines(float ms);
    void drawTexts();
};

extern Game* game;

// Starts the music manager's queue (skipping to its next track, or playing it); a track that
// cannot be opened is logged and the music stays off. Nothing without a music manager.
void startQueuedMusic(bool skip);

// The pure rules of the game, kept apart so that they are tested directly.

// The stage bonus: the full bonus up to 1.5 x the kills needed spawned, falling to 0 at 3 x.
int stageBonus(int spawned, int killsNeeded, int fullBonus);

// The five extra weights (laser type, speed-up, fire rate, shield, time warp) for one player.
struct ExtraWeights {
    float weight[5];
};
ExtraWeights extraWeights(bool modeB, int stage, int laserType, int speedups, int fireRate,
                          float shieldEnergy, int timeWarps);

} // namespace quellon

#endif
