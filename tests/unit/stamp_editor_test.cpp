// The level editor: picking up and putting down balls, mirrored stamps,
// clearing, and the keys of its per-frame handling.
#include <string>

#include "app/input.h"
#include "game_test_support.h"
#include "playfield/stamp.h"

using namespace testworld;

namespace {

std::string dialogAnswer;
int openCalls = 0;
int saveCalls = 0;

std::string openDialog(const char*)
{
    ++openCalls;
    return dialogAnswer;
}
std::string saveDialog(const char*)
{
    ++saveCalls;
    return dialogAnswer;
}

double centreX(const gpc_vertex_list& list)
{
    double x = 0;
    for (int i = 0; i < list.num_vertices; ++i) x += list.vertex[i].x;
    return x / list.num_vertices;
}

class Editor : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetWorld();
        gameState = ::Editor;
        parkBalls();
        dialogAnswer.clear();
        openCalls = saveCalls = 0;
        openLevelDialog = openDialog;
        saveLevelDialog = saveDialog;
    }
    void TearDown() override { resetWorld(); }

    static void click(bool left, bool right, float x, float y)
    {
        mousePos = Vec2(x, y);
        mouseLeft = left;
        mouseRight = right;
        updateEditor(16);
    }
};

TEST_F(Editor, PicksABallWithin19PixelsAndRefusesTheStampAt20)
{
    placeBall(0, 500.0f, 300.0f);
    click(true, false, 519.0f, 300.0f);
    EXPECT_EQ(selectedBall, 0);
    EXPECT_FALSE(mouseLeft);
    EXPECT_EQ(levelPolygon.num_contours, 0);
    EXPECT_EQ(stampBlockedMs, 0);

    selectedBall = -1;
    placeBall(0, 500.0f, 300.0f);
    click(true, false, 520.0f, 300.0f);
    EXPECT_EQ(selectedBall, -1);
    EXPECT_EQ(stampBlockedMs, 500);
    EXPECT_TRUE(mouseLeft);
    EXPECT_EQ(levelPolygon.num_contours, 0);
}

TEST_F(Editor, OfSeveralBallsInReachTheHighestIndexIsPicked)
{
    placeBall(1, 500.0f, 300.0f);
    placeBall(4, 510.0f, 300.0f);
    click(true, false, 505.0f, 300.0f);
    EXPECT_EQ(selectedBall, 4);
}

TEST_F(Editor, CarriedBallFollowsThePointerExactlyAndStaysWhereItIsPutDown)
{
    placeBall(3, 200.0f, 200.0f);
    click(true, false, 210.0f, 205.0f);
    ASSERT_EQ(selectedBall, 3);
    EXPECT_EQ(balls[3].position.x, 210.0f) << "it follows on the pass it is picked";
    EXPECT_EQ(balls[3].position.y, 205.0f);

    setLevel({rectangle(100, 400, 900, 700)}, {0});
    const LevelCopy level = copyLevel();
    for (Vec2 p : {Vec2(123.5, 700.25), Vec2(-40.0, 2000.0), Vec2(512.0, 384.0)}) {
        mousePos = p;
        updateEditor(16);
        EXPECT_EQ(balls[3].position.x, p.x);
        EXPECT_EQ(balls[3].position.y, p.y);
    }

    // The next left click puts it down where it was carried to, and stamps
    // nothing.
    click(true, false, 512.0f, 384.0f);
    EXPECT_EQ(selectedBall, -1);
    EXPECT_FALSE(mouseLeft);
    mousePos = Vec2(10.0, 10.0);
    updateEditor(16);
    EXPECT_EQ(balls[3].position.x, 512.0f);
    EXPECT_EQ(balls[3].position.y, 384.0f);
    EXPECT_EQ(copyLevel().contours.size(), level.contours.size());
    EXPECT_EQ(levelArea(), 800.0 * 300.0);
}

TEST_F(Editor, RightButtonCutsWhileABallIsCarried)
{
    setLevel({rectangle(100, 400, 900, 700)}, {0});
    const double full = levelArea();
    selectedBall = 2;
    click(false, true, 500.0f, 500.0f);
    EXPECT_EQ(selectedBall, 2);
    EXPECT_FALSE(mouseRight);
    EXPECT_LT(levelArea(), full);
}

TEST_F(Editor, SpaceStampsAtThePointerAndItsMirrorImage)
{
    keySpace = true;
    click(true, false, 300.0f, 200.0f);
    EXPECT_FALSE(mouseLeft);
    ASSERT_EQ(levelPolygon.num_contours, 2);
    double a = centreX(levelPolygon.contour[0]), b = centreX(levelPolygon.contour[1]);
    if (a > b) std::swap(a, b);
    EXPECT_NEAR(a, 300.0, 0.5);
    EXPECT_NEAR(b, 724.0, 0.5);
    EXPECT_TRUE(keySpace) << "space is held, not consumed";

    // A cut with space cuts both away again.
    click(false, true, 300.0f, 200.0f);
    EXPECT_EQ(levelPolygon.num_contours, 0);
}

TEST_F(Editor, ARefusalAtEitherPointStopsBothStamps)
{
    keySpace = true;
    for (Vec2 ball : {Vec2(724.0, 240.0), Vec2(300.0, 159.0)}) {
        placeBall(5, ball.x, ball.y);
        stampBlockedMs = 0;
        click(true, false, 300.0f, 200.0f);
        EXPECT_EQ(levelPolygon.num_contours, 0);
        EXPECT_EQ(stampBlockedMs, 500);
        EXPECT_TRUE(mouseLeft);
    }
}

