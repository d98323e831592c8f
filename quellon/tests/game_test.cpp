// A running game on the real hub: stages with their quotas, containers, foes and bonus, mode B's
// clocks, extras drawn by weight, time warp, pause, restart and the end of a game with its name
// entry; one drawn frame; and the pure rules behind them.
#include "quellon/tests/hub_util.h"

#include "ravek/src/audio/music.h"
#include "ravek/src/gui/containers.h"
#include "ravek/src/gui/text.h"

#include "ravek/tests/gl_util.h"

#include <GL/gl.h>

#include <functional>

using namespace quellon;

namespace {

class GameGL : public qtest::GameTest {
protected:
    // Player 1 destroys `n` asteroids as its lasers would.
    void destroy(int n, bool counted = true) {
        Asteroid* a = asteroid(asteroidSmall, 0, {-1000, -1000}, counted);
        for (int i = 0; i < n; ++i)
            game->destroyedAsteroid(ship(), a);
        a->deleteMe();
    }

    void killAll() {
        for (Player* p : game->player)
            if (p)
                p->explode();
        frames(1);
    }

    // Frames until the condition holds, for at most `ms`; false when it never did.
    bool until(std::function<bool()> const& done, int ms = 20000) {
        for (int t = 0; t < ms && !done(); t += 10)
            frames(1);
        return done();
    }

    // Past the moment the name field takes no keys, as a player would.
    void enterName(std::string const& name) {
        frames(50);
        resources->tfEnterName->setCaption(name);
        trigger(2);
    }

