// The stamp as the player's tool: where it lands, when a ball refuses it,
// what each button does, and the odd sizes the editor's wheel can reach.
#include <cmath>
#include <set>
#include <utility>

#include "app/input.h"
#include "game_test_support.h"
#include "playfield/stamp.h"

using namespace testworld;

namespace {

// A stamp of circumradius R covers about 3 R^2 (a 12-gon; the angles of
// polygonVertex step by 6.28 / 12, so it is regular to within a permille).
double circleStampArea(double size)
{
    return 3.0 * size * size;
}

struct Centre {
    double x, y, rx, ry;
};

Centre contourCentre(const gpc_vertex_list& list)
{
    Centre c{0, 0, 0, 0};
    for (int i = 0; i < list.num_vertices; ++i) {
        c.x += list.vertex[i].x;
        c.y += list.vertex[i].y;
        c.rx += list.vertex[i].rx;
        c.ry += list.vertex[i].ry;
    }
    const double n = list.num_vertices;
    return {c.x / n, c.y / n, c.rx / n, c.ry / n};
}

class StampTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetWorld();
        gameState = Playing;
        parkBalls();
    }
    void TearDown() override { resetWorld(); }

    static void press(bool left, bool right, float x, float y)
    {
        mousePos = Vec2(x, y);
        mouseLeft = left;
        mouseRight = right;
        mouseAction();
    }
};

TEST_F(StampTool, AddingStampIsRefusedCloserThanSizePlusRadius)
{
    placeBall(2, 500.0f, 300.0f);

    press(true, false, 559.0f, 300.0f);
    EXPECT_EQ(stampBlockedMs, 500);
    EXPECT_TRUE(mouseLeft) << "a refused stamp keeps the button for the next pass";
    EXPECT_EQ(levelPolygon.num_contours, 0);

    stampBlockedMs = 0;
    press(true, false, 560.0f, 300.0f);
    EXPECT_EQ(stampBlockedMs, 0);
    EXPECT_FALSE(mouseLeft);
    EXPECT_FALSE(mouseRight);
    ASSERT_EQ(levelPolygon.num_contours, 1);
    EXPECT_NEAR(levelArea(), circleStampArea(40), 0.01 * circleStampArea(40));

    // The same distance along a diagonal: 36, 48 is 60 away.
    freePlayfield();
    press(true, false, 536.0f, 348.0f);
    EXPECT_EQ(levelPolygon.num_contours, 1);
    freePlayfield();
    press(true, false, 535.5f, 347.5f);
    EXPECT_EQ(levelPolygon.num_contours, 0);
}

TEST_F(StampTool, CuttingIsNeverRefusedAndBothButtonsAdd)
{
    setLevel({rectangle(100, 400, 900, 700)}, {0});
    const double full = levelArea();
    placeBall(1, 500.0f, 450.0f);

    press(false, true, 500.0f, 450.0f);   // right over a ball
    EXPECT_FALSE(mouseRight);
    EXPECT_EQ(stampBlockedMs, 0);
    EXPECT_NEAR(levelArea(), full - circleStampArea(40), 0.01 * circleStampArea(40));

    // Both buttons on the upper edge, away from the balls: half a stamp more.
    const double cut = levelArea();
    press(true, true, 300.0f, 400.0f);
    EXPECT_FALSE(mouseLeft);
    EXPECT_FALSE(mouseRight);
    EXPECT_NEAR(levelArea(), cut + circleStampArea(40) / 2, 0.02 * circleStampArea(40));

    // Both buttons over a ball are an adding stamp, and so refused.
    const LevelCopy before = copyLevel();
    press(true, true, 500.0f, 450.0f);
    EXPECT_EQ(stampBlockedMs, 500);
    EXPECT_TRUE(mouseLeft && mouseRight);
    expectSameLevel(before, copyLevel());
}

TEST_F(StampTool, OddSizes)
{
    setLevel({rectangle(100, 400, 900, 700)}, {0});
    placeBall(0, 300.0f, 300.0f);

    // Size 0: every vertex at the centre; nothing is added.
    shapeSize = 0.0f;
    const LevelCopy before = copyLevel();
    press(true, false, 500.0f, 400.0f);
    EXPECT_FALSE(mouseLeft);
    expectSameLevel(before, copyLevel());

    // Negative sizes mirror the shape; from -20 on the reach is gone, so a
    // stamp right on a ball is allowed.
    for (float size : {-20.0f, -35.0f}) {
        SCOPED_TRACE(size);
        freePlayfield();
        shapeSize = size;
        stampBlockedMs = 0;
        press(true, false, 300.0f, 300.0f);
        EXPECT_EQ(stampBlockedMs, 0);
        EXPECT_FALSE(mouseLeft);
        EXPECT_NEAR(levelArea(), circleStampArea(size), 0.01 * circleStampArea(size));
    }
    freePlayfield();
    shapeSize = -19.0f;
    press(true, false, 300.0f, 300.0f);
    EXPECT_EQ(stampBlockedMs, 500);
    EXPECT_EQ(levelPolygon.num_contours, 0);
}

