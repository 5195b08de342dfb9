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
// small arrays on the stack. It is the costly part (seven balls times every
// outline edge) and is written to do as little as possible per ball and
// edge while giving exactly the results of the plain edge-by-edge search.
#include "physics/simulation.h"

#include <algorithm>
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
//
// t is the dot product of p - a and e divided by len * len, rounded to a
// float, where len is the length of a - b rounded to a float. Far from 0 and
// 1 the sign of the comparison is already certain from the dot product and
// the edge's squared length: len * len lies within a factor 1 +- 2^-22 of
// it, so a dot product above (1 + 2^-18) times it gives t > 1 even after
// rounding, and one below -2^-100 times it gives t < 0. Only near the ends
// (and for zero-length, infinite or NaN edges, where both comparisons fail)
// is the division done, with len computed when first needed.
struct Segment {
    Vec2 a;
    Vec2 b;
    Vec2 e;                 // b - a
    double squaredLength;   // of e, in double
    double belowZero;       // a dot product below this certainly gives t < 0
    double aboveOne;        // a dot product above this certainly gives t > 1
    mutable double lenSq = 0.0;
    mutable bool lenSqKnown = false;

    double lengthSquaredAsStored() const
    {
        if (!lenSqKnown) {
            const float len = static_cast<float>(std::sqrt(squaredLength));
            lenSq = double(len) * double(len);
            lenSqKnown = true;
        }
        return lenSq;
    }
};

