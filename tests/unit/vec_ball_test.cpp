// Vectors and the seven balls.
#include <gtest/gtest.h>

#include "physics/ball.h"
#include "physics/vec2.h"

namespace {

TEST(Vec2, CompoundAssignmentYieldsACopy)
{
    Vec2 a(1, 2);
    Vec2 copy = (a += Vec2(3, 4));
    EXPECT_FLOAT_EQ(copy.x, 4.0f);
    copy.x = 100;
    EXPECT_FLOAT_EQ(a.x, 4.0f);
    EXPECT_FLOAT_EQ(a.y, 6.0f);
    Vec2 scaled = (a *= 0.5f);
    EXPECT_FLOAT_EQ(scaled.y, 3.0f);
    scaled.y = -1;
    EXPECT_FLOAT_EQ(a.y, 3.0f);
}

TEST(Vec2, ScalingWorksFromEitherSide)
{
    EXPECT_EQ((2.0f * Vec2(1.5, -2.5)).y, -5.0f);
    EXPECT_EQ((Vec2(1.5, -2.5) * 2.0f).x, 3.0f);
    EXPECT_EQ((Vec2(1, 2) - Vec2(3, 5)).y, -3.0f);
}

TEST(Vec2, NormalisingZeroLeavesZero)
{
    Vec2 zero;
    normalise(zero);
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.y, 0.0f);
    Vec2 v(3, 4);
    normalise(v);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, 0.8f);
    EXPECT_DOUBLE_EQ(vecDot(Vec2(1, 2), Vec2(3, 4)), 11.0);
}

TEST(Balls, RowTouchesAtThreeTenthsOfTheCentre)
{
    createBalls();
    for (int i = 0; i < ballCount; ++i) balls[i].velocity = Vec2(5, 5);
    placeBallsInRow(Vec2(512, 384));
    const float xs[ballCount] = {632, 592, 552, 512, 472, 432, 392};
    for (int i = 0; i < ballCount; ++i) {
        EXPECT_EQ(balls[i].position.x, xs[i]) << "ball " << i;
        EXPECT_EQ(double(balls[i].position.y), 115.20000457763671875) << "ball " << i;
        EXPECT_EQ(balls[i].velocity.x, 0.0f);
        EXPECT_EQ(balls[i].velocity.y, 0.0f);
    }
}

TEST(Balls, ResetPutsTheWhiteBallInTheMiddle)
{
    createBalls();
    balls[0].contactDistance = 12.5f;
    balls[3].normal = Vec2(0, -1);
    resetBalls(Vec2(512, 384));
    EXPECT_EQ(balls[0].position.x, 512.0f);
    EXPECT_EQ(balls[3].position.x, 632.0f);
    EXPECT_EQ(double(balls[0].position.y), 115.20000457763671875);
    EXPECT_EQ(balls[0].contactDistance, 12.5f) << "contact fields keep their values";
    EXPECT_EQ(balls[3].normal.y, -1.0f);
}

}  // namespace
