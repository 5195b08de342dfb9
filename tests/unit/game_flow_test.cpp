// The game's states and the ways between them: every row of the transition
// table, the result screens' half second, the level sequence wrapping, and
// requests that meet in one pass.
#include <SDL.h>

#include <cstring>

#include "game_test_support.h"

using namespace testworld;

namespace {

// Three levels told apart by their vertex counts.
const char level9[] = "1\n3\n0\n 100 400\n 900 400\n 500 700\n";
const char level6[] = "1\n4\n0\n 100 400\n 900 400\n 900 700\n 100 700\n";
const char level18[] = "1\n5\n0\n 100 400\n 900 400\n 900 700\n 500 750\n 100 700\n";

int loadedVertexCount()
{
    return levelPolygon.num_contours == 1 ? levelPolygon.contour[0].num_vertices : -1;
}

void quitEvent()
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_QUIT;
    handleEvent(e);
}

class GameFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetWorld();
        writeFile("data/9.lv", level9);
        writeFile("data/6.lv", level6);
        writeFile("data/18.lv", level18);
        reloadCurrentLevel();
        placeBall(1, 300.0f, 300.0f);
    }
    void TearDown() override { resetWorld(); }

    // From the title into a play whose level has been spoilt.
    static void playAndSpoil()
    {
        gameState = Title;
        mouseLeft = true;
        pass();
        ASSERT_EQ(gameState, int(Playing));
        setLevel({rectangle(0, 0, 10, 10), rectangle(20, 20, 30, 30)}, {0, 0});
        placeBall(1, 700.0f, 50.0f);
        angle = 0.4f;
        angularVelocity = 0.01f;
        shapeSize = 75.0f;
    }

    static void enter(GameState state)
    {
        requestState(state);
        applyPendingState(16);
    }

    WorkFolder folder;
};

TEST_F(GameFlow, TitleEscapeRequestsExitAndLeavesTheKeySet)
{
    keyEscape = true;
    pass();
    EXPECT_EQ(gameState, int(Exiting));
    EXPECT_TRUE(keyEscape);
}

TEST_F(GameFlow, TitleF2EntersTheEditorUprightWithNoBallCarried)
{
    angle = 0.6f;
    rotatePlayfield();
    selectedBall = 2;
    keyF2 = true;
    pass();
    EXPECT_EQ(gameState, int(Editor));
    EXPECT_FALSE(keyF2);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(selectedBall, -1);
    const gpc_vertex& v = levelPolygon.contour[0].vertex[1];
    EXPECT_EQ(v.rx, v.x);
    EXPECT_EQ(v.ry, v.y);
}

TEST_F(GameFlow, TitleArrowsStepThroughTheLevelsAndWrap)
{
    angle = 0.3f;
    keyLeft = true;
    pass();
    EXPECT_EQ(levelIndex, 17);
    EXPECT_EQ(loadedVertexCount(), 5);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_FALSE(keyLeft);
    EXPECT_EQ(gameState, int(Title));

    keyRight = true;
    pass();
    EXPECT_EQ(levelIndex, 0);
    EXPECT_EQ(loadedVertexCount(), 3);
    keyRight = true;
    pass();
    EXPECT_EQ(levelIndex, 1);
    EXPECT_EQ(loadedVertexCount(), 4);
    EXPECT_FALSE(keyRight);
    EXPECT_EQ(gameState, int(Title));
}