Segment makeSegment(Vec2 a, Vec2 b)
{
    Segment s;
    s.a = a;
    s.b = b;
    s.e = b - a;
    // The same value as the squared length of a - b: negating a float
    // difference is exact.
    s.squaredLength = double(s.e.x) * double(s.e.x) + double(s.e.y) * double(s.e.y);
    s.belowZero = -s.squaredLength * 0x1p-100;
    s.aboveOne = s.squaredLength * (1.0 + 0x1p-18);
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
    const float t = static_cast<float>(dot / s.lengthSquaredAsStored());
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

// What the outline pass knows about one ball's nearest outline point.
//
// The stored distance is a float, the rounded square root of the squared
// distance, and of points at the same float distance the first one met wins.
// Square roots are kept out of the loop over the edges:
// - the root and its rounding are monotonic, so a squared distance not below
//   the smallest one met so far (bestSq) can neither be nearer nor tie;
// - a squared distance below (1 - 2^-19) times the current point's is nearer
//   by several float steps once rooted and rounded, wherever the float
//   spacing is relative (distances above 1e-35);
// - only in between, a near tie, are both float distances computed and
//   compared.
// The virtual start point at noContactDistance (whose square is exact in
// double) stands for "nothing found yet".
struct NearestPoint {
    double bestSq;
    double pointSq;
    double clearlyNearerSq;
    float pointDistance;
    bool distanceKnown;
    bool found;
    double reachCache;    // sqrt(bestSq), while reachKnown
    bool reachKnown;
    Vec2 point;
    Vec2 rawNormal;   // normalised once, at the end

    static constexpr double clearMargin = 1.0 - 0x1p-19;
    static constexpr double tinySq = 1e-70;

    void reset()
    {
        bestSq = std::numeric_limits<double>::infinity();
        pointSq = double(noContactDistance) * double(noContactDistance);
        clearlyNearerSq = pointSq * clearMargin;
        pointDistance = noContactDistance;
        distanceKnown = true;
        found = false;
        reachKnown = false;
    }

    // A candidate at squared distance dSq; true when it is the new nearest.
    bool nearer(double dSq)
    {
        if (!(dSq < bestSq)) return false;
        bestSq = dSq;
        reachKnown = false;
        if (dSq < clearlyNearerSq) return true;
        if (!distanceKnown) {
            pointDistance = static_cast<float>(std::sqrt(pointSq));
            distanceKnown = true;
        }
        return static_cast<float>(std::sqrt(dSq)) < pointDistance;
    }

    void take(double dSq, Vec2 q, Vec2 normal)
    {
        pointSq = dSq;
        clearlyNearerSq = dSq >= tinySq ? dSq * clearMargin : 0.0;
        distanceKnown = false;
        found = true;
        point = q;
        rawNormal = normal;
    }

    float distance() const
    {
        return distanceKnown ? pointDistance : static_cast<float>(std::sqrt(pointSq));
    }

    // The distance within which a point could still be nearer.
    double reach()
    {
        if (!reachKnown) {
            reachCache = std::sqrt(bestSq);
            reachKnown = true;
        }
        return reachCache;
    }
};

// The outline pass takes the edges of a contour in runs of chunkEdges and
// boxes each run's vertices first. A ball that is clearly farther from the
// box than the nearest point it has met skips the run: no edge of it could
// change its result.
//
// "Clearly" allows for rounding. A point found on an edge lies in the box up
// to a few float steps of the largest coordinate involved (the edge vector
// and the point are rounded to floats), and the offset from the ball is
// rounded once more; a margin of 2^-20 of that coordinate covers all of it
// many times over, and the factor 1 + 2^-40 the rounding of the comparison.
constexpr int chunkEdges = 16;

struct Box {
    double minX, maxX, minY, maxY;
    double magnitude;   // largest absolute coordinate
};

Box boxAround(const Vec2* corners, int count)
{
    Box box{corners[0].x, corners[0].x, corners[0].y, corners[0].y, 0.0};
    for (int k = 1; k < count; ++k) {
        box.minX = std::min(box.minX, double(corners[k].x));
        box.maxX = std::max(box.maxX, double(corners[k].x));
        box.minY = std::min(box.minY, double(corners[k].y));
        box.maxY = std::max(box.maxY, double(corners[k].y));
    }
    box.magnitude = std::max(std::max(std::fabs(box.minX), std::fabs(box.maxX)),
                             std::max(std::fabs(box.minY), std::fabs(box.maxY)));
    return box;
}

bool outOfReach(const Box& box, Vec2 p, NearestPoint& nearest)
{
    const double px = p.x, py = p.y;
    double dx = 0.0, dy = 0.0;
    if (box.minX - px > dx) dx = box.minX - px;
    if (px - box.maxX > dx) dx = px - box.maxX;
    if (box.minY - py > dy) dy = box.minY - py;
    if (py - box.maxY > dy) dy = py - box.maxY;
    const double magnitude = std::max(box.magnitude, std::max(std::fabs(px), std::fabs(py)));
    const double margin = magnitude * 0x1p-20 + 1e-30;
    const double limit = (nearest.reach() + margin) * (1.0 + 0x1p-40);
    // NaN anywhere makes this false: the run is then searched edge by edge.
    return dx * dx + dy * dy > limit * limit;
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
void outlinePass()
{
    Vec2 position[ballCount];
    NearestPoint nearest[ballCount];
    for (int i = 0; i < ballCount; ++i) {
        position[i] = balls[i].position;
        nearest[i].reset();
    }

    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        const gpc_vertex_list& contour = levelPolygon.contour[c];
        const int n = contour.num_vertices;
        if (n <= 0 || !contour.vertex) continue;
        for (int j0 = 0; j0 < n; j0 += chunkEdges) {
            // Edge j runs from vertex j to vertex j + 1, the last one back to vertex 0.
            const int count = std::min(chunkEdges, n - j0);
            Vec2 corner[chunkEdges + 1];
            for (int k = 0; k <= count; ++k) {
                const int j = j0 + k;
                corner[k] = rotatedPosition(contour.vertex[j < n ? j : 0]);
            }
            const Box box = boxAround(corner, count + 1);
            bool active[ballCount];
            bool anyActive = false;
            for (int i = 0; i < ballCount; ++i) {
                active[i] = !outOfReach(box, position[i], nearest[i]);
                anyActive = anyActive || active[i];
            }
            if (!anyActive) continue;

            for (int k = 0; k < count; ++k) {
                const Segment s = makeSegment(corner[k], corner[k + 1]);
                for (int i = 0; i < ballCount; ++i) {
                    if (!active[i]) continue;
                    Vec2 q;
                    const bool interior = nearestOnSegment(s, position[i], q);
                    const Vec2 offset = position[i] - q;
                    const double dSq = squaredLength(offset);
                    if (!nearest[i].nearer(dSq)) continue;
                    nearest[i].take(dSq, q, interior ? Vec2(-double(s.e.y), double(s.e.x)) : offset);
                }
            }
        }
    }

    for (int i = 0; i < ballCount; ++i) {
        Ball& ball = balls[i];
        ball.contactDistance = noContactDistance;
        if (!nearest[i].found) continue;
        ball.contactDistance = nearest[i].distance();
        ball.contactPoint = nearest[i].point;
        Vec2 normal = nearest[i].rawNormal;
        normalise(normal);
        ball.normal = normal;
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
