// The game's moving objects on the real hub: lasers against asteroids and foes, fragments,
// fading foe lasers, collected extras and volleys; and the foes' steering rules.
#include "quellon/tests/hub_util.h"

#include <algorithm>

using namespace quellon;

namespace {

class SpritesGL : public qtest::GameTest {
protected:
    // Player 1 fires `shots` lasers at `at`, tested against the asteroids and foes.
    void shoot(ravek::basic_Vector2D<float> at, int shots = 1) {
        for (int i = 0; i < shots; ++i)
            laser(ship(), at);
        game->playerLasers.testCollisions(&game->asteroids);
        game->playerLasers.testCollisions(&game->foes);
    }

    // The shots a foe fires in `ms`, its fire timer running as its frames of 10 ms run it.
    int shotsIn(Foe* foe, int ms) {
        std::size_t before = game->foeLasers.size();
        for (int t = 0; t < ms; t += 10, foe->fireTimer = std::max(0.0f, foe->fireTimer - 10))
            foe->fire();
        return static_cast<int>(game->foeLasers.size() - before);
    }
};

TEST_F(SpritesGL, AsteroidOfEnergyThreeTakesFourHitsTurningFromBlueToWhite) {
    start(singlePlayerA);
    Asteroid* a = asteroid(asteroidSmall, 3, {400, 300});
    for (float shade : {0.7f, 0.8f, 0.9f, 1.0f}) {
        EXPECT_FLOAT_EQ(shade, a->color.green);
        EXPECT_FLOAT_EQ(1.0f, a->color.blue);
        EXPECT_FALSE(a->exploded);
        shoot({400, 300});
    }
    EXPECT_TRUE(a->exploded);
    EXPECT_EQ(50u, ship()->score);
    EXPECT_EQ(39, game->asteroidQuota);
}

TEST_F(SpritesGL, OneLaserDestroysOneTargetAndATargetIsDestroyedOnce) {
    start(singlePlayerA);
    Asteroid* a = asteroid(asteroidSmall, 0, {400, 300});
    shoot({400, 300}, 2);
    EXPECT_TRUE(a->exploded);
    EXPECT_EQ(1, count<Laser>(game->playerLasers)) << "the second shot found nothing to hit";
    Asteroid* b = asteroid(asteroidSmall, 0, {200, 300});
    Asteroid* c = asteroid(asteroidSmall, 0, {200, 300});
    shoot({200, 300});
    EXPECT_NE(b->exploded, c->exploded) << "a spent shot hits nothing more";
    EXPECT_EQ(100u, ship()->score);
    EXPECT_EQ(38, game->asteroidQuota);
}

TEST_F(SpritesGL, LargeAsteroidSplitsIntoUncountedFragmentsButAShieldDestroysItWhole) {
    start(singlePlayerA);
    Asteroid* large = asteroid(asteroidLarge, 0, {400, 300});
    large->velocity = {0.05f, -0.3f};
    shoot({400, 300});
    std::vector<Asteroid*> fragments;
    for (auto* s : game->asteroids.sprites)
        if (auto* f = dynamic_cast<Asteroid*>(s); f && f != large)
            fragments.push_back(f);
    ASSERT_EQ(2u, fragments.size());
    EXPECT_FALSE(fragments[0]->counted || fragments[1]->counted);
    EXPECT_FLOAT_EQ(0.4f, std::abs(fragments[0]->velocity.x - fragments[1]->velocity.x));
    shoot(fragments[0]->position);
    EXPECT_EQ(150u, ship()->score);
    EXPECT_EQ(39, game->asteroidQuota) << "a fragment scores but does not count";

    ship()->shieldEnergy = 1000.0f;
    game->shieldTrigger[0]->value = 1.0f;
    frames(6);
    Asteroid* rammed = asteroid(asteroidLarge, 0, ship()->position);
    std::size_t before = game->asteroids.size();
    game->ships.testCollisions(&game->asteroids);
    EXPECT_TRUE(rammed->exploded && ship()->alive);
    EXPECT_EQ(before + 1, game->asteroids.size()) << "its explosion, no fragments";
    EXPECT_EQ(150u, ship()->score);
}

TEST_F(SpritesGL, FoeLaserLivesItsTimeThenFadesHarmlessAndItsDeletedOwnerIsNeverReached) {
    start(singlePlayerA);
    Foe* foe = game->foeSlot[1] = new Foe(true);
    foe->position = {600, 300};
    foe->fire();
    auto* shot = static_cast<Laser*>(game->foeLasers.sprites.front());
    foe->explode();
    deleteQueuedSprites();
    EXPECT_EQ(nullptr, game->foeSlot[1]);
    Asteroid* a = asteroid(asteroidSmall, 0, shot->position);
    game->foeLasers.testCollisions(&game->asteroids);
    EXPECT_TRUE(a->exploded);
    EXPECT_EQ(0u, ship()->score) << "nobody's points";
    EXPECT_EQ(40, game->asteroidQuota);

    Laser* fading = laser(new Foe(false), ship()->position, 100.0f);
    fading->perform(100.0f);
    EXPECT_FLOAT_EQ(1.0f, fading->color.alpha);
    fading->perform(100.0f);
    EXPECT_TRUE(fading->collidable);
    fading->perform(1.0f);
    game->foeLasers.testCollisions(&game->ships);
    EXPECT_TRUE(ship()->alive) << "below half strength it hurts nobody";
    fading->perform(100.0f);
    EXPECT_TRUE(fading->deleted);
}

TEST_F(SpritesGL, FoesFireVolleysOfTheirCountPlusOneThenWaitTheirFireDelay) {
    start(singlePlayerA, 7);
    Foe* single = new Foe(false);
    EXPECT_EQ(0, single->volleyCount);
    EXPECT_EQ(2, shotsIn(single, 3000)) << "at 0 and 2600 ms";
    EXPECT_GT(static_cast<Laser*>(game->foeLasers.sprites.front())->velocity.x, 0.0f);
    game->stage = 30;
    Foe* late = new Foe(true);
    ASSERT_GT(late->volleyCount, 0) << "another seed gives a volley";
    EXPECT_EQ(late->volleyCount + 1, shotsIn(late, 1000));
    EXPECT_EQ(late->volleyCount + 1, shotsIn(late, 1500));
}

TEST_F(SpritesGL, FoesTakeOneSlotPerSideAndAPlayerShotThroughTheHullScoresOnce) {
    start(singlePlayerA);
    for (int side : {0, 0, 1})
        game->spawnFoe(side);
    ASSERT_TRUE(game->foeSlot[0] && game->foeSlot[1]);
    EXPECT_TRUE(game->foeSlot[1]->right);
    EXPECT_EQ(2u, game->foes.size());
    Foe* foe = game->foeSlot[0];
    foe->position = {300, 300};
    foe->hull = 2;
    shoot({300, 300}, 3);
    EXPECT_FALSE(foe->active);
    EXPECT_EQ(1500u, ship()->score);
    EXPECT_EQ(1, count<Laser>(game->playerLasers));
    deleteQueuedSprites();
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

TEST(FoeSteering, BankingFollowsTheFactorAndTheWantedFactorTheSquareOfTheHeightError) {
    EXPECT_EQ(5, foeBankingFrame(0.0f));
    EXPECT_EQ(0, foeBankingFrame(-1.0f));
    EXPECT_EQ(4, foeBankingFrame(-0.1f));
    EXPECT_EQ(7, foeBankingFrame(0.1f));
    EXPECT_EQ(11, foeBankingFrame(1.0f));
    EXPECT_FLOAT_EQ(10.0f, foeWantedFactor(450.0f, 440.0f, 10.0f));
    EXPECT_FLOAT_EQ(-10.0f, foeWantedFactor(430.0f, 440.0f, 10.0f));
    EXPECT_FLOAT_EQ(0.5f, approach(0.3f, 0.5f, 0.4f));
    EXPECT_FLOAT_EQ(-0.1f, approach(0.3f, -1.0f, 0.4f));
}

} // namespace
