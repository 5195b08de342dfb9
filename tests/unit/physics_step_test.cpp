// The simulation step: its state gate and order, the outline contacts and
// their bounce, gravity and damping, and the ball-against-ball pass.
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

#include "physics_world.h"

using namespace physics_test;

namespace {

// The rectangle of the resting examples, counter-clockwise on the screen:
// its top edge runs from right to left, so that edge's normal points up.
void addRectangle()
{
    addContour({{900, 400}, {100, 400}, {100, 500}, {900, 500}});
}

// The same rectangle listed the other way round: its normals point inwards.
void addReversedRectangle()
{
    addContour({{900, 500}, {100, 500}, {100, 400}, {900, 400}});
}

} // namespace

// ---------------------------------------------------------------------------
// closestPointOnSegment

TEST(ClosestPointOnSegment, InteriorAndEndPointCases)
{
    const Vec2 a(0, 0), b(10, 0);
    Vec2 q;
    float d = -1.0f;

    EXPECT_TRUE(closestPointOnSegment(Vec2(5, 5), a, b, q, d));
    EXPECT_FLOAT_EQ(q.x, 5.0f);
    EXPECT_FLOAT_EQ(q.y, 0.0f);
    EXPECT_FLOAT_EQ(d, 5.0f);

    EXPECT_FALSE(closestPointOnSegment(Vec2(-3, 4), a, b, q, d));
    EXPECT_EQ(q.x, 0.0f);
    EXPECT_EQ(q.y, 0.0f);
    EXPECT_FLOAT_EQ(d, 5.0f);

    // t = 1 counts as within the segment.
    EXPECT_TRUE(closestPointOnSegment(Vec2(10, 3), a, b, q, d));
    EXPECT_FLOAT_EQ(q.x, 10.0f);
    EXPECT_FLOAT_EQ(q.y, 0.0f);
    EXPECT_FLOAT_EQ(d, 3.0f);

    EXPECT_FALSE(closestPointOnSegment(Vec2(13, 4), a, b, q, d));
    EXPECT_EQ(q.x, 10.0f);
    EXPECT_EQ(q.y, 0.0f);
    EXPECT_FLOAT_EQ(d, 5.0f);

    // t = 0 counts as within as well.
    EXPECT_TRUE(closestPointOnSegment(Vec2(0, -7), a, b, q, d));
    EXPECT_EQ(q.x, 0.0f);
    EXPECT_FLOAT_EQ(d, 7.0f);
}

TEST(ClosestPointOnSegment, ParameterIsRoundedToFloatBeforeTheEndTest)
{
    // p lies one float step beyond b along x. Its t is 1 + 2.9e-8 in double,
    // which rounds to exactly 1 as a float: the point counts as within and
    // lands on b itself.
    const Vec2 a(0, 0), b(3, 4);
    const Vec2 p(std::nextafter(3.0f, 4.0f), 4.0f);
    Vec2 q;
    float d = -1.0f;
    EXPECT_TRUE(closestPointOnSegment(p, a, b, q, d));
    EXPECT_EQ(q.x, 3.0f);
    EXPECT_EQ(q.y, 4.0f);
    EXPECT_GT(d, 0.0f);
    EXPECT_LT(d, 1e-6f);

    // A little further out t stays above 1.
    EXPECT_FALSE(closestPointOnSegment(Vec2(3.001, 4.0), a, b, q, d));
    EXPECT_EQ(q.x, 3.0f);
    EXPECT_EQ(q.y, 4.0f);
}

TEST(ClosestPointOnSegment, ZeroLengthSegmentGivesItsEndPoint)
{
    Vec2 q(99, 99);
    float d = -1.0f;
    EXPECT_FALSE(closestPointOnSegment(Vec2(0, 0), Vec2(3, 4), Vec2(3, 4), q, d));
    EXPECT_EQ(q.x, 3.0f);
    EXPECT_EQ(q.y, 4.0f);
    EXPECT_FLOAT_EQ(d, 5.0f);

    // Even with p on the point itself.
    EXPECT_FALSE(closestPointOnSegment(Vec2(3, 4), Vec2(3, 4), Vec2(3, 4), q, d));
    EXPECT_EQ(d, 0.0f);
}

