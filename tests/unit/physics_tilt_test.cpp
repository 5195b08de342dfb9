// The tilt: the weight of the strips' triangles and of the resting balls,
// and how the moment moves the angular velocity and the angle.
#include <cmath>
#include <limits>
#include <numbers>

#include "physics_world.h"

using namespace physics_test;

namespace {

// From rest, one update gives angularVelocity = -moment * dt * 0.00001.
double momentOfOneUpdate()
{
    angle = 0.0f;
    angularVelocity = 0.0f;
    updateTilt(20.0f);
    return -double(angularVelocity) / (20.0 * 0.00001);
}

} // namespace

// ---------------------------------------------------------------------------
// The playfield's own weight

class PlayfieldWeight : public PhysicsWorld {
protected:
    // The area measure the tilt gives one triangle, read back from the moment
    // it causes. The triangle is moved 1000 pixels right so that its lever
    // about the pivot is long; its centroid is the corner sum times 0.3333.
    double areaMeasure(Point a, Point b, Point c)
    {
        freePlayfield();
        const double shift = 1000.0;
        addStrip({{a.first + shift, a.second}, {b.first + shift, b.second}, {c.first + shift, c.second}});
        const double lever = double((a.first + b.first + c.first + 3 * shift) * 0.3333f) - pivot.x;
        return momentOfOneUpdate() / (lever * 0.001);
    }
};

TEST_F(PlayfieldWeight, TriangleMeasureIsTheHalvedSumOfTheCrossedProducts)
{
    EXPECT_NEAR(areaMeasure({0, 0}, {10, 0}, {0, 10}), 50.0, 1e-3);
    EXPECT_NEAR(areaMeasure({0, 0}, {10, 10}, {10, 0}), 50.0, 1e-3);
    // e1 = (10, 10), e2 = (10, 20): 10 * 10 + 20 * 10 = 300, three times the
    // geometric area.
    EXPECT_NEAR(areaMeasure({0, 0}, {10, 10}, {10, 20}), 150.0, 1e-3);
    // A negative sum weighs as its absolute value.
    EXPECT_NEAR(areaMeasure({0, 0}, {10, -10}, {10, 0}), 50.0, 1e-3);
}

TEST_F(PlayfieldWeight, MeasureIsTruncatedTowardZeroBeforeHalving)
{
    // 300.9 truncates to 300, and -300.9 to -300 (not -301).
    EXPECT_NEAR(areaMeasure({0, 0}, {10, 10}, {10, 20.09}), 150.0, 1e-3);
    EXPECT_NEAR(areaMeasure({0, 0}, {10, -10}, {10, -20.09}), 150.0, 1e-3);
    EXPECT_NEAR(areaMeasure({0, 0}, {10, 10}, {10, 20.25}), 151.0, 1e-3);
}

TEST_F(PlayfieldWeight, SliversWeighNothing)
{
    // Sums of 0.5 and -0.5 truncate to 0.
    addStrip({{1000, 0}, {1010, 0}, {1020, 0.05}});
    addStrip({{1000, 0}, {1010, 0}, {1020, -0.05}});
    EXPECT_EQ(momentOfOneUpdate(), 0.0);
}

TEST_F(PlayfieldWeight, StripsGiveOnlyTheirDisjointTriples)
{
    const Point a{1000, 0}, b{1010, 0}, c{1000, 10}, d{1200, 300}, e{1300, 50}, f{1250, 400};

    addStrip({a, b, c});
    const double first = momentOfOneUpdate();
    ASSERT_GT(first, 0.0);

    // The fourth and fifth vertices would form the large triangles (1, 2, 3)
    // and (2, 3, 4), which do not count.
    freePlayfield();
    addStrip({a, b, c, d});
    EXPECT_EQ(momentOfOneUpdate(), first);
    freePlayfield();
    addStrip({a, b, c, d, e});
    EXPECT_EQ(momentOfOneUpdate(), first);

    // Six vertices: (0, 1, 2) and (3, 4, 5), exactly as two strips of three.
    freePlayfield();
    addStrip({a, b, c});
    addStrip({d, e, f});
    const double twoTriangles = momentOfOneUpdate();
    ASSERT_GT(twoTriangles, first);
    freePlayfield();
    addStrip({a, b, c, d, e, f});
    EXPECT_EQ(momentOfOneUpdate(), twoTriangles);
}

