#include "quellon/src/tuning.h"

#include <cmath>

namespace quellon {

Specs const specs;

namespace {

// The running value is kept in single precision at every step, so stage numbers give the same
// results on every machine whatever the compiler does with doubles.
template <typename Term>
float accumulate(float start, int n, Term term) {
    float value = start;
    for (int i = 1; i <= n; ++i)
        value = static_cast<float>(static_cast<double>(value) + term(i));
    return value;
}

// A delay cannot be negative: converted to unsigned it would wrap to weeks.
unsigned nonNegativeMs(float value) {
    if (!(value > 0.0f))
        return 0;
    if (value >= 4294967295.0f)
        return 4294967295u;
    return static_cast<unsigned>(value);
}

// The last stage asked for and its result; the stage starts out as none at all, so that the
// first call computes whatever stage it asks for, 0 included.
template <typename Key, typename Value>
struct Memo {
    bool valid = false;
    Key lastLevel{};
    Value last{};

    template <typename Compute>
    Value get(Key n, Compute compute) {
        if (!valid || n != lastLevel) {
            last = compute();
            lastLevel = n;
            valid = true;
        }
        return last;
    }
};

} // namespace

int Specs::getKillsForLevel(unsigned n) const {
    int k = static_cast<int>(n) - 1;
    return k * k + 40;
}

float Specs::getSpeedForLevel(unsigned n) const {
    return 0.3f + 0.027f * static_cast<float>(n);
}

unsigned Specs::getAsteroidInterval(unsigned n) const {
    static Memo<unsigned, unsigned> lastInterval;
    return lastInterval.get(n, [n] {
        int bound = n > 100000 ? 100000 : static_cast<int>(n);
        float value = accumulate(550.0f, bound, [](int i) { return -230.0 / (double(i) * i); });
        return nonNegativeMs(value);
    });
}

unsigned Specs::speedupInterval(float s) const {
    double f = 4.0 * s;
    return nonNegativeMs(static_cast<float>(std::trunc(75.0 * f * f * f))) + 25;
}

float Specs::getLaserDelay(short n) const {
    static Memo<short, float> lastDelay;
    return lastDelay.get(n, [n] {
        float value = accumulate(500.0f, n, [](int i) { return -120.0 / i; });
        return value < 0.0f ? 0.0f : value;
    });
}

float Specs::getLaserSpeed(short n) const {
    static Memo<short, float> lastSpeed;
    return lastSpeed.get(n, [n] { return accumulate(0.5f, n, [](int i) { return 0.13 / i; }); });
}

float Specs::getChanceLargeAsteroid(short n) const {
    return n < 4 ? 0.0f : static_cast<float>(n - 3) * 0.07f;
}

float Specs::getChanceAsteroidEnergy(short n) const {
    static Memo<short, float> lastChance;
    return lastChance.get(n,
                          [n] { return accumulate(0.0f, n - 5, [](int i) { return 0.3 / i; }); });
}

int Specs::getMaxAsteroidEnergy(short n) const {
    return n > 4 ? ravek::min(n - 3, 10) : 0;
}

unsigned Specs::getFoeFireDelay(short n) const {
    static Memo<short, unsigned> lastDelay;
    return lastDelay.get(
        n, [n] { return nonNegativeMs(accumulate(3000.0f, n, [](int i) { return -400.0 / i; })); });
}

int Specs::getFoeVolleyCount(short n) const {
    return n > 4 ? ravek::random_int((n - 5) / 2) : 0;
}

unsigned Specs::getFoeVolleyDelay(short n) const {
    static Memo<short, unsigned> lastDelay;
    return lastDelay.get(
        n, [n] { return nonNegativeMs(accumulate(1500.0f, n, [](int i) { return -400.0 / i; })); });
}

int Specs::getFoeHull(short n) const {
    return n < 4 ? 50 : 50 + ravek::random_int(10 * n - 40);
}

float Specs::getFoeLaserTtl(short n) const {
    return static_cast<float>(ravek::min(1500, ravek::random_int(70 * n) + 400));
}

int Specs::getFoeKamikazeChance(short n) const {
    return ravek::max(200, 1500 - 20 * n);
}

int Specs::getFoeFloorChance(short n) const {
    return ravek::max(200, 1500 - 20 * n);
}

unsigned Specs::getFoeFloorDuration(short n) const {
    int ms = ravek::random_int(1000 * n);
    return ms < 0 ? 0 : static_cast<unsigned>(ms);
}

float Specs::getFoeAcceleration(short) const {
    return ravek::random(0.002f, 0.004f);
}

ravek::basic_Vector2D<float> Specs::getAsteroidVelocity(float s) const {
    return {ravek::random(-s / 2.0f, s / 2.0f), -ravek::random(0.03f, s)};
}

float Specs::getFoeDistanceSpeedFactor(short n) const {
    return ravek::random(2.0f * n) + 5.0f;
}

} // namespace quellon
