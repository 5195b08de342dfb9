// Vec2: the 2-D vector of the simulation. Components are stored as single
// precision; every expression on them is evaluated in double precision and
// rounded once when it is stored back.
#pragma once
#include <cmath>

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;

    Vec2() = default;
    Vec2(double x_, double y_) : x(static_cast<float>(x_)), y(static_cast<float>(y_)) {}
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return Vec2(double(a.x) + double(b.x), double(a.y) + double(b.y)); }
inline Vec2 operator-(Vec2 a, Vec2 b) { return Vec2(double(a.x) - double(b.x), double(a.y) - double(b.y)); }
inline Vec2 operator*(Vec2 a, float s) { return Vec2(double(s) * double(a.x), double(s) * double(a.y)); }
inline Vec2 operator*(float s, Vec2 a) { return a * s; }

// Compound assignments yield a copy of the new value, not a reference.
inline Vec2 operator+=(Vec2& a, Vec2 b) { a = a + b; return a; }
inline Vec2 operator*=(Vec2& a, float s) { a = a * s; return a; }

// The three operations the simulation writes out wherever it needs them.
inline double vecLength(Vec2 v) { return std::sqrt(double(v.x) * double(v.x) + double(v.y) * double(v.y)); }
inline double vecDot(Vec2 a, Vec2 b) { return double(a.x) * double(b.x) + double(a.y) * double(b.y); }
// A vector of length exactly 0 stays unchanged.
inline void normalise(Vec2& v)
{
    double len = vecLength(v);
    if (len != 0.0) v = Vec2(double(v.x) / len, double(v.y) / len);
}