TEST(ClosestPointOnSegment, AgreesWithTheDirectFormulaNearAndFarFromTheEnds)
{
    // The direct formula, step by step, with no shortcut.
    const auto direct = [](Vec2 p, Vec2 a, Vec2 b, Vec2& point, float& distance) {
        const float len = static_cast<float>(vecLength(a - b));
        const Vec2 e = b - a;
        const float t = static_cast<float>(((double(p.x) - a.x) * e.x + (double(p.y) - a.y) * e.y) / (double(len) * len));
        bool interior = false;
        if (t < 0.0f) {
            point = a;
        } else if (t <= 1.0f) {
            point = Vec2(double(e.x) * t + a.x, double(e.y) * t + a.y);
            interior = true;
        } else {
            point = b;
        }
        distance = static_cast<float>(vecLength(p - point));
        return interior;
    };

    std::mt19937 random(20240611);
    std::uniform_real_distribution<float> coordinate(-1200.0f, 1200.0f);
    std::uniform_real_distribution<float> along(-0.001f, 0.001f);
    std::uniform_int_distribution<int> nearEnd(0, 3);
    for (int n = 0; n < 100000; ++n) {
        const Vec2 a(coordinate(random), coordinate(random));
        const Vec2 b = (n % 50 == 0) ? a : Vec2(coordinate(random), coordinate(random));
        Vec2 p(coordinate(random), coordinate(random));
        // Half of the points lie close to the lines through a or b across
        // the segment, where t is near 0 or 1.
        if (nearEnd(random) < 2) {
            const Vec2 end = nearEnd(random) < 2 ? a : b;
            const Vec2 e = b - a;
            const double across = along(random) * 1000.0;
            p = Vec2(end.x - double(e.y) * across + double(e.x) * along(random),
                     end.y + double(e.x) * across + double(e.y) * along(random));
        }
        Vec2 q, expectedQ;
        float d = 0.0f, expectedD = 0.0f;
        const bool interior = closestPointOnSegment(p, a, b, q, d);
        const bool expectedInterior = direct(p, a, b, expectedQ, expectedD);
        ASSERT_EQ(interior, expectedInterior) << n;
        ASSERT_EQ(q.x, expectedQ.x) << n;
        ASSERT_EQ(q.y, expectedQ.y) << n;
        ASSERT_EQ(d, expectedD) << n;
    }
}

// ---------------------------------------------------------------------------
// The state gate and the order of the step

using StepOrder = PhysicsWorld;

TEST_F(StepOrder, OnlyPlayingChangesAnything)
{
    const int others[] = {0, Title, LevelComplete, LevelFailed, Editor, Exiting, Splash};
    for (int state : others) {
        freePlayfield();
        addRectangle();
        addStrip({{600, 400}, {700, 400}, {600, 500}});
        // A stale rotated position: a step would rewrite it.
        levelPolygon.contour[0].vertex[0].rx = 12345.0;
        balls[0].position = Vec2(500, 385);
        balls[0].velocity = Vec2(3, -7);
        balls[1].position = Vec2(530, 385);
        balls[1].velocity = Vec2(-2, 1);
        angle = 0.3f;
        angularVelocity = 0.5f;

        Ball before[ballCount];
        std::memcpy(before, balls, sizeof(before));
        gameState = state;
        physicsStep(simulationStepMs);

        SCOPED_TRACE(state);
        EXPECT_EQ(std::memcmp(before, balls, sizeof(before)), 0);
        EXPECT_EQ(angle, 0.3f);
        EXPECT_EQ(angularVelocity, 0.5f);
        EXPECT_EQ(levelPolygon.contour[0].vertex[0].rx, 12345.0);
    }

    // The same world in Playing does change: the comparison above can fail.
    gameState = Playing;
    Ball before[ballCount];
    std::memcpy(before, balls, sizeof(before));
    physicsStep(simulationStepMs);
    EXPECT_NE(std::memcmp(before, balls, sizeof(before)), 0);
    EXPECT_NE(angle, 0.3f);
    EXPECT_NE(levelPolygon.contour[0].vertex[0].rx, 12345.0);
}

