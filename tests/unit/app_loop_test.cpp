// The fixed-step driver, the frame clock and the pass shared by game and runner.
#include <SDL.h>
#include <gtest/gtest.h>

#include "app/input.h"
#include "app/loop.h"
#include "app/pace.h"
#include "game/levels.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/playfield.h"

namespace {

// Steps are counted by a ball drifting on an empty level: with no contour a
// step moves it by velocity * 0.1 and changes nothing else.
class FixedSteps : public ::testing::Test {
protected:
    void SetUp() override
    {
        initScreen();
        createBalls();
        freePlayfield();
        placeBallsInRow(Vec2(512, 384));
        balls[0].velocity = Vec2(10, 0);   // 1 px per step
        gameState = Playing;
        pendingState = 0;
        keepTime = -1;
        stepAccumulator = 0;
        clearInput();
    }
    void TearDown() override { gameState = Splash; }
    int stepsDuring(uint32_t frameMs)
    {
        const float before = balls[0].position.x;
        runFixedSteps(frameMs);
        return static_cast<int>(balls[0].position.x - before + 0.5f);
    }
};

TEST_F(FixedSteps, RemainderCarriesOverToTheNextPass)
{
    stepAccumulator = 15;
    EXPECT_EQ(stepsDuring(8), 1);
    EXPECT_EQ(stepAccumulator, 3u);

    stepAccumulator = 5;
    EXPECT_EQ(stepsDuring(8), 0);
    EXPECT_EQ(stepAccumulator, 13u);
}

TEST_F(FixedSteps, LongPassesRunEveryStepWithoutCap)
{
    EXPECT_EQ(stepsDuring(65), 3);
    EXPECT_EQ(stepAccumulator, 5u);

    stepAccumulator = 0;
    balls[0].position = Vec2(0, 384);
    EXPECT_EQ(stepsDuring(1000), 50);
    EXPECT_EQ(stepAccumulator, 0u);
}

TEST_F(FixedSteps, StateChangeEmptiesTheAccumulator)
{
    runFixedSteps(19);
    EXPECT_EQ(stepAccumulator, 19u);
    requestState(Title);
    applyPendingState(19);
    EXPECT_EQ(gameState, Title);
    EXPECT_EQ(stepAccumulator, 0u);
    EXPECT_EQ(stateTime, 0);
}

TEST_F(FixedSteps, UpdateRunsOncePerPassAfterTheSteps)
{
    // keepTime grows by the whole frame time once per pass, not per step.
    keepTime = 0;
    runFixedSteps(65);
    EXPECT_EQ(keepTime, 65);
}

// A pass of the headless kind: no drawing, a fixed frame time.
uint32_t passFrameMs = 16;
void fixedPace()
{
    frameTime = passFrameMs;
    currentTicks += passFrameMs;
}
void noEvents() {}

TEST(Pass, SplashEndsOnceStateTimeExceedsThreeSeconds)
{
    initScreen();
    gameState = Splash;
    pendingState = 0;
    stateTime = 0;
    fadeTime = 500;
    quitRequested = false;
    passFrameMs = 1000;
    runPass(nullptr, fixedPace, noEvents);   // stateTime 0 -> 1000
    runPass(nullptr, fixedPace, noEvents);   // 2000
    runPass(nullptr, fixedPace, noEvents);   // 3000: not yet more than 3000
    EXPECT_EQ(gameState, Splash);
    EXPECT_EQ(fadeTime, 500) << "the fade-in does not run during the splash";
    runPass(nullptr, fixedPace, noEvents);   // sees 3000, 4000 afterwards
    EXPECT_EQ(gameState, Splash);
    runPass(nullptr, fixedPace, noEvents);   // sees 4000 > 3000: requests Title
    EXPECT_EQ(gameState, Title);
    EXPECT_EQ(stateTime, 0);
}

TEST(Pass, ExitingEndsTheLoopAfter250ms)
{
    initScreen();
    gameState = Exiting;
    pendingState = 0;
    stateTime = 0;
    fadeTime = 0;
    quitRequested = false;
    passFrameMs = 100;
    for (int i = 0; i < 3; ++i) runPass(nullptr, fixedPace, noEvents);   // 0, 100, 200 seen
    EXPECT_FALSE(quitRequested);
    runPass(nullptr, fixedPace, noEvents);   // sees 300
    EXPECT_TRUE(quitRequested);
    gameState = Splash;
}

TEST(Pass, FadeInCountsDownOutsideTheSplash)
{
    initScreen();
    gameState = Exiting;
    stateTime = 0;
    pendingState = 0;
    fadeTime = 500;
    passFrameMs = 16;
    runPass(nullptr, fixedPace, noEvents);
    EXPECT_EQ(fadeTime, 484);
    gameState = Splash;
}

TEST(FrameClock, APassLastsAtLeastEightMilliseconds)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0) << SDL_GetError();
    resetFrameClock();
    paceFrame();
    EXPECT_GE(frameTime, 8u);
    EXPECT_EQ(currentTicks, lastTicks);
    SDL_Delay(30);
    paceFrame();
    EXPECT_GE(frameTime, 30u) << "a slow pass is measured, not shortened";
    SDL_QuitSubSystem(SDL_INIT_TIMER);
}

}  // namespace