TEST_F(Editor, MirrorPointTruncatesTheDistanceToTheCentreLine)
{
    const std::pair<Vec2, Vec2> cases[] = {
        {Vec2(300.0, 200.0), Vec2(724.0, 200.0)}, {Vec2(512.0, 7.0), Vec2(512.0, 7.0)},
        {Vec2(300.7, 1.5), Vec2(723.0, 1.5)},     {Vec2(600.5, 0.0), Vec2(424.0, 0.0)},
        {Vec2(0.0, 0.0), Vec2(1024.0, 0.0)},      {Vec2(1023.0, 767.0), Vec2(1.0, 767.0)},
    };
    for (const auto& [pointer, mirror] : cases) {
        mousePos = pointer;
        const Vec2 m = mirrorPoint();
        EXPECT_EQ(m.x, mirror.x) << pointer.x;
        EXPECT_EQ(m.y, mirror.y) << pointer.x;
    }
}

TEST_F(Editor, OnTheCentreColumnBothStampsLandInOnePlace)
{
    click(true, false, 512.0f, 200.0f);
    const LevelCopy single = copyLevel();
    freePlayfield();
    keySpace = true;
    click(true, false, 512.0f, 200.0f);
    expectSameLevel(single, copyLevel());
}

TEST_F(Editor, ClearEmptiesTheLevelOnEveryPassWhileHeldThenStampsStartAfresh)
{
    setLevel({rectangle(100, 400, 900, 700)}, {0});
    keyC = true;
    updateEditor(16);
    EXPECT_EQ(levelPolygon.num_contours, 0);
    EXPECT_EQ(levelStrips.num_strips, 0);
    EXPECT_EQ(balls[0].position.x, 512.0f);
    EXPECT_EQ(balls[3].position.x, 632.0f);
    EXPECT_TRUE(keyC);

    setLevel({rectangle(100, 400, 900, 700)}, {0});
    placeBall(6, 1.0f, 1.0f);
    updateEditor(16);
    EXPECT_EQ(levelPolygon.num_contours, 0);
    EXPECT_EQ(balls[6].position.x, 392.0f);

    keyC = false;
    click(false, true, 700.0f, 500.0f);
    EXPECT_EQ(levelPolygon.num_contours, 0) << "a cut on an empty level";
    click(true, false, 300.0f, 500.0f);
    ASSERT_EQ(levelPolygon.num_contours, 1);
    EXPECT_NEAR(centreX(levelPolygon.contour[0]), 300.0, 0.5);
}

TEST_F(Editor, RefusalTimerRunsDownAndStopsAtZero)
{
    stampBlockedMs = 300;
    updateEditor(16);
    EXPECT_EQ(stampBlockedMs, 284);
    stampBlockedMs = 10;
    updateEditor(16);
    EXPECT_EQ(stampBlockedMs, 0);
    updateEditor(16);
    EXPECT_EQ(stampBlockedMs, 0);
}

TEST_F(Editor, ArrowsStepTheShapeTypeWithinZeroToTwo)
{
    const int upwards[] = {1, 2, 2};
    for (int expected : upwards) {
        keyLeft = true;
        updateEditor(16);
        EXPECT_EQ(shapeType, expected);
        EXPECT_FALSE(keyLeft);
    }
    const int downwards[] = {1, 0, 0};
    for (int expected : downwards) {
        keyRight = true;
        updateEditor(16);
        EXPECT_EQ(shapeType, expected);
        EXPECT_FALSE(keyRight);
    }
}

TEST_F(Editor, WheelStepsTheSizeByFiveWithoutBounds)
{
    for (int i = 0; i < 9; ++i) {
        wheelUp = true;
        updateEditor(16);
        EXPECT_FALSE(wheelUp);
    }
    EXPECT_EQ(shapeSize, -5.0f);
    wheelDown = true;
    updateEditor(16);
    EXPECT_EQ(shapeSize, 0.0f);
    EXPECT_FALSE(wheelDown);
    for (int i = 0; i < 100; ++i) {
        wheelDown = true;
        updateEditor(16);
    }
    EXPECT_EQ(shapeSize, 500.0f);
}

TEST_F(Editor, EscapeGoesBackToTheTitleWithTheLevelAsEdited)
{
    setLevel({rectangle(100, 400, 900, 700)}, {0});
    const LevelCopy edited = copyLevel();
    angle = 0.25f;
    keyEscape = true;
    updateEditor(16);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(pendingState, int(Title));
    EXPECT_FALSE(keyEscape);
    expectSameLevel(edited, copyLevel());
}

TEST_F(Editor, F2OpensAFileAndF11OrF12SaveOne)
{
    WorkFolder folder;
    setLevel({rectangle(100, 400, 900, 700)}, {0});
    const LevelCopy edited = copyLevel();

    keyF2 = true;   // cancelled
    updateEditor(16);
    EXPECT_EQ(openCalls, 1);
    EXPECT_FALSE(keyF2);
    expectSameLevel(edited, copyLevel());

    dialogAnswer = "data/edited";
    keyF12 = true;
    keyF11 = true;
    updateEditor(16);
    EXPECT_EQ(saveCalls, 1) << "both keys at once save once";
    EXPECT_FALSE(keyF11 || keyF12);
    EXPECT_TRUE(std::filesystem::exists("data/edited.lv"));
    keyF11 = true;
    dialogAnswer = "data/second.lv";
    updateEditor(16);
    EXPECT_EQ(saveCalls, 2);
    EXPECT_TRUE(std::filesystem::exists("data/second.lv"));

    freePlayfield();
    dialogAnswer = "data/edited.lv";
    keyF2 = true;
    updateEditor(16);
    EXPECT_EQ(openCalls, 2);
    expectSameLevel(edited, copyLevel());
}

}  // namespace
