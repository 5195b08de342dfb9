// g++ 12's straight-line vectoriser drops the rounding of a pair of values
// narrowed to float and widened back (float(a), float(b) kept as doubles);
// the rotation's float sine and cosine depend on that rounding.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("no-tree-slp-vectorize")
#endif
#include "playfield/playfield.h"

#include <cmath>

#include "app/loop.h"
#include "physics/ball.h"
#include "playfield/levelfile.h"
#include "playfield/seams.h"

gpc_polygon levelPolygon = {0, nullptr, nullptr};
gpc_tristrip levelStrips = {0, nullptr};
Vec2 pivot;
float angle = 0.0f;
float angularVelocity = 0.0f;
int shapeType = Circle;
float shapeSize = 40.0f;
int stampBlockedMs = 0;
int selectedBall = -1;
unsigned screwTexture = 0;
unsigned mainTexture = 0;

void initPlayfield()
{
    shapeSize = 40.0f;
    shapeType = Circle;
    pivot = Vec2(float(screenRect.w) * 0.5f, float(screenRect.h) * 0.5f);
    createBalls();
    resetPlayfield();
    reloadCurrentLevel();
    screwTexture = textureLoader("data/screw.png");
    mainTexture = textureLoader("data/main.png");
}

void resetPlayfield()
{
    shapeSize = 40.0f;
    shapeType = Circle;
    stampBlockedMs = 0;
    angle = 0.0f;
    angularVelocity = 0.0f;
    rotatePlayfield();
}

namespace {
inline void rotateVertex(gpc_vertex& v, double c, double s, double px, double py)
{
    double dx = v.x - px;
    double dy = v.y - py;
    v.rx = px + dx * c + dy * s;
    v.ry = py - dx * s + dy * c;
}
}

void rotatePlayfield()
{
    const double s = static_cast<float>(std::sin(double(angle)));
    const double c = static_cast<float>(std::cos(double(angle)));
    const double px = pivot.x, py = pivot.y;
    for (int i = 0; i < levelStrips.num_strips; ++i) {
        gpc_vertex_list& strip = levelStrips.strip[i];
        for (int j = 0; j < strip.num_vertices; ++j) rotateVertex(strip.vertex[j], c, s, px, py);
    }
    for (int i = 0; i < levelPolygon.num_contours; ++i) {
        gpc_vertex_list& contour = levelPolygon.contour[i];
        for (int j = 0; j < contour.num_vertices; ++j) rotateVertex(contour.vertex[j], c, s, px, py);
    }
}

void freePlayfield()
{
    gpc_free_polygon(&levelPolygon);
    gpc_free_tristrip(&levelStrips);
}

Vec2 polygonVertex(int i, float n)
{
    const double a = double(i) * double(6.28f) / double(n) - double(0.785f);
    return Vec2(double(shapeSize) * std::sin(a), double(shapeSize) * std::cos(a));
}

void replaceLevelPolygon(gpc_polygon& polygon)
{
    gpc_free_polygon(&levelPolygon);
    levelPolygon = polygon;
    polygon = gpc_polygon{0, nullptr, nullptr};
    gpc_free_tristrip(&levelStrips);
    gpc_polygon_to_tristrip(&levelPolygon, &levelStrips);
    rotatePlayfield();
}