TEST_F(GameFlow, TitleClickSnapshotsTheLevelResetsTheToolAndStartsPlay)
{
    for (bool left : {true, false}) {
        SCOPED_TRACE(left ? "left" : "right");
        gameState = Title;
        const LevelCopy level = copyLevel();
        angle = 0.2f;
        angularVelocity = 0.3f;
        shapeSize = 12.0f;
        shapeType = Square;
        stampBlockedMs = 200;
        keepTime = 55;
        (left ? mouseLeft : mouseRight) = true;
        pass();
        EXPECT_EQ(gameState, int(Playing));
        EXPECT_FALSE(mouseLeft || mouseRight);
        EXPECT_EQ(keepTime, -1);
        EXPECT_EQ(angle, 0.0f);
        EXPECT_EQ(angularVelocity, 0.0f);
        EXPECT_EQ(shapeSize, 40.0f);
        EXPECT_EQ(shapeType, int(Circle));
        EXPECT_EQ(stampBlockedMs, 0);

        freePlayfield();
        loadLevel("data/temp");
        expectSameLevel(level, copyLevel());
    }
}

TEST_F(GameFlow, PlayingEscapeRestoresTheSnapshotAtTheAngleItHad)
{
    const LevelCopy level = copyLevel();
    playAndSpoil();
    keyEscape = true;
    pass();
    EXPECT_EQ(gameState, int(Title));
    EXPECT_FALSE(keyEscape);
    expectSameLevel(level, copyLevel());
    EXPECT_EQ(angle, 0.4f);
    const gpc_vertex& v = levelPolygon.contour[0].vertex[0];
    EXPECT_NE(v.rx, v.x) << "shown at the angle it had";
}

TEST_F(GameFlow, ResultScreensWaitMoreThanHalfASecondForAClick)
{
    for (GameState result : {LevelComplete, LevelFailed}) {
        SCOPED_TRACE(stateName(result));
        levelIndex = 0;
        reloadCurrentLevel();
        playAndSpoil();
        enter(result);
        pass(500);   // a pass in the state: stateTime becomes 500
        mouseLeft = true;
        pass();
        EXPECT_EQ(gameState, int(result)) << "500 ms is not more than 500";
        EXPECT_TRUE(mouseLeft) << "the press waits";
        pass();
        EXPECT_EQ(gameState, int(Title));
        EXPECT_FALSE(mouseLeft || mouseRight);
        if (result == LevelComplete) {
            EXPECT_EQ(levelIndex, 1);
            EXPECT_EQ(loadedVertexCount(), 4);
            EXPECT_EQ(angle, 0.0f);
        } else {
            EXPECT_EQ(levelIndex, 0);
            EXPECT_EQ(loadedVertexCount(), 3);
            EXPECT_EQ(angle, 0.4f) << "the failed level comes back at its angle";
        }
    }
}

TEST_F(GameFlow, CompletingTheLastLevelGoesOnWithTheFirst)
{
    levelIndex = 17;
    reloadCurrentLevel();
    playAndSpoil();
    enter(LevelComplete);
    pass(501);
    mouseRight = true;
    pass();
    EXPECT_EQ(levelIndex, 0);
    EXPECT_EQ(loadedVertexCount(), 3);
}

TEST_F(GameFlow, ResultScreensEscapeOrReturnRestoreTheSameLevelUpright)
{
    for (GameState result : {LevelComplete, LevelFailed}) {
        for (bool escape : {true, false}) {
            SCOPED_TRACE(testing::Message() << stateName(result) << (escape ? " escape" : " return"));
            levelIndex = 17;
            reloadCurrentLevel();
            const LevelCopy level = copyLevel();
            playAndSpoil();
            enter(result);
            (escape ? keyEscape : keyReturn) = true;
            pass();   // no need to wait
            EXPECT_EQ(gameState, int(Title));
            EXPECT_FALSE(keyEscape || keyReturn);
            EXPECT_EQ(levelIndex, 17);
            expectSameLevel(level, copyLevel());
            EXPECT_EQ(angle, 0.0f);
            EXPECT_EQ(angularVelocity, 0.0f);
            EXPECT_EQ(shapeSize, 40.0f);
            const gpc_vertex& v = levelPolygon.contour[0].vertex[0];
            EXPECT_EQ(v.rx, v.x);
        }
    }
}

