// The fixed simulation step. Its order matters and is kept exactly:
//   1. nothing happens outside Playing;
//   2. positions advance by velocity * dt * 0.005 (velocity is pixels per 200 ms);
//   3. the playfield tilts (tilt.cpp) and its outline is rotated to the new angle;
//   4. every ball finds its nearest point on the rotated outline;
//   5. overlapping balls are separated and exchange their velocity along
//      the line of centres;
//   6. if the level has any contour: contacts bounce, gravity and damping.
//
// Values are kept as floats; each expression is evaluated in double and
// rounded when it is stored (Vec2's operators do exactly that).
//
// The step allocates nothing: the outline pass keeps its per-ball results in
// small arrays on the stack.
#include "physics/simulation.h"

#include <cmath>
#include <limits>

#include "game/state.h"
#include "physics/ball.h"
#include "physics/tilt.h"
#include "playfield/playfield.h"

namespace {

constexpr float positionScale = 0.005f;   // position += velocity * dt * 0.005
constexpr float midpointFactor = 0.5f;
constexpr float velocityDamping = 0.99f;  // once per step, whatever dt is
const Vec2 gravityDirection(0.0, 1.0);    // down the screen

// One outline edge with the values closestPointOnSegment derives from the
// edge alone, so that the outline pass computes them once per edge rather
// than once per ball and edge.
struct Segment {
    Vec2 a;
    Vec2 b;
    Vec2 e;           // b - a
    double lenSq;     // len * len, len the length of a - b stored as a float
    double belowZero; // a dot product below this certainly gives t < 0
    double aboveOne;  // a dot product above this certainly gives t > 1
};

Segment makeSegment(Vec2 a, Vec2 b)
{
    Segment s;
    s.a = a;
    s.b = b;
    s.e = b - a;
    const float len = static_cast<float>(vecLength(a - b));
    s.lenSq = double(len) * double(len);
    // t is the dot product divided by lenSq, rounded to a float. A quotient
    // below -2^-100 stays negative as a float, one above 1 + 2^-21 stays
    // above 1. Far from these bounds the division can be skipped without
    // changing the outcome; a zero, infinite or NaN lenSq makes both
    // comparisons false, so such edges always take the division.
    s.belowZero = -s.lenSq * 0x1p-100;
    s.aboveOne = s.lenSq * (1.0 + 0x1p-20);
    return s;
}

// The nearest point q of the segment to p. Returns true when q lies within
// the segment (t in [0, 1]), false for an end point; a zero-length segment
// gives NaN for t and therefore its end point.
inline bool nearestOnSegment(const Segment& s, Vec2 p, Vec2& q)
{
    const double dot = (double(p.x) - double(s.a.x)) * double(s.e.x)
                     + (double(p.y) - double(s.a.y)) * double(s.e.y);
    if (dot < s.belowZero) {
        q = s.a;
        return false;
    }
    if (dot > s.aboveOne) {
        q = s.b;
        return false;
    }
    const float t = static_cast<float>(dot / s.lenSq);
    if (t < 0.0f) {
        q = s.a;
        return false;
    }
    if (t <= 1.0f) {
        q = Vec2(double(s.e.x) * double(t) + double(s.a.x), double(s.e.y) * double(t) + double(s.a.y));
        return true;
    }
    q = s.b;
    return false;
}

inline double squaredLength(Vec2 v)
{
    return double(v.x) * double(v.x) + double(v.y) * double(v.y);
}

inline Vec2 rotatedPosition(const gpc_vertex& v)
{
    return Vec2(v.rx, v.ry);
}

void integratePositions(float dt)
{
    for (int i = 0; i < ballCount; ++i) balls[i].position += (balls[i].velocity * dt) * positionScale;
}

// Nearest outline point of every ball over every edge of every contour,
// holes included. Of equally near edges the first one met wins.
//
// Per ball the pass keeps, beside the stored float distance, the squared
// distance of its current nearest point in double. The stored distance is the
// rounded square root of that value, and both the root and the rounding are
// monotonic, so an edge whose squared distance is not smaller cannot give a
// smaller distance and needs no square root.
void outlinePass()
{
    Vec2 position[ballCount];
    float distance[ballCount];
    double distanceSq[ballCount];
    Vec2 point[ballCount];
    Vec2 normal[ballCount];
    for (int i = 0; i < ballCount; ++i) {
        position[i] = balls[i].position;
        distance[i] = noContactDistance;
        distanceSq[i] = std::numeric_limits<double>::infinity();
        point[i] = balls[i].contactPoint;
        normal[i] = balls[i].normal;
    }

    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        const gpc_vertex_list& contour = levelPolygon.contour[c];
        const int n = contour.num_vertices;
        if (n <= 0 || !contour.vertex) continue;
        Vec2 first = rotatedPosition(contour.vertex[0]);
        Vec2 a = first;
        for (int j = 0; j < n; ++j) {
            const Vec2 b = (j + 1 < n) ? rotatedPosition(contour.vertex[j + 1]) : first;
            const Segment s = makeSegment(a, b);
            for (int i = 0; i < ballCount; ++i) {
                Vec2 q;
                const bool interior = nearestOnSegment(s, position[i], q);
                const Vec2 offset = position[i] - q;
                const double dSq = squaredLength(offset);
                if (!(dSq < distanceSq[i])) continue;
                const float d = static_cast<float>(std::sqrt(dSq));
                if (!(d < distance[i])) continue;
                distance[i] = d;
                distanceSq[i] = dSq;
                point[i] = q;
                Vec2 nrm = interior ? Vec2(-double(s.e.y), double(s.e.x)) : offset;
                normalise(nrm);
                normal[i] = nrm;
            }
            a = b;
        }
    }

