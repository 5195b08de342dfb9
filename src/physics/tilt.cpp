// The playfield turning on its screw. Each step sums the moments about the
// pivot of the playfield's own area and of the balls resting on it, moves the
// angle by the old angular velocity, damps the angular velocity and pushes it
// by the moment, then has the geometry rotated to the new angle.
//
// The playfield's weight is taken from the strips' disjoint triples of
// vertices (0,1,2), (3,4,5), ...; each triangle's weight is the truncated,
// absolute sum e2.x*e1.y + e2.y*e1.x halved, at the centroid scaled by 0.3333.
// That is not the geometric area - it is the measure the levels were tuned
// with, so it stays.
#include "physics/tilt.h"

#include <algorithm>
#include <cmath>

#include "app/loop.h"
#include "physics/ball.h"
#include "physics/vec2.h"
#include "playfield/playfield.h"

namespace {

constexpr float centroidFactor = 0.3333f;
constexpr double areaWeight = 0.001;
constexpr double ballWeight = 2.0;
constexpr double angleRate = 0.0001;       // per ms per unit of angular velocity
constexpr double angularDamping = 0.9;     // once per step, whatever dt is
constexpr double momentRate = 0.00001;     // per ms per unit of moment

constexpr double intMin = -2147483648.0;
constexpr double intMax = 2147483647.0;

// The whole number a value truncates to, as the int it would be stored in.
// Beyond the int range the value is clamped to it; NaN gives 0. (A plain
// conversion would be undefined there.)
double truncatedWhole(double v)
{
    if (std::isnan(v)) return 0.0;
    const double w = std::trunc(v);
    if (w < intMin) return intMin;
    if (w > intMax) return intMax;
    return w;
}

// Truncates a ball coordinate to a whole number. A value that does not fit
// an int (or is NaN) is no screen coordinate at all: false.
bool truncatedCoordinate(float v, long long& out)
{
    if (!(v > intMin - 1.0 && v < intMax + 1.0)) return false;
    out = static_cast<long long>(static_cast<int>(v));
    return true;
}

bool onScreen(Vec2 position)
{
    long long ix = 0, iy = 0;
    if (!truncatedCoordinate(position.x, ix) || !truncatedCoordinate(position.y, iy)) return false;
    const long long x0 = screenRect.x, x1 = static_cast<long long>(screenRect.x) + screenRect.w;
    const long long y0 = screenRect.y, y1 = static_cast<long long>(screenRect.y) + screenRect.h;
    const bool inX = ix >= std::min(x0, x1) && ix <= std::max(x0, x1);
    const bool inY = iy >= std::min(y0, y1) && iy <= std::max(y0, y1);
    return inX && inY;
}

inline Vec2 rotatedPosition(const gpc_vertex& v)
{
    return Vec2(v.rx, v.ry);
}

float playfieldMoment(float moment)
{
    for (int s = 0; s < levelStrips.num_strips; ++s) {
        const gpc_vertex_list& strip = levelStrips.strip[s];
        if (!strip.vertex) continue;
        for (int j = 2; j < strip.num_vertices; j += 3) {
            const Vec2 a = rotatedPosition(strip.vertex[j - 2]);
            const Vec2 b = rotatedPosition(strip.vertex[j - 1]);
            const Vec2 c = rotatedPosition(strip.vertex[j]);
            const Vec2 e1 = b - a;
            const Vec2 e2 = c - a;
            const double measure = double(e2.x) * double(e1.y) + double(e2.y) * double(e1.x);
            const float area = static_cast<float>(std::fabs(truncatedWhole(measure)) * 0.5);
            const Vec2 centroid = ((a + b) + c) * centroidFactor;
            const float lever = static_cast<float>((double(centroid.x) - double(pivot.x)) * double(area));
            const float contribution = static_cast<float>(double(lever) * areaWeight);
            moment = static_cast<float>(double(moment) + double(contribution));
        }
    }
    return moment;
}

// Balls on the screen that touched the outline in the previous step.
float ballMoment(float moment)
{
    for (int i = 0; i < ballCount; ++i) {
        const Ball& ball = balls[i];
        if (!onScreen(ball.position) || !(ball.contactDistance < ballRadius)) continue;
        moment = static_cast<float>(double(moment) + (double(ball.position.x) - double(pivot.x)) * ballWeight);
    }
    return moment;
}

} // namespace

void updateTilt(float dt)
{
    float moment = 0.0f;
    moment = playfieldMoment(moment);
    if (balls) moment = ballMoment(moment);

    const double oldAngularVelocity = angularVelocity;
    angle = static_cast<float>(double(angle) + double(dt) * oldAngularVelocity * angleRate);
    angularVelocity = static_cast<float>(oldAngularVelocity * angularDamping - double(moment) * double(dt) * momentRate);
    rotatePlayfield();
}