    std::string prompt() const { return resources->lEnterName->getCaption(); }
};

TEST_F(GameGL, StageOneNeedsFortyKillsWithAContainerEverySixteenAndFoesComeFromStageThree) {
    start(multiPlayer);
    EXPECT_EQ(80, game->asteroidQuota);
    start(singlePlayerA);
    EXPECT_EQ(40, game->asteroidQuota);
    destroy(15);
    EXPECT_EQ(0, count<Container>(game->asteroids));
    destroy(1);
    EXPECT_EQ(1, count<Container>(game->asteroids));
    destroy(24);
    EXPECT_TRUE(game->stageQuotaReached);
    EXPECT_FALSE(game->foeSlot[0] || game->foeSlot[1]);
    game->initLevel(3);
    destroy(21, false);
    EXPECT_FALSE(game->foeSlot[0] || game->foeSlot[1]);
    destroy(1, false);
    EXPECT_TRUE(game->foeSlot[0] || game->foeSlot[1]) << "fragments count toward the foe";
    EXPECT_EQ(44, game->asteroidQuota) << "but not toward the stage";
}

TEST_F(GameGL, StageEndsWithTheFullBonusWhoseScoreBringsAContainerWithTheNextStage) {
    start(singlePlayerA);
    game->spawned = 60;
    game->stageQuotaReached = true;
    frames(1);
    EXPECT_EQ(phaseStageComplete, game->phase);
    EXPECT_TRUE(game->bonusShown);
    EXPECT_FALSE(game->firingAllowed);
    ASSERT_TRUE(until([&] { return game->phase == phaseWait; }));
    EXPECT_FLOAT_EQ(1.0f, game->textColor.alpha);
    EXPECT_EQ(5000u, ship()->score);
    ASSERT_TRUE(until([&] { return game->phase == phasePlay; }));
    EXPECT_EQ(2, game->stage);
    EXPECT_FLOAT_EQ(0.0f, game->textColor.alpha);
    EXPECT_TRUE(game->firingAllowed);
    EXPECT_EQ(1, count<Container>(game->asteroids)) << "due since the score passed 5000";

    start(singlePlayerA);
    game->spawned = 120;
    game->stageQuotaReached = true;
    frames(1);
    EXPECT_FALSE(game->bonusShown);
    ASSERT_TRUE(until([&] { return game->phase == phaseWait; }, 3100));
    EXPECT_EQ(0u, ship()->score);
}

TEST_F(GameGL, ModeBSpeedsUpUntilTheQuotaIsReachedThenItsClocksStandStill) {
    start(singlePlayerB);
    frames(34); // the first step comes after 332 ms
    EXPECT_EQ(1u, ship()->score);
    EXPECT_FLOAT_EQ(0.401f, game->scrollSpeed);
    game->asteroidInterval = 81;
    frames(68);
    EXPECT_EQ(80u, game->asteroidInterval);
    clear(game->asteroids);

    game->stageQuotaReached = true;
    auto clocks = [&] {
        return std::vector{ship()->score, game->speedupClock, game->crystalClock, game->extraClock};
    };
    std::vector<unsigned> before = clocks();
    frames(250);
    EXPECT_EQ(before, clocks()) << "score, speed-up, crystal and extra clocks";
    EXPECT_EQ(0u, game->extras.size());
    ASSERT_TRUE(until([&] { return game->stage == 2; }));
    EXPECT_FLOAT_EQ(0.4f, game->scrollSpeed);
    EXPECT_EQ(400u, game->asteroidInterval);
}

TEST_F(GameGL, ExtraWeightsAreDrawnAfreshForEveryContainer) {
    start(singlePlayerA);
    bool other = false;
    for (int i = 0; i < 50; ++i)
        other = other || game->getExtraType() != extraScore;
    EXPECT_TRUE(other);
    start(singlePlayerB);
    EXPECT_EQ(extraSpeedup, game->getExtraType());
    ship()->setSpeedupCount(5);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(extraScore, game->getExtraType()) << "nothing left over from mode A";
}

TEST_F(GameGL, TimeWarpSlowsTheWorldForSevenSecondsButNotTheShipThatWarped) {
    start(singlePlayerA);
    trigger(206);
    EXPECT_EQ(0u, game->warpLeft) << "no warp to use";
    ship()->timeWarps = 1;
    trigger(206);
    EXPECT_EQ(7000u, game->warpLeft);
    frames(61);
    EXPECT_FLOAT_EQ(0.4f, game->timeFactor);
    game->steeringX[0]->value = 1.0f;
    float x = ship()->position.x;
    frames(1);
    EXPECT_FLOAT_EQ(x + 3.5f, ship()->position.x);
    frames(700);
    EXPECT_FLOAT_EQ(1.0f, game->timeFactor);
}

TEST_F(GameGL, BackPausesAndWithNobodyAliveEndsTheGameThroughTheMainLoop) {
    start(singlePlayerA);
    Asteroid* a = asteroid(asteroidSmall, 0, {400, 400});
    a->velocity = {0.0f, -0.2f};
    trigger(1);
    EXPECT_TRUE(game->paused && resources->pInGame->getVisible());
    EXPECT_FALSE(resources->evaluatorGamePlayerSingle->active);
    frames(10);
    trigger(204);
    EXPECT_FLOAT_EQ(400.0f, a->position.y);
    EXPECT_EQ(0u, game->playerLasers.size());
    trigger(1);
    EXPECT_FALSE(game->paused || resources->pInGame->getVisible());
    EXPECT_TRUE(resources->evaluatorGamePlayerSingle->active);

    // The pointer moved in flight, where the GUI did not see it: in the pause menu a click acts
    // where it is ("Sound"), not on the highlighted "Continue". (The menu, which hides its
    // panel when a game starts, is not there; another test's window taking the focus may have
    // paused the game already.)
    resources->pMainMenu->setVisible(false);
    qtest::point(400, 228);
    qtest::handleEvents(game);
    for (int round = 0; round < 2; ++round) {
        trigger(5);
        qtest::click(400, 228);
        qtest::handleEvents(game);
        EXPECT_TRUE(game->paused && resources->pSoundSettings->getVisible()) << round;
        trigger(1);
        // "Continue" clicked and pressed again in the same frame, released in flight: the
        // press is called off with the menu and does not take the next pause menu's click.
        qtest::click(400, 182);
        qtest::button(true, 400, 182);
        qtest::handleEvents(game);
        EXPECT_FALSE(game->paused || resources->pInGame->getVisible());
        qtest::button(false, 400, 182);
        qtest::handleEvents(game);
    }

    killAll();
    resources->musicManager->stop();
    trigger(1);
    EXPECT_TRUE(game->deleteRequested);
    start(singlePlayerA);
    killAll();
    ASSERT_TRUE(resources->musicManager->isPlaying());
    trigger(1);
    EXPECT_FALSE(game->deleteRequested);
    frames(1);
    EXPECT_TRUE(game->deleteRequested);
}

TEST_F(GameGL, TriggerDataNamingNoPlayerOfTheGameIsIgnored) {
    start(singlePlayerA);
    ship()->timeWarps = 1;
    trigger(204, 1);
    trigger(204, -1);
    trigger(206, 1);
    EXPECT_EQ(0u, game->playerLasers.size());
    EXPECT_EQ(1, ship()->timeWarps);
    start(multiPlayer);
    trigger(204, 1);
    ASSERT_EQ(2u, game->playerLasers.size());
    EXPECT_EQ(ship(1), static_cast<Laser*>(game->playerLasers.sprites.front())->owner);
}

TEST_F(GameGL, RestartAndTheEndOfTheGameDeleteEverySpriteLeftInTheEngines) {
    start(singlePlayerA);
    game->initLevel(6);
    game->spawnFoe(0);
    game->spawnContainer();
    game->spawnExtra(-1);
    frames(300);
    trigger(204);
    asteroid(asteroidLarge, 0, {400, 300})->explode(false);
    ship()->score = 0; // unranked: no name entry
    ship()->explode();
    frames(1);
    ASSERT_EQ(phaseGameOver, game->phase);
    trigger(2);
    EXPECT_TRUE(game->phase == phasePlay && ship()->alive);
    EXPECT_EQ(3u, game->ships.size()) << "the new ship with its flame and shield";
    for (auto* engine :
         {&game->playerLasers, &game->asteroids, &game->extras, &game->foes, &game->foeLasers})
        EXPECT_EQ(0u, engine->size());
    EXPECT_TRUE(deleteQueue.empty());
    EXPECT_FALSE(game->foeSlot[0] || game->foeSlot[1]);
    game->spawnFoe(0);
    asteroid(asteroidSmall, 0, {400, 300})->deleteMe();
    // The leak check sees whatever the end of the game leaves behind.
}

TEST_F(GameGL, NameEntryAsksTheRankedPlayersInTurnAndRefusesABlankName) {
    start(multiPlayer);
    ship(0)->score = 100; // below every row
    ship(1)->score = 60000;
    killAll();
    ASSERT_EQ(phaseNameEntry, game->phase);
    EXPECT_EQ("Enter your name, player 2:", prompt());
    EXPECT_EQ(resources->lsTextfieldBlue, resources->tfEnterName->getStyle());
    // Keys of the crash, pressed as the entry opens, neither type nor confirm for 500 ms.
    auto type = [&](SDLKey key) {
        qtest::press(key);
        qtest::handleEvents(game);
    };
    frames(49);
    type(SDLK_a);
    type(SDLK_RETURN);
    EXPECT_EQ("", resources->tfEnterName->getCaption());
    EXPECT_EQ(phaseNameEntry, game->phase);
    frames(1);
    type(SDLK_a);
    EXPECT_EQ("a", resources->tfEnterName->getCaption());
    enterName("");
    enterName("   ");
    EXPECT_EQ(phaseNameEntry, game->phase);
    enterName("Zed");
    EXPECT_EQ(phaseGameOver, game->phase);
    EXPECT_FALSE(resources->pEnterName->getVisible());
    EXPECT_EQ("Zed", resources->highscores.multi[1].name);
    EXPECT_TRUE(qtest::has(dir.read("highscores.xml"), "Zed"));

    start(multiPlayer);
    ship(0)->score = ship(1)->score = 70000;
    killAll();
    EXPECT_EQ(1, game->ranks[0]);
    EXPECT_EQ(1, game->ranks[1]);
    EXPECT_EQ("Enter your name, player 1:", prompt());
    EXPECT_EQ(resources->lsTextfieldRed, resources->tfEnterName->getStyle());
    enterName("Ann");
    EXPECT_EQ("Zed", resources->tfEnterName->getCaption()) << "player 2's name of last time";
    EXPECT_TRUE(qtest::has(dir.read("highscores.xml"), "Ann")) << "kept should the game end now";
    enterName("Bob");
    EXPECT_EQ("Ann", resources->highscores.multi[1].name);
    EXPECT_EQ("Bob", resources->highscores.multi[2].name) << "equal scores: second below";

    start(multiPlayer); // equal scores for the last row: only the first one gets there
    ship(0)->score = ship(1)->score = 5000;
    killAll();
    EXPECT_EQ(9, game->ranks[1]);
    enterName("Cy");
    EXPECT_EQ(phaseGameOver, game->phase);
    EXPECT_EQ(-1, game->ranks[1]);

    // The lower score enters first, below an equal row; the higher one then pushes it down, and
    // the row that lights follows it.
    start(multiPlayer);
    ship(0)->score = 10000;
    ship(1)->score = 80000;
    killAll();
    enterName("Uno");
    enterName("Blu");
    EXPECT_EQ(phaseGameOver, game->phase);
    EXPECT_EQ("Blu", resources->highscores.multi[1].name);
    EXPECT_EQ(1, game->ranks[1]);
    EXPECT_EQ("Uno", resources->highscores.multi[8].name);
    EXPECT_EQ(8, game->ranks[0]);
}

TEST_F(GameGL, AbortedGameSkipsTheNameEntryAndFireRestartsOnlyAfterTwoSeconds) {
    start(singlePlayerA);
    ship()->score = 1000000;
    trigger(5);
    ASSERT_TRUE(game->paused);
    trigger(201);
    EXPECT_FALSE(game->paused || resources->pInGame->getVisible());
    frames(1);
    EXPECT_EQ(phaseGameOver, game->phase);
    EXPECT_EQ(-1, game->ranks[0]);
    EXPECT_EQ(100000u, resources->highscores.singleA[0].score);
    frames(198);
    trigger(204);
    EXPECT_TRUE(game->gameIsOver);
    frames(2);
    trigger(204);
    EXPECT_TRUE(game->phase == phasePlay && ship()->alive);
    EXPECT_EQ(0u, ship()->score);
}

TEST_F(GameGL, FrameShowsBothScoresBothHudsAndTheStageText) {
    start(multiPlayer);
    frames(1);
    ship(0)->score = ship(1)->score = 88888;
    game->phase = phaseStageComplete;
    game->textColor.alpha = 1.0f;
    resources->renderContext.apply();
    glClear(GL_COLOR_BUFFER_BIT);
    game->doDraw(1);
    // Whether a pixel of the rectangle passes (the window's pixels are the game's coordinates).
    auto any = [](int x, int y, int w, int h, std::function<bool(std::uint8_t const*)> const& f) {
        std::vector<std::uint8_t> p = testutil::readPixels(x, y, w, h);
        for (std::size_t i = 0; i < p.size(); i += 4)
            if (f(&p[i]))
                return true;
        return false;
    };
    auto red = [](std::uint8_t const* p) { return p[0] > 100 && p[1] == 0 && p[2] == 0; };
    auto blue = [](std::uint8_t const* p) { return p[2] > 100 && p[0] == 0 && p[1] == 0; };
    auto lit = [](std::uint8_t const* p) { return p[0] + p[1] + p[2] > 30; };
    auto lilac = [](std::uint8_t const* p) {
        return p[2] > 100 && p[0] > 40 && p[0] < p[2] && std::abs(p[0] - p[1]) < 3;
    };
    EXPECT_TRUE(any(600, 452, 170, 34, red)) << "player 1's score, left of x 770";
    EXPECT_FALSE(any(771, 452, 29, 34, red));
    EXPECT_TRUE(any(30, 452, 170, 34, blue)) << "player 2's score, right of x 30";
    EXPECT_FALSE(any(0, 452, 29, 34, blue));
    EXPECT_TRUE(any(686, 490, 108, 100, lit)) << "player 1's HUD around (740, 540)";
    EXPECT_TRUE(any(6, 490, 108, 100, lit)) << "player 2's HUD around (60, 540)";
    EXPECT_FALSE(any(200, 490, 400, 100, lit));
    EXPECT_FALSE(any(0, 591, 800, 9, lit)) << "the HUDs' hot spots are on their places";
    EXPECT_TRUE(any(250, 320, 300, 34, lilac)) << "the stage text centred at (400, 320)";
    EXPECT_FALSE(any(250, 280, 300, 34, lilac)) << "no bonus to show";
}

TEST(GameRules, StageBonusIsFullUpToOneAndAHalfTimesTheKillsAndNoneFromThreeTimes) {
    EXPECT_EQ(5000, stageBonus(60, 40, 5000));
    EXPECT_EQ(4916, stageBonus(61, 40, 5000));
    EXPECT_EQ(2500, stageBonus(90, 40, 5000));
    EXPECT_EQ(83, stageBonus(119, 40, 5000));
    EXPECT_EQ(0, stageBonus(120, 40, 5000));
}

TEST(GameRules, ExtraWeightsGrowWithTheStageUpToTheCapsAndOpenShieldAndWarpToUpgradedShips) {
    auto w = [](bool modeB, int stage, int laser, int speed, int fire, float shield, int warps) {
        ExtraWeights e = extraWeights(modeB, stage, laser, speed, fire, shield, warps);
        return std::vector<float>(e.weight, e.weight + 5);
    };
    EXPECT_EQ((std::vector<float>{0, 3, 0, 0, 0}), w(true, 9, 0, 2, 0, 0.0f, 0));
    EXPECT_EQ((std::vector<float>{1, 1, 1, 0, 0}), w(false, 1, 0, 0, 0, 0.0f, 0));
    EXPECT_EQ((std::vector<float>{3, 4, 3, 4, 0}), w(false, 9, 1, 1, 2, 5000.0f, 0));
    EXPECT_EQ((std::vector<float>{2, 3, 3, 0, 1}), w(false, 20, 2, 2, 2, 15000.0f, 1));
    EXPECT_EQ((std::vector<float>{0, 0, 0, 0, 0}), w(false, 20, 4, 5, 5, 15000.0f, 2));
}

TEST(GameRules, TwoPlayersRankBelowOneAnotherUnlessTheirScoresAreEqual) {
    HighscoreTable table;
    for (int i = 0; i < 10; ++i)
        table[i] = HighscoreEntry("", 1000 - 100 * i);
    auto rank = [&](unsigned a, unsigned b, unsigned players) {
        unsigned const scores[2] = {a, b};
        int ranks[2];
        rankPlayers(table, scores, players, ranks);
        return std::make_pair(ranks[0], ranks[1]);
    };
    EXPECT_EQ(std::make_pair(1, 5), rank(950, 650, 2));
    EXPECT_EQ(std::make_pair(5, 1), rank(650, 950, 2));
    EXPECT_EQ(std::make_pair(1, 1), rank(950, 950, 2));
    EXPECT_EQ(std::make_pair(1, -1), rank(950, 150, 2)) << "pushed out of the last row";
    EXPECT_EQ(std::make_pair(-1, 1), rank(50, 1000, 2));
    EXPECT_EQ(std::make_pair(0, -1), rank(2000, 2000, 1));
}

} // namespace
