// Level files: the exact text written, what a load reads back, and what it
// does with files that end early or hold things other than numbers.
#include <cstdio>
#include <string>

#include "game_test_support.h"

using namespace testworld;

namespace {

class LevelFile : public ::testing::Test {
protected:
    void SetUp() override { resetWorld(); }
    void TearDown() override { freePlayfield(); }

    // Moves every ball away from where any load would put it.
    static void scatterBalls()
    {
        for (int i = 0; i < ballCount; ++i) placeBall(i, 10.0f + i, 20.0f + i);
    }

    WorkFolder folder;
};

// "% .15lf % .15lf": the separating space, then each number's own sign
// place, a space when it is not negative.
const char squareSection[] =
    "1\n4\n0\n"
    " 100.000000000000000  100.000000000000000\n"
    " 300.000000000000000  100.000000000000000\n"
    " 300.000000000000000  300.000000000000000\n"
    " 100.000000000000000  300.000000000000000\n";

TEST_F(LevelFile, SquareLevelIsWrittenInTheExactFormat)
{
    setLevel({{{100, 100}, {300, 100}, {300, 300}, {100, 300}}}, {0});
    ASSERT_TRUE(saveLevel("data/square.lv"));

    std::string expected = squareSection;
    for (int i = 0; i < ballCount; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%d.000000\n115.200005\n", 632 - 40 * i);
        expected += line;
    }
    EXPECT_EQ(readFile("data/square.lv"), expected);
}

TEST_F(LevelFile, NegativeNumbersReplaceTheLeadingSpaceWithTheirSign)
{
    setLevel({{{-12.5, 3.25}, {-1, -2}, {5, -7.125}}}, {0});
    placeBall(0, -3.5f, 42.0f);
    ASSERT_TRUE(saveLevel("data/signs.lv"));

    const std::string text = readFile("data/signs.lv");
    EXPECT_NE(text.find("\n-12.500000000000000  3.250000000000000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n-1.000000000000000 -2.000000000000000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n 5.000000000000000 -7.125000000000000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n-3.500000\n42.000000\n"), std::string::npos) << text;
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(LevelFile, SaveThenLoadKeepsPolygonHoleFlagsAndBalls)
{
    setLevel({rectangle(100.123456789012345, 400.987654321098765, 900.5, 700.25),
              {{450.000000000000123, 420}, {470, 420}, {470, 480.333333333333333}, {450, 480}},
              {{0.123456789012345678, 1}, {3, 1}, {3, 4}}},
             {0, 1, 0});
    const float ballValues[ballCount][2] = {{123.456789f, 300.1f},  {-40.25f, 0.0000004f}, {1023.999f, 767.5f},
                                            {0.333333f, 99.99999f}, {512.0f, 384.0f},      {1.0e5f, -1.0e5f},
                                            {7.0f, 8.125f}};
    for (int i = 0; i < ballCount; ++i) placeBall(i, ballValues[i][0], ballValues[i][1]);
    const LevelCopy saved = copyLevel();
    ASSERT_TRUE(saveLevel("data/round.lv"));

    // Everything a load must leave alone.
    freePlayfield();
    scatterBalls();
    angle = 0.5f;
    angularVelocity = 0.25f;
    shapeSize = 65.0f;
    shapeType = Square;
    selectedBall = 3;
    stampBlockedMs = 120;

    loadLevel("data/round.lv");

    const LevelCopy loaded = copyLevel();
    ASSERT_EQ(loaded.contours.size(), saved.contours.size());
    EXPECT_EQ(loaded.holes, saved.holes);
    for (size_t c = 0; c < saved.contours.size(); ++c) {
        ASSERT_EQ(loaded.contours[c].size(), saved.contours[c].size());
        for (size_t v = 0; v < saved.contours[c].size(); ++v) {
            EXPECT_NEAR(loaded.contours[c][v].x, saved.contours[c][v].x, 1e-15);
            EXPECT_NEAR(loaded.contours[c][v].y, saved.contours[c][v].y, 1e-15);
        }
    }
    for (int i = 0; i < ballCount; ++i) {
        EXPECT_NEAR(loaded.balls[i].x, saved.balls[i].x, 1e-6) << "ball " << i;
        EXPECT_NEAR(loaded.balls[i].y, saved.balls[i].y, 1e-6) << "ball " << i;
        EXPECT_EQ(balls[i].velocity.x, 0.0f);
        EXPECT_EQ(balls[i].velocity.y, 0.0f);
    }

    EXPECT_EQ(angle, 0.5f);
    EXPECT_EQ(angularVelocity, 0.25f);
    EXPECT_EQ(shapeSize, 65.0f);
    EXPECT_EQ(shapeType, int(Square));
    EXPECT_EQ(selectedBall, 3);
    EXPECT_EQ(stampBlockedMs, 120);

    // Strips rebuilt and everything rotated at the present angle.
    EXPECT_NEAR(stripArea(), levelArea(), 1e-6 * levelArea());
    const double s = static_cast<float>(std::sin(0.5)), c = static_cast<float>(std::cos(0.5));
    auto expectRotated = [&](const gpc_vertex& v) {
        const double dx = v.x - 512.0, dy = v.y - 384.0;
        EXPECT_DOUBLE_EQ(v.rx, 512.0 + dx * c + dy * s);
        EXPECT_DOUBLE_EQ(v.ry, 384.0 - dx * s + dy * c);
    };
    expectRotated(levelPolygon.contour[1].vertex[2]);
    ASSERT_GT(levelStrips.num_strips, 0);
    expectRotated(levelStrips.strip[levelStrips.num_strips - 1].vertex[0]);
}

TEST_F(LevelFile, PolygonOnlyFileLeavesTheBallsInTheDefaultRow)
{
    writeFile("data/bare.lv", squareSection);
    scatterBalls();
    loadLevel("data/bare.lv");

    ASSERT_EQ(levelPolygon.num_contours, 1);
    EXPECT_EQ(levelPolygon.contour[0].num_vertices, 4);
    expectDefaultRow();
    EXPECT_EQ(balls[0].position.x, pivot.x + 120.0f);
}

TEST_F(LevelFile, BallValuesAfterTheFirstNonNumberKeepTheDefaultRow)
{
    writeFile("data/fourth.lv", std::string(squareSection) + "10.5\n20.25\n30.75\nbanana\n50\n60\n70\n");
    scatterBalls();
    loadLevel("data/fourth.lv");

    EXPECT_EQ(balls[0].position.x, 10.5f);
    EXPECT_EQ(balls[0].position.y, 20.25f);
    EXPECT_EQ(balls[1].position.x, 30.75f);
    EXPECT_EQ(balls[1].position.y, float(384.0 * double(0.3f)));
    for (int i = 2; i < ballCount; ++i) {
        EXPECT_EQ(balls[i].position.x, float(632 - 40 * i)) << "ball " << i;
        EXPECT_EQ(balls[i].position.y, float(384.0 * double(0.3f))) << "ball " << i;
    }
}

TEST_F(LevelFile, CarriageReturnsTabsAndExtraSpacesReadTheSame)
{
    const std::string plain = std::string(squareSection) + "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n";
    writeFile("data/plain.lv", plain);
    loadLevel("data/plain.lv");
    const LevelCopy expected = copyLevel();

    std::string crlf;
    for (char ch : plain) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    writeFile("data/crlf.lv", crlf);
    scatterBalls();
    loadLevel("data/crlf.lv");
    expectSameLevel(expected, copyLevel());

    writeFile("data/spaced.lv",
              "  1 \t 4\r\n0   100 100\t300 100\n\n300 300 100 300 1 2 3\t4 5 6 7 8 9 10 11 12 13 14");
    scatterBalls();
    loadLevel("data/spaced.lv");
    expectSameLevel(expected, copyLevel());
}

TEST_F(LevelFile, FilesThatCannotBeReadLeaveAnEmptyLevelAndTheDefaultRow)
{
    const char* const cases[] = {"data/missing.lv", "data", ""};
    for (const char* path : cases) {
        SCOPED_TRACE(path);
        setLevel({rectangle(100, 400, 900, 500)}, {0});
        scatterBalls();
        angle = 0.25f;
        loadLevel(path);
        EXPECT_EQ(levelPolygon.num_contours, 0);
        EXPECT_EQ(levelStrips.num_strips, 0);
        expectDefaultRow();
        EXPECT_EQ(angle, 0.25f);
    }
}

TEST_F(LevelFile, EmptySectionsAreValid)
{
    writeFile("data/empty.lv", "");
    setLevel({rectangle(100, 400, 900, 500)}, {0});
    scatterBalls();
    loadLevel("data/empty.lv");
    EXPECT_EQ(levelPolygon.num_contours, 0);
    EXPECT_EQ(levelStrips.num_strips, 0);
    expectDefaultRow();

    // No contours, but the ball section still follows and is read.
    writeFile("data/nocontours.lv", "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n");
    loadLevel("data/nocontours.lv");
    EXPECT_EQ(levelPolygon.num_contours, 0);
    EXPECT_EQ(balls[0].position.x, 1.0f);
    EXPECT_EQ(balls[6].position.y, 14.0f);
}

}  // namespace
