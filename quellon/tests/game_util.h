#ifndef QUELLON_TESTS_GAME_UTIL_H
#define QUELLON_TESTS_GAME_UTIL_H

// A real game on the real hub and data set, run with fixed frame lengths and a seeded random
// generator. The tests place the sprites a scenario needs by hand and look at the game's fields.
#include "quellon/tests/hub_util.h"

#include "quellon/src/game.h"
#include "quellon/src/gamestate.h"
#include "quellon/src/resources.h"

#include "ravek/src/controls.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

namespace qtest {

using ravek::basic_Vector2D;

class GameTest : public ::testing::Test {
protected:
    WorkDir dir;
    Hub hub;
    quellon::Game* game = nullptr;

    ~GameTest() override { delete game; }

    // A new game of the type whose asteroid spawner is held back, so that a test sees only
    // what it places itself.
    void start(quellon::GameType type, unsigned seed = 1) {
        delete game;
        std::srand(seed);
        game = new quellon::Game(type);
        game->asteroidInterval = UINT_MAX / 2;
    }

    // Frames of `ms` milliseconds, every layer as the main loop runs them.
    void frames(int count, unsigned ms = 10) {
        for (; count > 0; --count)
            for (int layer = 0; layer < 3; ++layer)
                game->doPerform(layer, ms);
    }

    quellon::Player* ship(int i = 0) const { return game->player[i]; }

    quellon::Asteroid* asteroid(quellon::AsteroidType type, int energy, basic_Vector2D<float> at,
                                bool counted = true) {
        auto* a = new quellon::Asteroid(type, energy, counted);
        a->position = at;
        game->asteroids.addFront(a);
        return a;
    }

    // A shot of `owner` at `at`: a player's goes to the player lasers, any other to the foes'.
    quellon::Laser* laser(quellon::QuellonSprite* owner, basic_Vector2D<float> at,
                          float timeToLive = -1.0f) {
        bool ofPlayer = game->isPlayer(owner);
        auto* l = new quellon::Laser(ofPlayer ? quellon::resources->laserRayGreen
                                              : quellon::resources->laserRoundRed,
                                     owner, timeToLive, ofPlayer ? 0.0f : 0.005f);
        l->position = at;
        (ofPlayer ? game->playerLasers : game->foeLasers).addFront(l);
        return l;
    }

    // The trigger handed to the game as the main loop hands it.
    void trigger(int code, int data = 0) {
        ravek::Trigger t(nullptr, code, "test", "test", ravek::KS_DOWN);
        t.data = data;
        t.value = 1.0f;
        game->handleEvent(&t);
    }

    template <typename T>
    int count(ravek::sprites::SpriteEngine const& engine) const {
        int n = 0;
        for (auto* s : engine.sprites)
            if (dynamic_cast<T*>(s) && !static_cast<quellon::QuellonSprite*>(s)->deleted)
                ++n;
        return n;
    }
};

} // namespace qtest

#endif