TEST_F(StepOrder, TiltWeighsIntegratedPositionsAndThePreviousStepsContacts)
{
    // No contours: nothing touches, so the outline pass leaves every ball
    // without contact. The contact distance set here is what "the previous
    // step" left.
    balls[0].position = Vec2(512, 300);
    balls[0].velocity = Vec2(1000, 0);
    balls[0].contactDistance = 10.0f;

    physicsStep(simulationStepMs);
    // Integration moved the ball 100 pixels right of the pivot before the
    // tilt weighed it: moment 200.
    EXPECT_FLOAT_EQ(balls[0].position.x, 612.0f);
    EXPECT_FLOAT_EQ(angularVelocity, -0.04f);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(balls[0].contactDistance, noContactDistance);

    // The next step sees no contact any more: only damping.
    physicsStep(simulationStepMs);
    EXPECT_FLOAT_EQ(angularVelocity, -0.036f);
    EXPECT_FLOAT_EQ(angle, -0.00008f);
}

TEST_F(StepOrder, ALandingBallWeighsFromTheStepAfterItsFirstContact)
{
    addRectangle();
    balls[0].position = Vec2(600, 385);   // within one radius of the top edge

    physicsStep(simulationStepMs);
    EXPECT_EQ(angularVelocity, 0.0f);
    EXPECT_LT(balls[0].contactDistance, ballRadius);

    physicsStep(simulationStepMs);
    // 88 pixels right of the pivot, weight 2: moment 176.
    EXPECT_NEAR(angularVelocity, -176.0 * 20 * 0.00001, 1e-4);
    EXPECT_LT(angularVelocity, 0.0f);
}

TEST_F(StepOrder, ContactsAreNotRefreshedAfterTheBallPairsMove)
{
    addRectangle();
    balls[1].position = Vec2(500, 385);   // 15 above the top edge
    balls[2].position = Vec2(500, 350);   // overlapping ball 1 by 5

    physicsStep(simulationStepMs);
    // The pair pass moved ball 1 down to 387.5, but its contact is the one
    // found before: 15 away, so the bounce lifts it by 5 to 382.5.
    EXPECT_EQ(balls[1].contactDistance, 15.0f);
    EXPECT_NEAR(balls[1].position.y, 382.5f, 1e-4);
    EXPECT_NEAR(balls[2].position.y, 347.5f, 1e-4);
}

TEST_F(StepOrder, ContactsAreFoundOnTheOutlineAtTheNewAngle)
{
    // A thin bar right of the pivot, turned a quarter turn counter-clockwise
    // it stands upright above the pivot: x from 502 to 522, y from 234 to 334.
    addContour({{662, 374}, {562, 374}, {562, 394}, {662, 394}});
    angle = static_cast<float>(std::numbers::pi / 2);
    balls[0].position = Vec2(540, 284);

    physicsStep(simulationStepMs);
    EXPECT_NEAR(balls[0].contactDistance, 18.0f, 1e-3);
    EXPECT_NEAR(balls[0].contactPoint.x, 522.0f, 1e-3);
    EXPECT_NEAR(balls[0].contactPoint.y, 284.0f, 1e-3);
    EXPECT_NEAR(balls[0].normal.x, 1.0f, 1e-6);
    EXPECT_NEAR(balls[0].normal.y, 0.0f, 1e-6);
    // The bounce pushed the ball out to one radius from that side.
    EXPECT_NEAR(balls[0].position.x, 542.0f, 1e-3);
}

// ---------------------------------------------------------------------------
// Outline contacts, bounce, gravity and damping

using OutlineContact = PhysicsWorld;

TEST_F(OutlineContact, BallDroppedOnTheRectangleComesToRestOnIt)
{
    // The playfield must not turn in this example. The pivot is put over the
    // ball at x = 500, the rectangle's centre line, and the level has no
    // strips: the only weight is the ball's and its lever is exactly 0.
    pivot = Vec2(500, 384);
    addRectangle();
    balls[0].position = Vec2(500, 300);

    bool bounced = false;
    for (int s = 0; s < 300; ++s) {
        physicsStep(simulationStepMs);
        if (balls[0].velocity.y < 0.0f) bounced = true;
    }
    EXPECT_TRUE(bounced);

    for (int s = 0; s < 50; ++s) {
        physicsStep(simulationStepMs);
        SCOPED_TRACE(s);
        const Ball& ball = balls[0];
        EXPECT_EQ(ball.position.x, 500.0f);
        EXPECT_NEAR(ball.position.y, 380.0f, 1e-3);
        EXPECT_NEAR(ball.contactDistance, 19.8676f, 1e-3);
        EXPECT_LT(ball.contactDistance, ballRadius);   // it counts for the tilt
        EXPECT_EQ(ball.velocity.x, 0.0f);
        EXPECT_NEAR(ball.velocity.y, 1.3244f, 1e-4);
        EXPECT_NEAR(ball.normal.y, -1.0f, 1e-6);
        EXPECT_NEAR(ball.contactPoint.y, 400.0f, 1e-3);
        EXPECT_EQ(angle, 0.0f);
        EXPECT_EQ(angularVelocity, 0.0f);
    }
}

