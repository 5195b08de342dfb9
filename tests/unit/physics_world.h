// A small world for the physics tests: the screen, the seven balls parked far
// off the screen and apart from each other, an empty playfield, the pivot at
// the screen centre, and the game in Playing. Levels are built by hand with
// malloc'd arrays, so the clipping layer plays no part in these tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <utility>

#include "app/loop.h"
#include "game/state.h"
#include "physics/ball.h"
#include "physics/simulation.h"
#include "physics/tilt.h"
#include "playfield/playfield.h"

namespace physics_test {

using Point = std::pair<double, double>;

inline gpc_vertex_list makeVertexList(std::initializer_list<Point> points)
{
    gpc_vertex_list list;
    list.num_vertices = static_cast<int>(points.size());
    list.vertex = static_cast<gpc_vertex*>(std::malloc(sizeof(gpc_vertex) * (points.size() ? points.size() : 1)));
    int j = 0;
    for (const Point& p : points) {
        // Upright until the next rotation: the rotated position is the level position.
        list.vertex[j++] = gpc_vertex{p.first, p.second, p.first, p.second};
    }
    return list;
}

// Appends a contour to the level polygon.
inline void addContour(std::initializer_list<Point> points, int hole = 0)
{
    const int n = levelPolygon.num_contours + 1;
    levelPolygon.contour = static_cast<gpc_vertex_list*>(std::realloc(levelPolygon.contour, sizeof(gpc_vertex_list) * n));
    levelPolygon.hole = static_cast<int*>(std::realloc(levelPolygon.hole, sizeof(int) * n));
    levelPolygon.contour[n - 1] = makeVertexList(points);
    levelPolygon.hole[n - 1] = hole;
    levelPolygon.num_contours = n;
}

// Appends a triangle strip to the level strips.
inline void addStrip(std::initializer_list<Point> points)
{
    const int n = levelStrips.num_strips + 1;
    levelStrips.strip = static_cast<gpc_vertex_list*>(std::realloc(levelStrips.strip, sizeof(gpc_vertex_list) * n));
    levelStrips.strip[n - 1] = makeVertexList(points);
    levelStrips.num_strips = n;
}

// Far below and to the left of the screen, 100 pixels apart: such a ball
// touches nothing, weighs nothing and meets no other ball.
inline Vec2 parkingPlace(int i)
{
    return Vec2(-10000.0 - 100.0 * i, -10000.0);
}

class PhysicsWorld : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedState = gameState;
        savedPivot = pivot;
        savedScreen = screenRect;
        initScreen();
        createBalls();
        freePlayfield();
        pivot = Vec2(512.0, 384.0);
        angle = 0.0f;
        angularVelocity = 0.0f;
        for (int i = 0; i < ballCount; ++i) {
            balls[i] = Ball();
            balls[i].position = parkingPlace(i);
        }
        gameState = Playing;
    }

    void TearDown() override
    {
        freePlayfield();
        angle = 0.0f;
        angularVelocity = 0.0f;
        gameState = savedState;
        pivot = savedPivot;
        screenRect = savedScreen;
    }

    static void steps(int n)
    {
        for (int s = 0; s < n; ++s) physicsStep(simulationStepMs);
    }

private:
    int savedState = Splash;
    Vec2 savedPivot;
    ScreenRect savedScreen{};
};

} // namespace physics_test
