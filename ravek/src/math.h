#ifndef RAVEK_MATH_H
#define RAVEK_MATH_H

namespace ravek {

// Plain value types; the float instances carry positions, speeds, sizes and viewports.
template <typename T>
struct basic_Vector2D {
    T x, y;
    basic_Vector2D() : x(), y() {}
    basic_Vector2D(T x, T y) : x(x), y(y) {}
    bool operator==(basic_Vector2D const& o) const { return x == o.x && y == o.y; }
    bool operator!=(basic_Vector2D const& o) const { return !(*this == o); }
};

template <typename T>
struct basic_Vector3D {
    T x, y, z;
    basic_Vector3D() : x(), y(), z() {}
    basic_Vector3D(T x, T y, T z) : x(x), y(y), z(z) {}
    bool operator==(basic_Vector3D const& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(basic_Vector3D const& o) const { return !(*this == o); }
};

template <typename T>
struct basic_Rect {
    T x, y, width, height;
    basic_Rect() : x(), y(), width(), height() {}
    basic_Rect(T x, T y, T width, T height) : x(x), y(y), width(width), height(height) {}
    bool operator==(basic_Rect const& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
    bool operator!=(basic_Rect const& o) const { return !(*this == o); }
};

template <typename T>
T min(T a, T b) {
    return b < a ? b : a;
}

template <typename T>
T max(T a, T b) {
    return a < b ? b : a;
}

// With low above high a value below low still yields low.
template <typename T>
T clamp(T value, T low, T high) {
    if (value < low)
        return low;
    if (value > high)
        return high;
    return value;
}

// Truncation of x + 0.5 towards zero: 2.5 -> 3, -1.7 -> -1, -2.5 -> -2.
template <typename R, typename T>
R round(T x) {
    return static_cast<R>(x + static_cast<T>(0.5));
}

// Random numbers from the runtime's rand(), reduced to 15 bits (0..32767) whatever RAND_MAX is,
// so that every formula stays within its stated bounds.
int rand15();
void randomize();

float random(float max);
float random(float min, float max);
int random(int min, int max);
int random(int max);
int random_int(int min, int max);
int random_int(int max);

template <typename T>
T random(T max) {
    return static_cast<T>(rand15() / static_cast<T>(32767.0) * max);
}

template <typename T>
T random(T min, T max) {
    return min + random<T>(max - min);
}

// Index drawn by weights that are meant to sum to 1. When rounding leaves the running sum short
// of the draw, the last index with a non-zero weight is chosen; n only when all weights are 0.
template <typename T>
T chooseByWeight(T n, float const* weights, float p) {
    float sum = 0.0f;
    T lastNonZero = n;
    for (T i = 0; i < n; ++i) {
        sum += weights[i];
        if (weights[i] != 0.0f)
            lastNonZero = i;
        if (sum >= p)
            return i;
    }
    return lastNonZero;
}

template <typename T>
T randomProb(T n, float* weights) {
    return chooseByWeight(n, weights, static_cast<float>(random<double>(1.0)));
}

} // namespace ravek

#endif