TEST_F(StampTool, ShapeIsThePolygonVertexShapeAtThePointer)
{
    // Upright, the stamp's vertices are the pointer plus polygonVertex, kept
    // exactly by the union with the empty level.
    for (int type : {int(Circle), int(Square), 2}) {
        SCOPED_TRACE(type);
        freePlayfield();
        shapeType = type;
        press(true, false, 300.0f, 250.0f);
        const int n = type == Square ? 4 : 12;
        std::set<std::pair<double, double>> expected, actual;
        for (int i = 0; i < n; ++i) {
            const Vec2 v = polygonVertex(i, float(n));
            expected.insert({512.0 + double(v.x) + double(float(300.0 - 512.0)),
                             384.0 + double(v.y) + double(float(250.0 - 384.0))});
        }
        ASSERT_EQ(levelPolygon.num_contours, 1);
        EXPECT_EQ(levelPolygon.hole[0], 0);
        for (int i = 0; i < levelPolygon.contour[0].num_vertices; ++i)
            actual.insert({levelPolygon.contour[0].vertex[i].x, levelPolygon.contour[0].vertex[i].y});
        EXPECT_EQ(actual, expected);
        EXPECT_NEAR(stripArea(), levelArea(), 1e-6 * levelArea());
    }
}

TEST_F(StampTool, LandsUnderThePointerOnATiltedPlayfield)
{
    for (float tilt : {0.9f, -2.5f, 3.1f}) {
        SCOPED_TRACE(tilt);
        freePlayfield();
        angle = tilt;
        rotatePlayfield();
        press(true, false, 600.0f, 250.0f);
        ASSERT_EQ(levelPolygon.num_contours, 1);
        const Centre c = contourCentre(levelPolygon.contour[0]);
        EXPECT_NEAR(c.rx, 600.0, 0.5);
        EXPECT_NEAR(c.ry, 250.0, 0.5);
        // In level coordinates the centre is the pointer turned back by the angle.
        const double dx = 600.0 - 512.0, dy = 250.0 - 384.0;
        EXPECT_NEAR(c.x, 512.0 + dx * std::cos(tilt) - dy * std::sin(tilt), 0.5);
        EXPECT_NEAR(c.y, 384.0 + dx * std::sin(tilt) + dy * std::cos(tilt), 0.5);
    }
}

TEST_F(StampTool, HeldButtonOverABallTriesAgainEveryPassUntilTheBallIsGone)
{
    placeBall(3, 400.0f, 200.0f);
    mousePos = Vec2(420.0, 200.0);
    mouseLeft = true;
    for (int i = 0; i < 3; ++i) {
        updateFrame(16);
        EXPECT_EQ(stampBlockedMs, 500) << "re-armed on pass " << i;
        EXPECT_TRUE(mouseLeft);
        EXPECT_EQ(levelPolygon.num_contours, 0);
    }
    placeBall(3, 400.0f, 600.0f);
    updateFrame(16);
    EXPECT_EQ(stampBlockedMs, 484);
    EXPECT_FALSE(mouseLeft);
    EXPECT_EQ(levelPolygon.num_contours, 1);
    updateFrame(16);
    EXPECT_EQ(levelPolygon.num_contours, 1) << "one press, one stamp";
    EXPECT_EQ(stampBlockedMs, 468);
}

TEST_F(StampTool, NoPickingAndNoMirrorWhilePlaying)
{
    placeBall(0, 300.0f, 300.0f);
    keySpace = true;
    press(true, false, 305.0f, 300.0f);
    EXPECT_EQ(selectedBall, -1);
    EXPECT_EQ(stampBlockedMs, 500);

    press(true, false, 300.0f, 500.0f);
    ASSERT_EQ(levelPolygon.num_contours, 1);
    EXPECT_NEAR(contourCentre(levelPolygon.contour[0]).x, 300.0, 0.5);
}

TEST_F(StampTool, StampingOneSpotWhileTheFieldSwaysLeavesNoSlivers)
{
    // Added and cut in turn at one pointer position while the field sways a
    // little: each disc lands a hair off the last and left a crescent of no
    // visible area (hundreds of contours after a few thousand stamps).
    setLevel({rectangle(300, 200, 800, 600)}, {0});
    const double area = levelArea();
    std::pair<int, int> afterFifty;
    for (int i = 0; i <= 2000; ++i) {
        angle = float(0.01 + 0.002 * std::sin(i * 0.01));
        rotatePlayfield();
        press(i % 2 == 0, i % 2 == 1, 600.0f, 400.0f);
        int vertices = 0;
        for (int c = 0; c < levelPolygon.num_contours; ++c) vertices += levelPolygon.contour[c].num_vertices;
        if (i == 49) afterFifty = {levelPolygon.num_contours, vertices};
        if (i >= 49) {
            ASSERT_LE(levelPolygon.num_contours, afterFifty.first) << "stamp " << i;
            ASSERT_LE(vertices, afterFifty.second) << "stamp " << i;
        }
    }
    // The last stamp added its disc back: the field is whole again.
    EXPECT_NEAR(levelArea(), area, 0.01);
    expectConsistentLevel();
}

}  // namespace
