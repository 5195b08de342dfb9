// The rule that decides a play: red balls must stay on the screen, and once
// the white ball has left, more than three seconds must pass.
#include <cmath>
#include <limits>

#include "game_test_support.h"

using namespace testworld;

namespace {

class LevelRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetWorld();
        gameState = Playing;
        for (int i = 0; i < ballCount; ++i) placeBall(i, 100.0f + 100.0f * i, 300.0f);
    }
    void TearDown() override { resetWorld(); }
};

TEST_F(LevelRules, ABallIsOnTheScreenWhileItsTruncatedCentreIsWithinTheBoundsIncluded)
{
    struct Case {
        float x, y;
        bool on;
    };
    const Case cases[] = {
        {-0.9f, 300.0f, true},  {-1.0f, 300.0f, false}, {1024.9f, 300.0f, true}, {1025.0f, 300.0f, false},
        {500.0f, -0.9f, true},  {500.0f, -1.0f, false}, {500.0f, 768.9f, true},  {500.0f, 769.0f, false},
        {0.0f, 0.0f, true},     {1024.0f, 768.0f, true}, {-1.0e30f, 300.0f, false},
        {500.0f, std::numeric_limits<float>::infinity(), false},
        {std::numeric_limits<float>::quiet_NaN(), 300.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        EXPECT_EQ(onScreen(Vec2(c.x, c.y)), c.on);

        // A red ball off the screen fails the level.
        SetUp();
        placeBall(4, c.x, c.y);
        checkLevelRules();
        EXPECT_EQ(pendingState, c.on ? 0 : int(LevelFailed));

        // The white ball off the screen starts the countdown.
        SetUp();
        placeBall(0, c.x, c.y);
        checkLevelRules();
        EXPECT_EQ(keepTime, c.on ? -1 : 0);
        EXPECT_EQ(pendingState, 0);
    }
}

TEST_F(LevelRules, CompleteOnlyOnceTheCountdownExceedsThreeSeconds)
{
    placeBall(0, 500.0f, 900.0f);
    updateFrame(16);
    EXPECT_EQ(keepTime, 0) << "started on the first pass off the screen";
    keepTime = 2984;
    updateFrame(16);
    EXPECT_EQ(keepTime, 3000);
    EXPECT_EQ(pendingState, 0) << "exactly 3000 is not more than 3000";
    updateFrame(16);
    EXPECT_EQ(keepTime, 3016);
    EXPECT_EQ(pendingState, int(LevelComplete));
}

TEST_F(LevelRules, CountdownRunsWhateverTheWhiteBallDoesAfterwards)
{
    placeBall(0, 500.0f, 900.0f);
    updateFrame(16);
    ASSERT_EQ(keepTime, 0);
    placeBall(0, 500.0f, 300.0f);   // back on the screen
    for (int i = 0; i < 10; ++i) updateFrame(16);
    EXPECT_EQ(keepTime, 160);
    placeBall(0, 500.0f, 900.0f);   // off again: not restarted
    updateFrame(16);
    EXPECT_EQ(keepTime, 176);
    EXPECT_EQ(pendingState, 0);
}

TEST_F(LevelRules, WithoutTheWhiteBallLeavingThereIsNoEnd)
{
    for (int i = 0; i < 1000; ++i) updateFrame(16);
    EXPECT_EQ(keepTime, -1);
    EXPECT_EQ(pendingState, 0);
}

TEST_F(LevelRules, WhiteAndRedLeavingOnOnePassFails)
{
    placeBall(0, 500.0f, 900.0f);
    placeBall(2, -30.0f, 300.0f);
    updateFrame(16);
    EXPECT_EQ(keepTime, 0);
    EXPECT_EQ(pendingState, int(LevelFailed));
}

TEST_F(LevelRules, ARedLeavingOnThePassTheCountdownEndsStillCompletes)
{
    placeBall(0, 500.0f, 900.0f);
    keepTime = 2990;
    placeBall(6, 500.0f, 800.0f);
    updateFrame(16);
    EXPECT_EQ(pendingState, int(LevelComplete));
    applyPendingState(16);
    EXPECT_EQ(gameState, int(LevelComplete));
}

TEST_F(LevelRules, SeveralRedsLeavingMakeOneChange)
{
    for (int i = 1; i < ballCount; ++i) placeBall(i, 2000.0f, 300.0f);
    updateFrame(16);
    EXPECT_EQ(pendingState, int(LevelFailed));
    applyPendingState(16);
    EXPECT_EQ(gameState, int(LevelFailed));
    EXPECT_EQ(stateTime, 0);
    EXPECT_EQ(pendingState, 0);
    applyPendingState(16);
    EXPECT_EQ(stateTime, 16) << "nothing left pending to restart the clock";
}

TEST_F(LevelRules, RulesRunOnlyWhilePlaying)
{
    placeBall(0, 500.0f, 900.0f);
    placeBall(3, 500.0f, 900.0f);
    for (int state : {int(Title), int(Editor), int(LevelComplete), int(LevelFailed), int(Splash), int(Exiting)}) {
        gameState = state;
        pendingState = 0;
        updateFrame(16);
        EXPECT_EQ(pendingState, 0) << stateName(state);
        EXPECT_EQ(keepTime, -1) << stateName(state);
    }
}

}  // namespace
