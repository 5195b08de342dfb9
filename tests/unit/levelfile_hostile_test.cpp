// Level files that lie: counts beyond what follows, negative or absurd
// counts, words where numbers belong, NaN, infinities and coordinates far
// off any screen. Whatever the file holds, the level that goes on is
// consistent and can still be played and stamped.
#include <cmath>
#include <cstdio>
#include <regex>
#include <string>

#include "app/input.h"
#include "game_test_support.h"
#include "playfield/stamp.h"

using namespace testworld;

namespace {

class HostileLevelFile : public ::testing::Test {
protected:
    void SetUp() override { resetWorld(); }
    void TearDown() override { freePlayfield(); }

    void load(const std::string& text)
    {
        writeFile("data/hostile.lv", text);
        setLevel({rectangle(100, 400, 900, 500)}, {0});
        for (int i = 0; i < ballCount; ++i) placeBall(i, 1.0f, 2.0f);
        loadLevel("data/hostile.lv");
    }

    // After any load the player can still stamp and cut.
    static void expectPlayable()
    {
        gameState = Playing;
        parkBalls();
        mousePos = Vec2(300.0, 200.0);
        mouseLeft = true;
        mouseAction();
        EXPECT_FALSE(mouseLeft);
        mousePos = Vec2(310.0, 210.0);
        mouseRight = true;
        mouseAction();
        EXPECT_FALSE(mouseRight);
        expectConsistentLevel();
    }

    WorkFolder folder;
};

const std::string square = "1\n4\n0\n 0 0\n 10 0\n 10 10\n 0 10\n";

TEST_F(HostileLevelFile, BrokenPolygonSectionsStopWithAConsistentLevelAndTheDefaultRow)
{
    const std::string cases[] = {
        "1\n10\n0\n 1 2\n 3 4\n 5 6\n",                 // vertex count beyond the file
        "3\n4\n0\n 0 0\n 10 0\n 10 10\n 0 10\n",        // contour count beyond the file
        "2147483647\n",                                  // a count no file could back
        "1\n2147483647\n0\n 1 2\n 3 4\n",
        "99999999999999999999\n1\n",                     // beyond int
        "-1\n1\n2\n",                                    // negative counts
        "1\n-4\n0\n 0 0\n 10 0\n",
        "abc\n",                                         // words
        "1\nxyz\n0\n",
        "1\n4\nq\n 0 0\n",
        "1\n4\n0\n 0 0\n 10 zero\n 10 10\n 0 10\n",
        "1\n4\n0\n 0 0\n nan 1\n 10 10\n 0 10\n",       // not finite
        "1\n4\n0\n 0 0\n 1 inf\n 10 10\n 0 10\n",
        "1\n4\n0\n 0 0\n 1e300 1\n 10 10\n 0 10\n",     // far beyond the screen
        "1\n4\n0\n 0 0\n 1 -1000001\n 10 10\n 0 10\n",
        "1\n4\n0\n 0 0\n 1e39 1\n 10 10\n 0 10\n",
        std::string("1\n4\n0\n 0 0\n 1") + std::string(5000, '0') + " 1\n",   // an endless number
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 60));
        load(text);
        expectConsistentLevel();
        expectDefaultRow();
        expectPlayable();
    }
}

TEST_F(HostileLevelFile, BallSectionStopsAtTheFirstValueThatIsNoUsableCoordinate)
{
    const char* const bad[] = {"nan", "-nan", "inf", "-infinity", "1e39", "1e7", "-2000000", "1000001", "x"};
    for (const char* value : bad) {
        SCOPED_TRACE(value);
        load(square + "5\n6\n" + value + "\n7\n8\n");
        ASSERT_EQ(levelPolygon.num_contours, 1);
        EXPECT_EQ(balls[0].position.x, 5.0f);
        EXPECT_EQ(balls[0].position.y, 6.0f);
        EXPECT_EQ(balls[1].position.x, 592.0f);
        EXPECT_EQ(balls[1].position.y, float(384.0 * double(0.3f)));
        EXPECT_EQ(balls[2].position.x, 552.0f);
        expectConsistentLevel();
    }
}

