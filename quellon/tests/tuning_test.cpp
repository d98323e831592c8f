// The per-stage formulas: their values at the stages the game meets, and the guards that keep
// times from wrapping at high stages.
#include "quellon/src/tuning.h"

#include <gtest/gtest.h>

#include <cstdlib>

using quellon::specs;

TEST(Specs, FormulasAtTheStagesTheGameMeets) {
    EXPECT_EQ(40, specs.getKillsForLevel(1));
    EXPECT_EQ(44, specs.getKillsForLevel(3));
    EXPECT_FLOAT_EQ(0.327f, specs.getSpeedForLevel(1));

    EXPECT_FLOAT_EQ(500.0f, specs.getLaserDelay(0));
    EXPECT_FLOAT_EQ(0.5f, specs.getLaserSpeed(0));
    EXPECT_NEAR(226.0f, specs.getLaserDelay(5), 1e-3);
    EXPECT_FLOAT_EQ(0.3f, specs.getChanceAsteroidEnergy(6));
    EXPECT_EQ(0, specs.getMaxAsteroidEnergy(4));
    EXPECT_EQ(2, specs.getMaxAsteroidEnergy(5));
    EXPECT_EQ(10, specs.getMaxAsteroidEnergy(13));
    EXPECT_EQ(10, specs.getMaxAsteroidEnergy(1000));
    EXPECT_EQ(0.0f, specs.getChanceLargeAsteroid(3));
    EXPECT_FLOAT_EQ(0.14f, specs.getChanceLargeAsteroid(5));

    EXPECT_EQ(1500 - 20 * 24, specs.getFoeKamikazeChance(24));
    EXPECT_EQ(200, specs.getFoeKamikazeChance(65));
    EXPECT_EQ(200, specs.getFoeFloorChance(1000));
    EXPECT_EQ(332u, specs.speedupInterval(0.4f));
    EXPECT_EQ(25u, specs.speedupInterval(0.0f));
}

// Harmonic sums kept in single precision, term by term.
float floatSum(float start, int n, double numerator, int power) {
    float value = start;
    for (int i = 1; i <= n; ++i)
        value = static_cast<float>(value + numerator / (power == 2 ? double(i) * i : i));
    return value;
}

TEST(Specs, SumsFollowSinglePrecisionAtEveryStage) {
    for (short n : {1, 5, 13, 24, 65, 1000}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(static_cast<unsigned>(floatSum(550.0f, n, -230.0, 2)),
                  specs.getAsteroidInterval(n));
        EXPECT_FLOAT_EQ(floatSum(0.5f, n, 0.13, 1), specs.getLaserSpeed(n));
        EXPECT_FLOAT_EQ(floatSum(0.0f, n - 5, 0.3, 1), specs.getChanceAsteroidEnergy(n));
        float fire = floatSum(3000.0f, n, -400.0, 1);
        EXPECT_EQ(fire > 0 ? static_cast<unsigned>(fire) : 0u, specs.getFoeFireDelay(n));
    }
}

TEST(Specs, DelaysNeverWrapAtHighStages) {
    // 1500 - 400 H(24) is below 0: as an unsigned it would be about 50 days.
    EXPECT_EQ(0u, specs.getFoeVolleyDelay(24));
    EXPECT_EQ(0u, specs.getFoeVolleyDelay(1000));
    EXPECT_GT(specs.getFoeVolleyDelay(1), 0u);
    EXPECT_EQ(0u, specs.getFoeFireDelay(32767));
    EXPECT_EQ(0.0f, specs.getLaserDelay(1000));
    EXPECT_LT(specs.speedupInterval(1e9f), 4294967295u);
}

TEST(Specs, MemoisedFormulasComputeOnTheirFirstCallWhateverTheStage) {
    // Stage 0 first: a remembered stage that starts at 0 would return a stored 0.
    EXPECT_EQ(550u, specs.getAsteroidInterval(0));
    EXPECT_FLOAT_EQ(500.0f, specs.getLaserDelay(0));
    EXPECT_EQ(3000u, specs.getFoeFireDelay(0));
    EXPECT_EQ(1500u, specs.getFoeVolleyDelay(0));
    // Asking again, and for another stage in between, gives the same results.
    EXPECT_EQ(320u, specs.getAsteroidInterval(1));
    EXPECT_EQ(550u, specs.getAsteroidInterval(0));
}

TEST(Specs, RandomFormulasStayWithinTheirBounds) {
    std::srand(7);
    for (int i = 0; i < 2000; ++i) {
        short n = static_cast<short>(1 + i % 40);
        int hull = specs.getFoeHull(n);
        EXPECT_GE(hull, 50);
        EXPECT_LE(hull, n < 4 ? 50 : 10 * n + 10);
        float ttl = specs.getFoeLaserTtl(n);
        EXPECT_GE(ttl, 400.0f);
        EXPECT_LE(ttl, 1500.0f);
        int volley = specs.getFoeVolleyCount(n);
        EXPECT_GE(volley, 0);
        EXPECT_LE(volley, n > 4 ? (n - 5) / 2 : 0);
        float a = specs.getFoeAcceleration(n);
        EXPECT_GE(a, 0.002f);
        EXPECT_LE(a, 0.004f);
        ravek::basic_Vector2D<float> v = specs.getAsteroidVelocity(0.4f);
        EXPECT_LE(std::abs(v.x), 0.2f);
        EXPECT_LE(v.y, -0.03f);
        EXPECT_GE(v.y, -0.4f);
    }
}