TEST_F(PlayfieldWeight, RectangleLevelWeighsItsFirstTriangleOnly)
{
    // A rectangle is one column: one strip (100,400) (900,400) (100,500)
    // (900,500), of which only the first triangle weighs. Built through the
    // strips the game makes, not by hand.
    gpc_vertex corners[4] = {{100, 400, 0, 0}, {900, 400, 0, 0}, {900, 500, 0, 0}, {100, 500, 0, 0}};
    gpc_vertex_list outline{4, corners};
    gpc_polygon level{0, nullptr, nullptr};
    gpc_add_contour(&level, &outline, 0);
    replaceLevelPolygon(level);
    const double whole = momentOfOneUpdate();
    freePlayfield();
    addStrip({{100, 400}, {900, 400}, {100, 500}});
    EXPECT_EQ(whole, momentOfOneUpdate());
    // e1 = (800, 0), e2 = (0, 100): measure 40000; centroid x 1100 * 0.3333.
    EXPECT_NEAR(whole, (double(1100 * 0.3333f) - 512.0) * 40000.0 * 0.001, 0.05);
}

TEST_F(PlayfieldWeight, StripsWithFewerThanThreeVerticesWeighNothing)
{
    addStrip({});
    addStrip({{1000, 0}});
    addStrip({{1000, 0}, {1500, 700}});
    EXPECT_EQ(momentOfOneUpdate(), 0.0);
}

TEST_F(PlayfieldWeight, WeightActsWhereTheTriangleIsOnTheScreen)
{
    // Right of the pivot the triangle pulls the angle down; turned half
    // round it hangs left of the pivot and pulls the other way.
    addStrip({{700, 384}, {800, 384}, {700, 484}});
    EXPECT_GT(momentOfOneUpdate(), 0.0);

    angle = static_cast<float>(std::numbers::pi);
    angularVelocity = 0.0f;
    rotatePlayfield();
    updateTilt(20.0f);
    EXPECT_GT(angularVelocity, 0.0f);
}

// ---------------------------------------------------------------------------
// The balls' weight

using BallWeight = PhysicsWorld;

TEST_F(BallWeight, TouchingBallsWeighTwoAtTheirLever)
{
    balls[0].position = Vec2(612, 384);
    balls[0].contactDistance = 10.0f;
    EXPECT_NEAR(momentOfOneUpdate(), 200.0, 1e-3);

    // Balls on either side add up; the white ball counts like a red one.
    balls[4].position = Vec2(462, 600);
    balls[4].contactDistance = 19.9f;
    EXPECT_NEAR(momentOfOneUpdate(), 200.0 - 100.0, 1e-3);
}

TEST_F(BallWeight, OnlyContactStrictlyWithinOneRadiusCounts)
{
    balls[2].position = Vec2(612, 384);
    balls[2].contactDistance = 20.0f;
    EXPECT_EQ(momentOfOneUpdate(), 0.0);
    balls[2].contactDistance = noContactDistance;
    EXPECT_EQ(momentOfOneUpdate(), 0.0);
    balls[2].contactDistance = 19.9f;
    EXPECT_NEAR(momentOfOneUpdate(), 200.0, 1e-3);
}