TEST_F(OutlineContact, ReversedRectangleLetsTheBallSinkToItsBottomEdge)
{
    pivot = Vec2(500, 384);   // held level, as above
    addReversedRectangle();
    balls[0].position = Vec2(500, 300);

    for (int s = 0; s < 600; ++s) physicsStep(simulationStepMs);
    const Ball& ball = balls[0];
    EXPECT_NEAR(ball.position.y, 480.0f, 1e-3);
    EXPECT_EQ(ball.position.x, 500.0f);
    EXPECT_NEAR(ball.velocity.y, 1.3244f, 1e-4);
    // Resting on the inner side of the bottom edge, whose normal points up.
    EXPECT_NEAR(ball.contactPoint.y, 500.0f, 1e-3);
    EXPECT_NEAR(ball.normal.y, -1.0f, 1e-6);
}

TEST_F(OutlineContact, ExactlyOneRadiusAwayBouncesButWeighsNothing)
{
    addRectangle();
    // Integration brings the ball to y = 380, exactly 20 above the top edge.
    balls[0].position = Vec2(500, 379.5);
    balls[0].velocity = Vec2(0, 5);

    physicsStep(simulationStepMs);
    EXPECT_EQ(balls[0].contactDistance, 20.0f);
    EXPECT_EQ(balls[0].position.y, 380.0f);
    // Bounced: -5 * 0.5 = -2.5, then gravity and damping: (-2.5 + 2) * 0.99.
    // Without the bounce it would be (5 + 2) * 0.99 = 6.93.
    EXPECT_NEAR(balls[0].velocity.y, -0.495f, 1e-6);

    // 12 pixels left of the pivot, but not strictly within one radius.
    physicsStep(simulationStepMs);
    EXPECT_EQ(angularVelocity, 0.0f);
}

TEST_F(OutlineContact, MovingAwayWithinOneRadiusStillHasItsNormalSpeedReversedAndHalved)
{
    addRectangle();
    balls[0].position = Vec2(500, 385);
    balls[0].velocity = Vec2(0, -4);   // moving up, away from the top edge

    physicsStep(simulationStepMs);
    // Speed 2 towards the outline after the bounce, then (2 + 2) * 0.99.
    EXPECT_NEAR(balls[0].velocity.y, 3.96f, 1e-5);
    EXPECT_NEAR(balls[0].position.y, 380.0f, 1e-4);
    EXPECT_NEAR(balls[0].contactDistance, 15.4f, 1e-4);
    // The tangent is the normal turned a quarter turn.
    EXPECT_NEAR(balls[0].tangent.x, 1.0f, 1e-6);
    EXPECT_NEAR(balls[0].tangent.y, 0.0f, 1e-6);
}

TEST_F(OutlineContact, TangentialVelocitySurvivesTheBounce)
{
    addRectangle();
    balls[0].position = Vec2(500, 385);
    balls[0].velocity = Vec2(6, 3);

    physicsStep(simulationStepMs);
    EXPECT_NEAR(balls[0].velocity.x, 6.0f * 0.99f, 1e-5);
    EXPECT_NEAR(balls[0].velocity.y, (-1.5f + 2.0f) * 0.99f, 1e-5);
}

TEST_F(OutlineContact, FreeFallGainsGravityAndIsDampedTowards198)
{
    addContour({{1000, 700}, {990, 700}, {990, 710}, {1000, 710}});   // far away
    balls[0].position = Vec2(100, 100);

    physicsStep(simulationStepMs);
    EXPECT_EQ(balls[0].position.y, 100.0f);   // integration came before gravity
    EXPECT_EQ(balls[0].velocity.x, 0.0f);
    EXPECT_NEAR(balls[0].velocity.y, 1.98f, 1e-6);

    physicsStep(simulationStepMs);
    EXPECT_NEAR(balls[0].position.y, 100.198f, 1e-4);
    EXPECT_NEAR(balls[0].velocity.y, 3.9402f, 1e-5);

    for (int s = 0; s < 3000; ++s) physicsStep(simulationStepMs);
    EXPECT_NEAR(balls[0].velocity.y, 198.0f, 0.01);
}

