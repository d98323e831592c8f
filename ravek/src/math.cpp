#include "ravek/src/math.h"

#include <cstdlib>
#include <ctime>

namespace ravek {

int rand15() {
    return std::rand() & 0x7FFF;
}

void randomize() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
}

float random(float max) {
    return rand15() / 32767.0f * max;
}

float random(float min, float max) {
    return min + (max - min) * (rand15() / 32767.0f);
}

int random_int(int min, int max) {
    return min + static_cast<int>((max - min + 1.0) * rand15() * (1.0 / 32768.0));
}

int random_int(int max) {
    return static_cast<int>((max + 1.0) * rand15() * (1.0 / 32768.0));
}

int random(int min, int max) {
    return random_int(min, max);
}

int random(int max) {
    return random_int(max);
}

} // namespace ravek
