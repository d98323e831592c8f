// The game's moving objects on the real hub: lasers against asteroids, containers and foes,
// fragments, fading foe lasers and collected extras, foes and their volleys; and the foes'
// steering rules.
#include "quellon/tests/game_util.h"

#include "quellon/src/sprites.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quellon;

namespace {

class SpritesGL : public qtest::GameTest {
protected:
    void shoot() {
        game->playerLasers.testCollisions(&game->asteroids);
        game->playerLasers.testCollisions(&game->foes);
    }

    // The shots a foe fires in `ms` of frames of 10 ms, its fire timer running as its frames
    // run it.
    int shotsIn(Foe* foe, int ms) {
        std::size_t before = game->foeLasers.size();
        for (int t = 0; t < ms; t += 10) {
            foe->fire();
            foe->fireTimer = std::max(0.0f, foe->fireTimer - 10.0f);
        }
        return static_cast<int>(game->foeLasers.size() - before);
    }
};

TEST_F(SpritesGL, AsteroidOfEnergyThreeTakesFourHitsTurningFromBlueToWhite) {
    start(singlePlayerA);
    Asteroid* a = asteroid(asteroidSmall, 3, {400, 300});
    EXPECT_FLOAT_EQ(0.7f, a->color.red);
    EXPECT_FLOAT_EQ(0.7f, a->color.green);
    EXPECT_FLOAT_EQ(1.0f, a->color.blue);
    for (float red : {0.8f, 0.9f, 1.0f}) {
        laser(ship(), {400, 300});
        shoot();
        EXPECT_FALSE(a->exploded);
        EXPECT_FLOAT_EQ(red, a->color.red);
    }
    laser(ship(), {400, 300});
    shoot();
    EXPECT_TRUE(a->exploded);
    EXPECT_EQ(50u, ship()->score);
    EXPECT_EQ(39, game->asteroidQuota);
}

TEST_F(SpritesGL, OneLaserDestroysOneTargetAndATargetIsDestroyedOnce) {
    start(singlePlayerA);
    // Two shots into one asteroid in the same frame: it is scored and counted once.
    Asteroid* a = asteroid(asteroidSmall, 0, {400, 300});
    Laser* first = laser(ship(), {400, 300});
    Laser* second = laser(ship(), {400, 300});
    shoot();
    EXPECT_TRUE(a->exploded);
    EXPECT_EQ(50u, ship()->score);
    EXPECT_EQ(39, game->asteroidQuota);
    EXPECT_NE(first->deleted, second->deleted);

    // One shot into two asteroids: the spent shot leaves the second one alone.
    Asteroid* b = asteroid(asteroidSmall, 0, {200, 300});
    Asteroid* c = asteroid(asteroidSmall, 0, {200, 300});
    laser(ship(), {200, 300});
    shoot();
    EXPECT_NE(b->exploded, c->exploded);
    EXPECT_EQ(100u, ship()->score);
    EXPECT_EQ(38, game->asteroidQuota);
}

TEST_F(SpritesGL, LargeAsteroidSplitsIntoUncountedFragmentsButAShieldDestroysItWhole) {
    start(singlePlayerA);
    Asteroid* large = asteroid(asteroidLarge, 1, {400, 300});
    large->velocity = {0.05f, -0.3f};
    laser(ship(), {400, 300});
    shoot();
    laser(ship(), {400, 300});
    shoot();
    ASSERT_TRUE(large->exploded);
    EXPECT_EQ(100u, ship()->score);
    std::vector<Asteroid*> fragments;
    for (auto* s : game->asteroids.sprites)
        if (auto* f = dynamic_cast<Asteroid*>(s); f && f != large)
            fragments.push_back(f);
    ASSERT_EQ(2u, fragments.size());
    for (Asteroid* f : fragments) {
        EXPECT_EQ(asteroidSmall, f->type);
        EXPECT_FALSE(f->counted);
        EXPECT_EQ(0, f->energy);
        EXPECT_FLOAT_EQ(-0.3f, f->velocity.y);
    }
    EXPECT_FLOAT_EQ(0.4f, std::abs(fragments[0]->velocity.x - fragments[1]->velocity.x));
    // A fragment scores but does not count toward the stage.
    laser(ship(), fragments[0]->position);
    shoot();
    EXPECT_EQ(150u, ship()->score);
    EXPECT_EQ(39, game->asteroidQuota);

    ship()->shieldEnergy = 1000.0f;
    game->shieldTrigger[0]->value = 1.0f;
    frames(6);
    ASSERT_TRUE(ship()->shield->collidable);
    Asteroid* rammed = asteroid(asteroidLarge, 0, ship()->position);
    std::size_t before = game->asteroids.size();
    game->ships.testCollisions(&game->asteroids);
    EXPECT_TRUE(rammed->exploded);
    EXPECT_TRUE(ship()->alive);
    EXPECT_EQ(before + 1, game->asteroids.size()); // its explosion, no fragments
    EXPECT_EQ(150u, ship()->score);
    EXPECT_EQ(39, game->asteroidQuota);
}

TEST_F(SpritesGL, FoeLaserLivesItsTimeThenFadesHarmlessAndItsDeletedOwnerIsNeverReached) {
    start(singlePlayerA);
    frames(1);
    game->foeSlot[1] = new Foe(true);
    Foe* foe = game->foeSlot[1];
    foe->position = {600, 300};
    foe->fire();
    ASSERT_EQ(1u, game->foeLasers.size());
    auto* shot = static_cast<Laser*>(game->foeLasers.sprites.front());
    EXPECT_LT(shot->velocity.x, 0.0f);
    foe->explode();
    deleteQueuedSprites();
    EXPECT_EQ(nullptr, game->foeSlot[1]);

    // The shot outlives its foe: it destroys an asteroid, for nobody's points.
    Asteroid* a = asteroid(asteroidSmall, 0, shot->position);
    game->foeLasers.testCollisions(&game->asteroids);
    EXPECT_TRUE(a->exploded);
    EXPECT_EQ(0u, ship()->score);
    EXPECT_EQ(40, game->asteroidQuota);

    Foe* other = new Foe(false);
    Laser* fading = laser(other, ship()->position, 100.0f);
    fading->perform(100.0f);
    EXPECT_FLOAT_EQ(1.0f, fading->color.alpha);
    fading->perform(100.0f);
    EXPECT_FLOAT_EQ(0.5f, fading->color.alpha);
    EXPECT_TRUE(fading->collidable);
    fading->perform(1.0f);
    EXPECT_FALSE(fading->collidable);
    fading->position = ship()->position;
    game->foeLasers.testCollisions(&game->ships);
    EXPECT_TRUE(ship()->alive);
    EXPECT_FALSE(fading->deleted);
    fading->perform(100.0f);
    EXPECT_TRUE(fading->deleted);
}

TEST_F(SpritesGL, FoesFireVolleysOfTheirCountPlusOneThenWaitTheirFireDelay) {
    start(singlePlayerA, 7);
    Foe* single = new Foe(false);
    EXPECT_EQ(0, single->volleyCount);
    EXPECT_EQ(2600u, single->fireDelay);
    EXPECT_EQ(2, shotsIn(single, 3000)); // at 0 and 2600
    auto* shot = static_cast<Laser*>(game->foeLasers.sprites.front());
    EXPECT_GT(shot->velocity.x, 0.0f);

    game->stage = 30;
    Foe* late = new Foe(true);
    ASSERT_GT(late->volleyCount, 0) << "another seed gives a volley";
    EXPECT_EQ(0u, late->volleyDelay);
    EXPECT_EQ(1402u, late->fireDelay);
    EXPECT_EQ(late->volleyCount + 1, shotsIn(late, 1000));
    EXPECT_EQ(late->volleyCount + 1, shotsIn(late, 1500));
}

TEST_F(SpritesGL, FoesTakeOneSlotPerSideAndAPlayerShotThroughTheHullScoresOnce) {
    start(singlePlayerA);
    game->spawnFoe(0);
    game->spawnFoe(0);
    ASSERT_TRUE(game->foeSlot[0] && game->foeSlot[1]);
    EXPECT_FALSE(game->foeSlot[0]->right);
    EXPECT_TRUE(game->foeSlot[1]->right);
    game->spawnFoe(1);
    EXPECT_EQ(2u, game->foes.size());

    Foe* foe = game->foeSlot[0];
    foe->position = {300, 300};
    foe->hull = 2;
    laser(ship(), {300, 300});
    laser(ship(), {300, 300});
    laser(ship(), {300, 300});
    shoot();
    EXPECT_FALSE(foe->active);
    EXPECT_EQ(1500u, ship()->score);
    EXPECT_EQ(1, count<Laser>(game->playerLasers));
    deleteQueuedSprites();
    EXPECT_EQ(nullptr, game->foeSlot[0]);
    game->spawnFoe(1);
    EXPECT_EQ(nullptr, game->foeSlot[0]);
    game->spawnFoe(-1);
    EXPECT_NE(nullptr, game->foeSlot[0]);
}

TEST_F(SpritesGL, CollectedExtraFadesAwayAndIsDeleted) {
    start(singlePlayerA);
    auto* extra = new Extra(extraScore, {400, 3000});
    game->extras.addFront(extra);
    EXPECT_TRUE(ship()->collectExtra(extra));
    EXPECT_FALSE(ship()->collectExtra(extra));
    EXPECT_EQ(500u, ship()->score);
    frames(100, 16);
    EXPECT_EQ(0u, game->extras.size());
}

TEST(FoeSteering, BankingFrameFollowsTheVerticalFactorFromZeroToEleven) {
    EXPECT_EQ(5, foeBankingFrame(0.0f));
    EXPECT_EQ(0, foeBankingFrame(-1.0f));
    EXPECT_EQ(4, foeBankingFrame(-0.1f));
    EXPECT_EQ(7, foeBankingFrame(0.1f));
    EXPECT_EQ(11, foeBankingFrame(1.0f));
}

TEST(FoeSteering, WantedFactorGrowsWithTheSquareOfTheHeightErrorAndApproachNeverOvershoots) {
    EXPECT_FLOAT_EQ(10.0f, foeWantedFactor(450.0f, 440.0f, 10.0f));
    EXPECT_FLOAT_EQ(-10.0f, foeWantedFactor(430.0f, 440.0f, 10.0f));
    EXPECT_FLOAT_EQ(0.0f, foeWantedFactor(440.0f, 440.0f, 10.0f));
    EXPECT_FLOAT_EQ(0.5f, approach(0.3f, 0.5f, 0.4f));
    EXPECT_FLOAT_EQ(-0.1f, approach(0.3f, -1.0f, 0.4f));
    EXPECT_FLOAT_EQ(0.3f, approach(0.3f, 0.3f, 0.4f));
}

} // namespace
