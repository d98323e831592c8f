#ifndef RAVEK_GFX_STARFIELD_H
#define RAVEK_GFX_STARFIELD_H

#include "ravek/src/ravek.h"

#include <cstdint>
#include <vector>

namespace ravek {
namespace particles {

// Stars of one depth: how many (a negative count counts as none), how fast they fall in pixels
// per millisecond, and their colour.
struct StarClass {
    std::int32_t count;
    float speed;
    Color color;

    StarClass() : count(0), speed(0.0f) {}
    StarClass(std::int32_t count, float speed, Color const& color)
        : count(count), speed(speed), color(color) {}
};

class Starfield;

// The area and the star classes a starfield is built from.
class StarfieldProperties {
public:
    float width, height;
    std::vector<StarClass> classes;

    StarfieldProperties() : width(0.0f), height(0.0f) {}
    // A new starfield from a copy of these properties; the caller owns it.
    Starfield* create() const;
};

// Point stars moving down the area and re-entering at the top at a random x, one class after
// the other in one array that is drawn with one call per class. Owns its stars.
class Starfield {
public:
    float width, height;
    std::vector<StarClass> classes;
    // x and y of every star, class after class.
    std::vector<float> stars;
    std::int32_t total;
    // Multiplies every class's speed.
    float speedFactor;

    explicit Starfield(StarfieldProperties const& properties);

    // Scatters the stars over the area at random.
    void init();
    void perform(float ms);
    // Points in the current render context; blending and texturing are off while drawing and
    // put back afterwards, as is the vertex array, and the last class's colour is the current
    // colour afterwards.
    void draw();
    // Frees the stars until the next init().
    void release();
};

} // namespace particles
} // namespace ravek

#endif