    for (int i = 0; i < ballCount; ++i) {
        balls[i].contactDistance = distance[i];
        balls[i].contactPoint = point[i];
        balls[i].normal = normal[i];
    }
}

// The white ball (0) is only ever the first ball of a pair; each pair of red
// balls is visited twice, once in each order.
void separateBallPairs()
{
    const double contactSpan = 2.0 * double(ballRadius);
    for (int i = 0; i < ballCount; ++i) {
        for (int k = 1; k < ballCount; ++k) {
            if (k == i) continue;
            Ball& first = balls[i];
            Ball& second = balls[k];
            const Vec2 d = second.position - first.position;
            if (!(vecLength(d) < contactSpan)) continue;
            const Vec2 mid = (second.position + first.position) * midpointFactor;
            Vec2 u = d;
            normalise(u);
            const Vec2 rv = first.velocity - second.velocity;
            const float s = static_cast<float>(vecDot(rv, u));
            const Vec2 j = s * u;
            first.velocity = (rv - j) + second.velocity;
            second.velocity = j + second.velocity;
            first.position = mid - u * ballRadius;
            second.position = mid + u * ballRadius;
        }
    }
}

void respondToContacts(float dt)
{
    for (int i = 0; i < ballCount; ++i) {
        Ball& ball = balls[i];
        ball.tangent = Vec2(-double(ball.normal.y), double(ball.normal.x));
        if (ball.contactDistance <= ballRadius) {
            const Vec2 v = ball.velocity;
            ball.velocity = static_cast<float>(vecDot(v, ball.tangent)) * ball.tangent;
            ball.velocity += (static_cast<float>(vecDot(v, ball.normal)) * ball.normal) * -restitution;
            ball.position += ball.normal * static_cast<float>(double(ballRadius) - double(ball.contactDistance));
        }
        ball.velocity += (gravityDirection * gravity) * dt;
        ball.velocity *= velocityDamping;
    }
}

} // namespace

bool closestPointOnSegment(Vec2 p, Vec2 a, Vec2 b, Vec2& point, float& distance)
{
    const Segment s = makeSegment(a, b);
    const bool interior = nearestOnSegment(s, p, point);
    distance = static_cast<float>(vecLength(p - point));
    return interior;
}

void physicsStep(int dt)
{
    if (gameState != Playing || !balls) return;
    const float fdt = static_cast<float>(dt);

    integratePositions(fdt);
    updateTilt(fdt);
    outlinePass();
    separateBallPairs();
    if (levelPolygon.num_contours >= 1) respondToContacts(fdt);
}