TEST_F(HostileLevelFile, CoordinatesUpToTheLimitAreRead)
{
    load(square + "1000000\n-1000000\n1e6\n0\n");
    EXPECT_EQ(balls[0].position.x, 1.0e6f);
    EXPECT_EQ(balls[0].position.y, -1.0e6f);
    EXPECT_EQ(balls[1].position.x, 1.0e6f);
    EXPECT_EQ(balls[1].position.y, 0.0f);
}

TEST_F(HostileLevelFile, OddHoleFlagsBecomeZeroOrOne)
{
    load("2\n4\n7\n 0 0\n 10 0\n 10 10\n 0 10\n4\n0\n 20 20\n 30 20\n 30 30\n 20 30\n");
    expectConsistentLevel();
    for (int c = 0; c < levelPolygon.num_contours; ++c) EXPECT_LE(levelPolygon.hole[c], 1);
}

TEST_F(HostileLevelFile, TruncatedPolygonSectionIsNotReadAsBalls)
{
    // The reader stops inside the polygon; the numbers after the stop are
    // vertices, not ball positions.
    load("1\n6\n0\n 0 0\n 10 0\n 10 10\n 0 10\n oops\n 1 2\n 3 4\n 5 6\n");
    expectConsistentLevel();
    expectDefaultRow();
}

TEST_F(HostileLevelFile, OutlineTooLargeOnceMadeSimpleIsRefusedAndTheLevelStays)
{
    // A 2,001-vertex self-crossing star that turns 31 times: about 122,000
    // vertices once its crossings are resolved.
    const int n = 2001, step = 31;
    std::string text = "1\n" + std::to_string(n) + "\n0\n";
    char line[64];
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * double(i) * step / n;
        std::snprintf(line, sizeof line, "%.6f %.6f\n", 512.0 + 300.0 * std::cos(a), 384.0 + 300.0 * std::sin(a));
        text += line;
    }
    writeFile("data/star.lv", text);
    setLevel({rectangle(100, 400, 900, 500)}, {0});
    placeBall(3, 250.0f, 260.0f);
    const LevelCopy before = copyLevel();

    testing::internal::CaptureStdout();
    loadLevel("data/star.lv");
    const std::string output = testing::internal::GetCapturedStdout();

    expectSameLevel(before, copyLevel());
    EXPECT_EQ(levelStrips.num_strips > 0, true);
    std::smatch count;
    ASSERT_TRUE(std::regex_search(output, count, std::regex("data/star\\.lv.* ([0-9]+) vertices"))) << output;
    EXPECT_GT(std::stol(count[1]), levelVertexLimit);
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_EQ(lastFileError + "\n", output);
}

TEST_F(HostileLevelFile, StarWhoseCrossingsWouldTakeMinutesIsRefusedBeforeTheyAreResolved)
{
    // 6,000 points joined with step 2,999: 18 million crossings, which took
    // over a minute and 3.5 GB to resolve before the load refused the result.
    const int n = 6000, step = 2999;
    std::string text = "1\n" + std::to_string(n) + "\n0\n";
    char line[64];
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * M_PI * double(i * step % n) / n;
        std::snprintf(line, sizeof line, "%.6f %.6f\n", 512.0 + 300.0 * std::cos(a), 450.0 + 300.0 * std::sin(a));
        text += line;
    }
    writeFile("data/star.lv", text);
    setLevel({rectangle(100, 400, 900, 500)}, {0});
    const LevelCopy before = copyLevel();

    testing::internal::CaptureStdout();
    loadLevel("data/star.lv");
    const std::string output = testing::internal::GetCapturedStdout();

    expectSameLevel(before, copyLevel());
    EXPECT_EQ(output, "Couldn't load the level \"data/star.lv\": its outline crosses itself more than 100000 times, "
                      "more than a level of 100000 vertices can\n");
}

}  // namespace
