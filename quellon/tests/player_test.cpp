// The players' ships on the real hub: guns by laser type, hits that cost upgrades or the ship,
// lost upgrades, the shield, collecting extras, two ships keeping apart; and the ships' rules.
#include "quellon/tests/hub_util.h"

using namespace quellon;
using V = ravek::basic_Vector2D<float>;

namespace {

class ShipGL : public qtest::GameTest {
protected:
    // Starts a game and lets the ship fly in to its lowest height.
    Player* fly(GameType type = singlePlayerA) {
        start(type);
        frames(1);
        return ship();
    }

    void ram(QuellonSprite* hitter) {
        hitter->position = ship()->position;
        game->ships.testCollisions(&game->asteroids);
        game->ships.testCollisions(&game->foes);
    }

    int volley() {
        std::size_t before = game->playerLasers.size();
        ship()->fire();
        return static_cast<int>(game->playerLasers.size() - before);
    }
};

TEST_F(ShipGL, GunsFireByLaserTypeAndReloadButNeverInModeB) {
    Player* p = fly();
    EXPECT_EQ(2, volley());
    EXPECT_EQ(0, volley()) << "reloading";
    auto* right = static_cast<Laser*>(game->playerLasers.sprites.front());
    EXPECT_FLOAT_EQ(p->position.x + 15.0f, right->position.x);
    EXPECT_FLOAT_EQ(0.5f, right->velocity.y);
    frames(50); // the 500 ms of fire rate 0
    EXPECT_EQ(2, volley());
    p->laserType = 4;
    p->reload = p->sideReload = 0.0f;
    EXPECT_EQ(6, volley());
    p->reload = 0.0f;
    EXPECT_EQ(2, volley()) << "the side guns reload more slowly";
    fly(singlePlayerB);
    EXPECT_EQ(0, volley());
}

TEST_F(ShipGL, WithoutUpgradesASingleHitByAnythingDestroysTheShip) {
    fly();
    ram(asteroid(asteroidSmall, 0, {0, 0}));
    EXPECT_FALSE(ship()->alive || ship()->visible);
    EXPECT_EQ(0u, game->livingPlayers);
    fly();
    Foe* foe = new Foe(true);
    foe->position = {ship()->position.x + 20.0f, ship()->position.y};
    foe->fire();
    auto* shot = static_cast<Laser*>(game->foeLasers.sprites.front());
    game->foeLasers.testCollisions(&game->ships);
    EXPECT_FALSE(ship()->alive);
    EXPECT_TRUE(shot->deleted);
}

TEST_F(ShipGL, HitsCostUpgradesWhichFlyAwayOutOfReachForTheirFirst200Ms) {
    Player* p = fly();
    p->setSpeedupCount(1);
    Asteroid* large = asteroid(asteroidLarge, 0, {0, 0});
    ram(large);
    EXPECT_TRUE(p->alive && large->exploded && p->stutter);
    EXPECT_FLOAT_EQ(0.35f, p->speed);
    ASSERT_EQ(1u, game->extras.size());
    auto* lost = static_cast<Extra*>(game->extras.sprites.front());
    EXPECT_EQ(extraSpeedup, lost->type);
    clear(game->asteroids); // the fragments beside the ship would hit again
    frames(19);
    EXPECT_FALSE(lost->collidable);
    frames(1);
    lost->position = p->position;
    game->ships.testCollisions(&game->extras);
    EXPECT_EQ(1, p->speedups);
    EXPECT_FALSE(p->stutter);

    // A foe's hit costs two levels of each upgrade: levels of 1 are not enough.
    p->setFireRateCount(2);
    Foe* foe = new Foe(true);
    ram(foe);
    EXPECT_TRUE(p->alive);
    EXPECT_FALSE(foe->active);
    EXPECT_EQ(0, p->speedups + p->fireRate);
    p->setSpeedupCount(1);
    p->setFireRateCount(1);
    ram(new Foe(false));
    EXPECT_FALSE(p->alive);
}

TEST_F(ShipGL, ShieldNeedsEnergyAndFadesOutOverASecondWhenItRunsOut) {
    Player* p = fly();
    game->shieldTrigger[0]->value = 1.0f;
    frames(1);
    EXPECT_FALSE(p->shieldOn) << "no energy";
    p->shieldEnergy = 1000.0f;
    frames(10);
    EXPECT_FLOAT_EQ(1.0f, p->shield->color.alpha);
    ram(asteroid(asteroidSmall, 0, {0, 0}));
    EXPECT_TRUE(p->alive) << "at strength the shield takes the hit";
    frames(43); // 20 drained a frame
    EXPECT_FLOAT_EQ(0.0f, p->shieldEnergy);
    EXPECT_FALSE(p->shieldOn);
    EXPECT_TRUE(p->shield->fadingOut);
    frames(50);
    EXPECT_FALSE(p->shield->collidable);
    frames(40);
    EXPECT_TRUE(p->shield->visible);
    frames(20);
    EXPECT_FALSE(p->shield->visible || p->shield->fadingOut);
}

TEST_F(ShipGL, ExtrasRaiseTheirLevelUpToItsCapAndBlinkTheHudBetweenOldAndNew) {
    Player* p = fly();
    auto collect = [&](ExtraType type, int times = 1) {
        for (int i = 0; i < times; ++i) {
            auto* e = new Extra(type, p->position);
            game->extras.addFront(e);
            p->collectExtra(e);
        }
    };
    p->setSpeedupCount(5);
    collect(extraSpeedup);
    EXPECT_FLOAT_EQ(0.55f, p->speed);
    EXPECT_EQ(10, p->blinksLeft);
    collect(extraLaserType);
    EXPECT_EQ(1, p->laserType);
    EXPECT_EQ(0, p->hudLaserType);
    frames(25);
    EXPECT_FALSE(p->showCurrent) << "after 250 ms the HUD shows the old values";
    frames(225);
    EXPECT_TRUE(p->showCurrent);
    EXPECT_EQ(0, p->blinksLeft);
    collect(extraTimeWarp, 3);
    EXPECT_EQ(2, p->timeWarps);
    collect(extraShield, 7);
    EXPECT_FLOAT_EQ(15000.0f, p->shieldEnergy);
}

TEST_F(ShipGL, TwoShipsPushingAgainstEachOtherStopNinetyApart) {
    fly(multiPlayer);
    EXPECT_FLOAT_EQ(615.0f, ship(0)->position.x);
    EXPECT_FLOAT_EQ(205.0f, ship(1)->position.x);
    game->steeringX[0]->value = -1.0f;
    game->steeringX[1]->value = 1.0f;
    frames(100);
    float gap = ship(0)->position.x - ship(1)->position.x;
    EXPECT_GE(gap, 90.0f);
    EXPECT_LT(gap, 97.0f);
}

TEST(ShipRules, BankingFrameIsFiveStraightZeroFullLeftTenFullRight) {
    EXPECT_EQ(5, shipBankingFrame(0.0f));
    EXPECT_EQ(0, shipBankingFrame(-1.0f));
    EXPECT_EQ(10, shipBankingFrame(1.0f));
    EXPECT_EQ(2, shipBankingFrame(-0.5f));
    EXPECT_EQ(7, shipBankingFrame(0.5f));
}

TEST(ShipRules, ShipsKeepNinetyApartSideBySideOrSeventyFiveAboveEachOtherAndSlideAlong) {
    V other(300, 300);
    EXPECT_EQ(V(390, 300), separateShips({390, 300}, {389, 300}, other));
    EXPECT_EQ(V(300, 375), separateShips({300, 375}, {300, 374}, other));
    EXPECT_EQ(V(300, 225), separateShips({300, 225}, {300, 226}, other));
    EXPECT_EQ(V(395, 310), separateShips({395, 300}, {385, 310}, other)) << "sliding past";
    EXPECT_EQ(V(390, 300), separateShips({400, 300}, {390, 300}, other));
    EXPECT_EQ(V(380, 340), separateShips({380, 340}, {379, 341}, other)) << "inside both";
}

} // namespace