TEST_F(OutlineContact, LevelWithoutContoursOnlyMovesBallsByVelocity)
{
    addStrip({{600, 400}, {700, 400}, {600, 500}});   // strips alone do not collide
    const Vec2 start[3] = {Vec2(200, 200), Vec2(400, 300), Vec2(700, 600)};
    const Vec2 velocity[3] = {Vec2(3, -1), Vec2(0, 0), Vec2(-2.5, 7)};
    for (int i = 0; i < 3; ++i) {
        balls[i].position = start[i];
        balls[i].velocity = velocity[i];
        balls[i].contactDistance = 5.0f;
    }

    for (int s = 0; s < 10; ++s) physicsStep(simulationStepMs);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(balls[i].velocity.x, velocity[i].x);
        EXPECT_EQ(balls[i].velocity.y, velocity[i].y);
        EXPECT_NEAR(balls[i].position.x, start[i].x + velocity[i].x, 1e-3);
        EXPECT_NEAR(balls[i].position.y, start[i].y + velocity[i].y, 1e-3);
        EXPECT_EQ(balls[i].contactDistance, noContactDistance);
    }
}

TEST_F(OutlineContact, TheClosingEdgeFromTheLastVertexToTheFirstCounts)
{
    addRectangle();   // its closing edge is the right side, (900, 500) to (900, 400)
    balls[0].position = Vec2(915, 450);

    physicsStep(simulationStepMs);
    EXPECT_FLOAT_EQ(balls[0].contactDistance, 15.0f);
    EXPECT_EQ(balls[0].contactPoint.x, 900.0f);
    EXPECT_EQ(balls[0].contactPoint.y, 450.0f);
    EXPECT_EQ(balls[0].normal.x, 1.0f);
    EXPECT_NEAR(balls[0].position.x, 920.0f, 1e-4);
}

namespace {

// One step with resting balls, its contacts checked against an edge-by-edge
// search with closestPointOnSegment that keeps the first of equally near
// edges.
void expectContactsOfADirectSearch(const char* what)
{
    angle = 0.0f;
    angularVelocity = 0.0f;
    rotatePlayfield();   // upright, as the step will leave it

    Vec2 expectedPoint[ballCount], expectedNormal[ballCount];
    float expectedDistance[ballCount];
    for (int i = 0; i < ballCount; ++i) {
        balls[i].velocity = Vec2();
        expectedDistance[i] = noContactDistance;
        expectedPoint[i] = balls[i].contactPoint;
        expectedNormal[i] = balls[i].normal;
        for (int c = 0; c < levelPolygon.num_contours; ++c) {
            const gpc_vertex_list& contour = levelPolygon.contour[c];
            const int m = contour.num_vertices;
            for (int j = 0; j < m; ++j) {
                const gpc_vertex& va = contour.vertex[j];
                const gpc_vertex& vb = contour.vertex[(j + 1) % m];
                const Vec2 a(va.rx, va.ry), b(vb.rx, vb.ry);
                Vec2 q;
                float d = 0.0f;
                const bool interior = closestPointOnSegment(balls[i].position, a, b, q, d);
                if (d < expectedDistance[i]) {
                    expectedDistance[i] = d;
                    expectedPoint[i] = q;
                    Vec2 normal = interior ? Vec2(-(b - a).y, (b - a).x) : balls[i].position - q;
                    normalise(normal);
                    expectedNormal[i] = normal;
                }
            }
        }
    }

    physicsStep(simulationStepMs);
    for (int i = 0; i < ballCount; ++i) {
        SCOPED_TRACE(testing::Message() << what << ", ball " << i);
        ASSERT_EQ(balls[i].contactDistance, expectedDistance[i]);
        ASSERT_EQ(balls[i].contactPoint.x, expectedPoint[i].x);
        ASSERT_EQ(balls[i].contactPoint.y, expectedPoint[i].y);
        ASSERT_EQ(balls[i].normal.x, expectedNormal[i].x);
        ASSERT_EQ(balls[i].normal.y, expectedNormal[i].y);
    }
}

// A jagged ring of n vertices round centre (with spikes to the centre and a
// few repeated vertices), counter-clockwise on the screen.
void addJaggedRing(std::mt19937& random, int n, Vec2 centre, double inner, double outer)
{
    std::uniform_real_distribution<double> radius(inner, outer);
    addContour({});
    gpc_vertex_list& ring = levelPolygon.contour[levelPolygon.num_contours - 1];
    std::free(ring.vertex);
    ring.num_vertices = n;
    ring.vertex = static_cast<gpc_vertex*>(std::malloc(sizeof(gpc_vertex) * n));
    for (int j = 0; j < n; ++j) {
        const double a = -2.0 * std::numbers::pi * j / n;
        const double r = (j % 37 == 5) ? 0.0 : radius(random);
        const gpc_vertex v = {centre.x + r * std::cos(a), centre.y + r * std::sin(a), 0.0, 0.0};
        ring.vertex[j] = (j % 53 == 1) ? ring.vertex[j - 1] : v;
    }
}

// A regular polygon: a ball at its centre is almost equally near to all of
// its edges, and only rounding tells them apart.
void addRegularPolygon(int n, Vec2 centre, double radius)
{
    addContour({});
    gpc_vertex_list& polygon = levelPolygon.contour[levelPolygon.num_contours - 1];
    std::free(polygon.vertex);
    polygon.num_vertices = n;
    polygon.vertex = static_cast<gpc_vertex*>(std::malloc(sizeof(gpc_vertex) * n));
    for (int j = 0; j < n; ++j) {
        const double a = -2.0 * std::numbers::pi * j / n;
        polygon.vertex[j] = gpc_vertex{centre.x + radius * std::cos(a), centre.y + radius * std::sin(a), 0.0, 0.0};
    }
}

// A point on edge j of contour c, nudged by (dx, dy).
Vec2 pointOnEdge(int c, int j, double along, double dx, double dy)
{
    const gpc_vertex_list& contour = levelPolygon.contour[c];
    const gpc_vertex& a = contour.vertex[j % contour.num_vertices];
    const gpc_vertex& b = contour.vertex[(j + 1) % contour.num_vertices];
    return Vec2(a.x + (b.x - a.x) * along + dx, a.y + (b.y - a.y) * along + dy);
}

} // namespace