TEST_F(BallWeight, OnlyBallsWhoseTruncatedCentreIsOnTheScreenCount)
{
    balls[1].contactDistance = 5.0f;
    struct Case {
        float x, y;
        bool counts;
    };
    const Case cases[] = {
        {-0.5f, 300, true},      // truncates to 0
        {-1.0f, 300, false},
        {1024.9f, 300, true},    // truncates to 1024: bounds included
        {1025.0f, 300, false},
        {300, -0.99f, true},
        {300, -1.0f, false},
        {300, 768.99f, true},
        {300, 769.0f, false},
        // Far beyond any whole number the screen could hold.
        {3e9f, 300, false},
        {-3e9f, 300, false},
        {1e30f, 1e30f, false},
        {std::numeric_limits<float>::infinity(), 300, false},
        {300, -std::numeric_limits<float>::infinity(), false},
        {std::numeric_limits<float>::quiet_NaN(), 300, false},
        {300, std::numeric_limits<float>::quiet_NaN(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        balls[1].position = Vec2(c.x, c.y);
        const double moment = momentOfOneUpdate();
        if (c.counts) {
            EXPECT_NEAR(moment, (double(c.x) - 512.0) * 2.0, 1e-2);
        } else {
            EXPECT_EQ(moment, 0.0);
        }
    }
}

TEST_F(BallWeight, ScreenRangeHoldsForARectangleGivenFromItsFarCorner)
{
    screenRect = {1024, 768, -1024, -768};
    balls[1].contactDistance = 5.0f;
    balls[1].position = Vec2(-0.5f, 768.5f);
    EXPECT_NEAR(momentOfOneUpdate(), -1025.0, 1e-2);
    balls[1].position = Vec2(1025.0f, 300);
    EXPECT_EQ(momentOfOneUpdate(), 0.0);
}

// ---------------------------------------------------------------------------
// Angle and angular velocity

using TiltMotion = PhysicsWorld;

TEST_F(TiltMotion, HeldMomentDrivesAngularVelocityToItsFixedPoint)
{
    // One resting ball 100 pixels right of the pivot, no strips: M = 200.
    balls[0].position = Vec2(612, 384);
    balls[0].contactDistance = 10.0f;

    for (int s = 0; s < 200; ++s) updateTilt(20.0f);
    EXPECT_NEAR(angularVelocity, -0.4f, 1e-5);
    for (int s = 0; s < 5; ++s) {
        const float before = angle;
        updateTilt(20.0f);
        EXPECT_NEAR(double(angle) - double(before), -0.0008, 1e-6);
    }
}

TEST_F(TiltMotion, WithoutWeightTheTurnDiesAway)
{
    angularVelocity = 1.0f;
    updateTilt(20.0f);
    // The angle moved by the old angular velocity, which then shrank.
    EXPECT_FLOAT_EQ(angle, 0.002f);
    EXPECT_FLOAT_EQ(angularVelocity, 0.9f);
    updateTilt(20.0f);
    EXPECT_FLOAT_EQ(angle, 0.0038f);
    EXPECT_FLOAT_EQ(angularVelocity, 0.81f);

    for (int s = 0; s < 300; ++s) updateTilt(20.0f);
    EXPECT_NEAR(angle, 0.02f, 1e-6);
    EXPECT_LT(std::fabs(angularVelocity), 1e-12f);
}

TEST_F(TiltMotion, GeometryIsRotatedToTheNewAngle)
{
    addContour({{612, 384}, {512, 484}, {412, 384}});
    addStrip({{612, 384}, {512, 484}, {412, 384}});
    // One update turns the playfield a quarter turn counter-clockwise.
    angularVelocity = static_cast<float>(std::numbers::pi / 2 / 0.002);
    updateTilt(20.0f);
    EXPECT_NEAR(angle, std::numbers::pi / 2, 1e-6);

    const gpc_vertex& right = levelPolygon.contour[0].vertex[0];
    EXPECT_NEAR(right.rx, 512.0, 1e-3);
    EXPECT_NEAR(right.ry, 284.0, 1e-3);
    const gpc_vertex& stripBottom = levelStrips.strip[0].vertex[1];
    EXPECT_NEAR(stripBottom.rx, 612.0, 1e-3);
    EXPECT_NEAR(stripBottom.ry, 384.0, 1e-3);
    // The level positions are untouched.
    EXPECT_EQ(right.x, 612.0);
    EXPECT_EQ(right.y, 384.0);
}