TEST_F(GameFlow, EditorEscapeReturnsToTheTitleUpright)
{
    enter(Editor);
    keyEscape = true;
    pass();
    EXPECT_EQ(gameState, int(Title));
    EXPECT_FALSE(keyEscape);
    EXPECT_EQ(angle, 0.0f);
}

TEST_F(GameFlow, SplashAndExitingConsumeNoInput)
{
    for (GameState state : {Splash, Exiting}) {
        gameState = state;
        mouseLeft = keyEscape = keyReturn = keyF2 = keyLeft = true;
        updateFrame(16);
        EXPECT_EQ(pendingState, 0);
        EXPECT_TRUE(mouseLeft && keyEscape && keyReturn && keyF2 && keyLeft);
        EXPECT_EQ(levelIndex, 0);
        clearInput();
    }
}

TEST_F(GameFlow, QuitRequestsExitingFromEveryState)
{
    for (GameState state : {Title, Playing, LevelComplete, LevelFailed, Editor, Exiting, Splash}) {
        gameState = state;
        quitEvent();
        applyPendingState(16);
        EXPECT_EQ(gameState, int(Exiting)) << stateName(state);
    }
}

TEST_F(GameFlow, RequestingTheCurrentStateRestartsItsClock)
{
    enter(Playing);
    pass(100);
    pass(100);
    EXPECT_EQ(stateTime, 200);
    enter(Playing);
    EXPECT_EQ(stateTime, 0);
}

// Requests that meet in one pass: the last one wins.

TEST_F(GameFlow, TitleEscapeWithAButtonQuitsRatherThanPlays)
{
    keyEscape = true;
    mouseLeft = true;
    pass();
    EXPECT_EQ(gameState, int(Exiting)) << "a request for Exiting outranks the later one for Playing";
}

TEST_F(GameFlow, PlayingEscapeWinsOverTheRulesInTheSamePass)
{
    playAndSpoil();
    placeBall(2, -100.0f, 300.0f);   // fails
    keyEscape = true;
    pass();
    EXPECT_EQ(gameState, int(Title));

    playAndSpoil();
    placeBall(0, 500.0f, 900.0f);
    keepTime = 4000;   // completes
    keyEscape = true;
    pass();
    EXPECT_EQ(gameState, int(Title));
}

// The loop's pass as the game runs it: update, pending state, then events.
uint32_t passMs = 16;
void fixedPace()
{
    frameTime = passMs;
    currentTicks += passMs;
}
void noEvents() {}
void quitAndClick()
{
    quitEvent();
    mouseLeft = true;   // a press drained with the quit
}
void quitOnly() { quitEvent(); }

TEST_F(GameFlow, AQuitOutranksEveryRequestOfTheNextPass)
{
    fadeTime = 0;
    quitRequested = false;
    runPass(nullptr, fixedPace, quitAndClick);
    EXPECT_EQ(pendingState, int(Exiting));
    runPass(nullptr, fixedPace, noEvents);
    EXPECT_EQ(gameState, int(Exiting)) << "the click's later request for Playing did not replace the quit";

    // Nor does a request of the rules.
    gameState = Playing;
    keepTime = -1;
    placeBall(4, -300.0f, 300.0f);
    runPass(nullptr, fixedPace, quitOnly);
    runPass(nullptr, fixedPace, noEvents);
    EXPECT_EQ(gameState, int(Exiting));
}

TEST_F(GameFlow, ResultClickAndReturnInOnePassKeepTheLevelAndItsNumberTogether)
{
    const LevelCopy level = copyLevel();
    playAndSpoil();
    enter(LevelComplete);
    pass(501);
    mouseLeft = true;
    keyReturn = true;
    pass();
    EXPECT_EQ(gameState, int(Title));
    EXPECT_EQ(levelIndex, 0) << "the keys win: back to the level just won";
    expectSameLevel(level, copyLevel());
    EXPECT_FALSE(mouseLeft) << "the click is spent, so the title does not start play with it";
}

}  // namespace