TEST_F(OutlineContact, NearestPointIsTheNearestOverEveryEdgeInOrder)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> spot(100.0f, 900.0f);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> edge(0, 399);
    addJaggedRing(random, 400, Vec2(512, 384), 150.0, 330.0);
    addRegularPolygon(360, Vec2(1000, 100), 40.0);

    for (int round = 0; round < 30; ++round) {
        for (int i = 0; i < ballCount; ++i) {
            balls[i] = Ball();
            balls[i].position = Vec2(spot(random), spot(random) * 0.75f);
        }
        // On the outline or a hair off it, at an end or within an edge.
        balls[4].position = pointOnEdge(0, edge(random), 0.0, 0.0, 0.0);
        balls[5].position = pointOnEdge(0, edge(random), unit(random), 1e-4 * (unit(random) - 0.5), 0.0);
        balls[6].position = Vec2(1000.0 + round * 0.001, 100.0);
        expectContactsOfADirectSearch("level near the screen");
    }
}

TEST_F(OutlineContact, NearestPointIsExactFarFromTheOrigin)
{
    // Coordinates of a million pixels, where a float step is 1/16 pixel.
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> edge(0, 999);
    const Vec2 centre(1.0e6, -1.0e6);
    addJaggedRing(random, 1000, centre, 2000.0, 9000.0);
    addRegularPolygon(720, Vec2(1.0e6 + 20000.0, -1.0e6), 500.0);

    for (int round = 0; round < 30; ++round) {
        for (int i = 0; i < 4; ++i) {
            balls[i] = Ball();
            balls[i].position = Vec2(centre.x + 24000.0 * (unit(random) - 0.5), centre.y + 24000.0 * (unit(random) - 0.5));
        }
        for (int i = 4; i < 6; ++i) {
            balls[i] = Ball();
            balls[i].position = pointOnEdge(0, edge(random), unit(random), unit(random) - 0.5, unit(random) - 0.5);
        }
        balls[6] = Ball();
        balls[6].position = Vec2(1.0e6 + 20000.0 + round * 0.0625, -1.0e6);
        expectContactsOfADirectSearch("level far away");
    }
}

