// Stamping: a 12-gon (the circle) or an axis-parallel 4-gon (the square) at
// the pointer, united with the level while the left button is down and cut
// out of it otherwise. In the editor the left button also picks up and puts
// down balls, and space adds a mirrored stamp.

// g++ 12's straight-line vectoriser drops the rounding of a pair of values
// narrowed to float and widened back (float(a), float(b) kept as doubles);
// the stamp's float sine and float offsets depend on that rounding.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-tree-slp-vectorize")
#endif
#include "playfield/stamp.h"

#include <cmath>
#include <cstdlib>

#include "app/input.h"
#include "app/loop.h"
#include "clip/gpc.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/playfield.h"
#include "playfield/undo.h"

namespace {

constexpr int circleVertices = 12;
constexpr int squareVertices = 4;
constexpr int refusalMs = 500;

bool within(Vec2 a, Vec2 b, double distance)
{
    return vecLength(a - b) < distance;
}

// Marks the stamp refused for every ball closer than shapeSize + r to point.
bool refusedAt(Vec2 point)
{
    const double reach = double(shapeSize) + double(ballRadius);
    bool refused = false;
    for (int i = 0; i < ballCount; ++i) {
        if (within(balls[i].position, point, reach)) {
            stampBlockedMs = refusalMs;
            refused = true;
        }
    }
    return refused;
}

// Editor only: puts the carried ball down or picks up the ball under the
// pointer (the highest index of those in reach). True when it acted.
bool pickOrDrop()
{
    if (selectedBall != -1) {
        noteBallPutDown();
        selectedBall = -1;
        mouseLeft = false;
        return true;
    }
    bool picked = false;
    for (int i = 0; i < ballCount; ++i) {
        if (within(balls[i].position, mousePos, ballRadius)) {
            selectedBall = i;
            picked = true;
        }
    }
    if (picked) {
        noteBallPickedUp(selectedBall);
        mouseLeft = false;
    }
    return picked;
}

}  // namespace

Vec2 mirrorPoint()
{
    const int half = screenWidth / 2;
    // Pointer positions are whole pixels of a 16-bit range; anything beyond
    // int's range is held inside it so the truncation stays defined.
    double offset = double(half) - double(mousePos.x);
    if (!(offset > -1.0e9)) offset = -1.0e9;
    if (!(offset < 1.0e9)) offset = 1.0e9;
    return Vec2(double(half + static_cast<int>(offset)), double(mousePos.y));
}

void mouseAction()
{
    const bool inEditor = gameState == Editor;
    if (inEditor && mouseLeft && pickOrDrop()) return;

    const bool mirrored = inEditor && keySpace;
    const Vec2 mirror = mirrorPoint();

    bool allowed = true;
    if (mouseLeft) {
        if (refusedAt(mousePos)) allowed = false;
        if (mirrored && refusedAt(mirror)) allowed = false;
    }

    // In the editor a stamp and its mirror image are one step of the undo history.
    if (inEditor) beginLevelChange();
    stampShape(allowed, mousePos.x, mousePos.y);
    if (mirrored) stampShape(allowed, mirror.x, mirror.y);
    if (inEditor) commitLevelChange();

    if (allowed) mouseLeft = mouseRight = false;
}

void stampShape(bool allowed, float x, float y)
{
    if (!allowed) return;
    if (!std::isfinite(x) || !std::isfinite(y)) return;

    const int n = shapeType == Square ? squareVertices : circleVertices;

    // Undo the playfield's rotation so that the stamp lands under the
    // pointer on the tilted playfield.
    const double s = static_cast<float>(std::sin(-double(angle)));
    const double c = std::cos(-double(angle));
    const double dx = double(x) - double(pivot.x);
    const double dy = double(y) - double(pivot.y);
    const float ox = static_cast<float>(dx * c + dy * s);
    const float oy = static_cast<float>(dy * c - dx * s);

    gpc_polygon stamp;
    stamp.num_contours = 1;
    stamp.hole = static_cast<int*>(std::malloc(sizeof(int)));
    stamp.contour = static_cast<gpc_vertex_list*>(std::malloc(sizeof(gpc_vertex_list)));
    gpc_vertex* vertices = static_cast<gpc_vertex*>(std::malloc(sizeof(gpc_vertex) * n));
    if (!stamp.hole || !stamp.contour || !vertices) {
        std::free(stamp.hole);
        std::free(stamp.contour);
        std::free(vertices);
        return;
    }
    stamp.hole[0] = 1;
    stamp.contour[0].num_vertices = n;
    stamp.contour[0].vertex = vertices;
    for (int i = 0; i < n; ++i) {
        const Vec2 v = polygonVertex(i, float(n));
        vertices[i].x = double(pivot.x) + double(v.x) + double(ox);
        vertices[i].y = double(pivot.y) + double(v.y) + double(oy);
        vertices[i].rx = vertices[i].x;
        vertices[i].ry = vertices[i].y;
    }

    const gpc_op operation = mouseLeft ? GPC_UNION : GPC_DIFF;
    gpc_polygon result{0, nullptr, nullptr};
    gpc_polygon_clip(operation, &levelPolygon, &stamp, &result);
    gpc_free_polygon(&stamp);
    dropSlivers(result);
    replaceLevelPolygon(result);   // old polygon and strips released, strips rebuilt, rotated
}

int dropSlivers(gpc_polygon& polygon)
{
    int kept = 0;
    for (int c = 0; c < polygon.num_contours; ++c) {
        gpc_vertex_list& contour = polygon.contour[c];
        const double area = std::fabs(gpc_contour_area(&contour));
        double perimeter = 0.0;
        for (int v = 0; v < contour.num_vertices; ++v) {
            const gpc_vertex& a = contour.vertex[v];
            const gpc_vertex& b = contour.vertex[(v + 1) % contour.num_vertices];
            perimeter += std::hypot(b.x - a.x, b.y - a.y);
        }
        if (area < sliverArea || 2.0 * area < sliverWidth * perimeter) {
            std::free(contour.vertex);
            continue;
        }
        polygon.hole[kept] = polygon.hole[c];
        polygon.contour[kept++] = contour;
    }
    const int dropped = polygon.num_contours - kept;
    polygon.num_contours = kept;
    return dropped;
}