TEST_F(OutlineContact, OfEquallyNearEdgesTheFirstMetWins)
{
    // Ball at (500, 300): the top edge of a block below and the bottom edge
    // of a block above are both exactly 10 away, with opposite normals.
    const auto below = [] { addContour({{900, 310}, {100, 310}, {100, 400}, {900, 400}}); };
    const auto above = [] { addContour({{900, 200}, {100, 200}, {100, 290}, {900, 290}}); };

    below();
    above();
    balls[0].position = Vec2(500, 300);
    physicsStep(simulationStepMs);
    EXPECT_EQ(balls[0].contactDistance, 10.0f);
    EXPECT_EQ(balls[0].contactPoint.y, 310.0f);
    EXPECT_EQ(balls[0].normal.y, -1.0f);

    freePlayfield();
    above();
    below();
    balls[0] = Ball();
    balls[0].position = Vec2(500, 300);
    physicsStep(simulationStepMs);
    EXPECT_EQ(balls[0].contactDistance, 10.0f);
    EXPECT_EQ(balls[0].contactPoint.y, 290.0f);
    EXPECT_EQ(balls[0].normal.y, 1.0f);
}

TEST_F(OutlineContact, HoleContoursHoldBallsLikeOuterOnes)
{
    // A clockwise hole: the ball sits inside it, above its bottom edge.
    addContour({{400, 200}, {600, 200}, {600, 400}, {400, 400}}, 1);
    balls[0].position = Vec2(500, 385);

    physicsStep(simulationStepMs);
    EXPECT_FLOAT_EQ(balls[0].contactDistance, 15.0f);
    EXPECT_EQ(balls[0].contactPoint.y, 400.0f);
    EXPECT_EQ(balls[0].normal.y, -1.0f);
    EXPECT_NEAR(balls[0].position.y, 380.0f, 1e-4);
}

TEST_F(OutlineContact, EndPointContactNormalPointsFromTheCornerToTheBall)
{
    addRectangle();
    balls[0].position = Vec2(88, 391);   // up and left of the corner (100, 400)

    physicsStep(simulationStepMs);
    EXPECT_FLOAT_EQ(balls[0].contactDistance, 15.0f);
    EXPECT_EQ(balls[0].contactPoint.x, 100.0f);
    EXPECT_EQ(balls[0].contactPoint.y, 400.0f);
    EXPECT_FLOAT_EQ(balls[0].normal.x, -0.8f);
    EXPECT_FLOAT_EQ(balls[0].normal.y, -0.6f);
    // Pushed out along that normal to one radius from the corner.
    EXPECT_NEAR(balls[0].position.x, 84.0f, 1e-4);
    EXPECT_NEAR(balls[0].position.y, 388.0f, 1e-4);
}

TEST_F(OutlineContact, ZeroLengthEdgeAtTheCentreStaysHarmless)
{
    // The repeated first vertex makes a zero-length edge right at the ball's
    // centre: an end-point contact at distance 0 whose normal cannot be
    // normalised and stays (0, 0).
    addContour({{100, 400}, {100, 400}, {100, 500}, {900, 500}, {900, 400}});
    balls[0].position = Vec2(100, 400);

    physicsStep(simulationStepMs);
    EXPECT_EQ(balls[0].contactDistance, 0.0f);
    EXPECT_EQ(balls[0].normal.x, 0.0f);
    EXPECT_EQ(balls[0].normal.y, 0.0f);
    EXPECT_EQ(balls[0].position.x, 100.0f);
    EXPECT_EQ(balls[0].position.y, 400.0f);
    EXPECT_EQ(balls[0].velocity.x, 0.0f);
    EXPECT_NEAR(balls[0].velocity.y, 1.98f, 1e-6);
}

// ---------------------------------------------------------------------------
// Ball against ball (levels without contours: no gravity gets in the way)

using BallPairs = PhysicsWorld;

TEST_F(BallPairs, BallsExactlyTwoRadiiApartAreLeftAlone)
{
    balls[1].position = Vec2(300, 300);
    balls[2].position = Vec2(340, 300);
    balls[3].position = Vec2(600, 300);
    balls[4].position = Vec2(624, 332);   // 3-4-5 triangle: 40 apart
    balls[4].velocity = Vec2(0, 0);

    physicsStep(simulationStepMs);
    EXPECT_EQ(balls[1].position.x, 300.0f);
    EXPECT_EQ(balls[2].position.x, 340.0f);
    EXPECT_EQ(balls[3].position.x, 600.0f);
    EXPECT_EQ(balls[3].position.y, 300.0f);
    EXPECT_EQ(balls[4].position.x, 624.0f);
    EXPECT_EQ(balls[4].position.y, 332.0f);
}

TEST_F(BallPairs, OverlappingBallsEndTwoRadiiApartAboutTheirMidpoint)
{
    balls[1].position = Vec2(300, 300);
    balls[2].position = Vec2(339, 300);
    balls[3].position = Vec2(600, 300);
    balls[4].position = Vec2(623.4, 331.2);   // 39 apart, slanted

    physicsStep(simulationStepMs);
    EXPECT_EQ(balls[1].position.x, 299.5f);
    EXPECT_EQ(balls[2].position.x, 339.5f);
    EXPECT_EQ(balls[1].position.y, 300.0f);

    const Vec2 d = balls[4].position - balls[3].position;
    EXPECT_NEAR(vecLength(d), 40.0, 1e-4);
    EXPECT_NEAR(d.x / vecLength(d), 0.6, 1e-6);
    EXPECT_NEAR((balls[3].position.x + balls[4].position.x) * 0.5, 611.7, 1e-4);
    EXPECT_NEAR((balls[3].position.y + balls[4].position.y) * 0.5, 315.6, 1e-4);
}

TEST_F(BallPairs, VelocitiesAlongTheLineOfCentresAreExchangedEvenWhenSeparating)
{
    // Overlapping and already moving apart; the y components are across the
    // line of centres and stay.
    balls[1].position = Vec2(300, 300);
    balls[1].velocity = Vec2(-1, 3);
    balls[2].position = Vec2(339, 300);
    balls[2].velocity = Vec2(1, 3);

    physicsStep(simulationStepMs);
    EXPECT_EQ(balls[1].velocity.x, 1.0f);
    EXPECT_EQ(balls[1].velocity.y, 3.0f);
    EXPECT_EQ(balls[2].velocity.x, -1.0f);
    EXPECT_EQ(balls[2].velocity.y, 3.0f);
}

TEST_F(BallPairs, CoincidingCentresStayPutAndKeepTheirVelocities)
{
    balls[1].position = Vec2(400, 300);
    balls[1].velocity = Vec2(3, -2);
    balls[2].position = Vec2(400, 300);
    balls[2].velocity = Vec2(3, -2);

    physicsStep(simulationStepMs);
    for (int i : {1, 2}) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(balls[i].position.x, 400.3f, 1e-4);
        EXPECT_NEAR(balls[i].position.y, 299.8f, 1e-4);
        EXPECT_NEAR(balls[i].velocity.x, 3.0f, 1e-6);
        EXPECT_NEAR(balls[i].velocity.y, -2.0f, 1e-6);
        EXPECT_FALSE(std::isnan(balls[i].position.x));
    }
    EXPECT_EQ(balls[1].position.x, balls[2].position.x);
    EXPECT_EQ(balls[1].position.y, balls[2].position.y);
}

TEST_F(BallPairs, RedPairsAreVisitedBothWaysButTheWhiteBallOnlyAsFirst)
{
    // At these positions the rounding of the first visit leaves the two balls
    // a hair closer than two radii (the positions were found by search), so
    // a second visit in the reverse order exchanges the velocities back.
    const float left = 485.825226f, right = 519.849121f;

    balls[1].position = Vec2(left, 300);
    balls[1].velocity = Vec2(1, 0);
    balls[2].position = Vec2(right, 300);
    balls[2].velocity = Vec2(-1, 0);
    physicsStep(simulationStepMs);
    EXPECT_EQ(balls[1].velocity.x, 1.0f);
    EXPECT_EQ(balls[2].velocity.x, -1.0f);

    // The same meeting with the white ball: it is never the second ball of a
    // pair, so there is no visit back and the exchange stands.
    for (int i = 0; i < ballCount; ++i) {
        balls[i] = Ball();
        balls[i].position = parkingPlace(i);
    }
    balls[0].position = Vec2(left, 300);
    balls[0].velocity = Vec2(1, 0);
    balls[1].position = Vec2(right, 300);
    balls[1].velocity = Vec2(-1, 0);
    physicsStep(simulationStepMs);
    EXPECT_EQ(balls[0].velocity.x, -1.0f);
    EXPECT_EQ(balls[1].velocity.x, 1.0f);
}
