// The input state fed by real SDL events through the dummy video driver.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/input.h"
#include "game/state.h"

namespace {

class Input : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(1024, 768, 0, SDL_SWSURFACE), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
    void SetUp() override
    {
        pumpEvents();   // whatever the driver queued
        clearInput();
        pendingState = 0;
    }

    static void key(Uint8 type, SDLKey sym)
    {
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = type;
        e.key.type = type;
        e.key.keysym.sym = sym;
        ASSERT_EQ(SDL_PushEvent(&e), 0);
    }
    static void button(Uint8 type, Uint8 which, Uint16 x, Uint16 y)
    {
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = type;
        e.button.type = type;
        e.button.button = which;
        e.button.x = x;
        e.button.y = y;
        ASSERT_EQ(SDL_PushEvent(&e), 0);
    }
    static void motion(Uint16 x, Uint16 y)
    {
        SDL_Event e;
        std::memset(&e, 0, sizeof e);
        e.type = SDL_MOUSEMOTION;
        e.motion.type = SDL_MOUSEMOTION;
        e.motion.x = x;
        e.motion.y = y;
        ASSERT_EQ(SDL_PushEvent(&e), 0);
    }
};

TEST_F(Input, KeysAreLevelFlags)
{
    key(SDL_KEYDOWN, SDLK_ESCAPE);
    key(SDL_KEYDOWN, SDLK_F12);
    key(SDL_KEYDOWN, SDLK_a);   // not in the table
    pumpEvents();
    EXPECT_TRUE(keyEscape);
    EXPECT_TRUE(keyF12);
    EXPECT_FALSE(keyF11);
    key(SDL_KEYUP, SDLK_ESCAPE);
    pumpEvents();
    EXPECT_FALSE(keyEscape);
    EXPECT_TRUE(keyF12);
}

TEST_F(Input, PressAndReleaseInOnePassAreNeverSeen)
{
    key(SDL_KEYDOWN, SDLK_RETURN);
    key(SDL_KEYUP, SDLK_RETURN);
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 10);
    button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 10, 10);
    pumpEvents();
    EXPECT_FALSE(keyReturn);
    EXPECT_FALSE(mouseLeft);
}

TEST_F(Input, KeyTwinsShareTheButtonFlags)
{
    key(SDL_KEYDOWN, SDLK_x);
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 5, 5);
    pumpEvents();
    EXPECT_TRUE(mouseRight);
    key(SDL_KEYUP, SDLK_x);   // releasing x clears it while the button is still held
    pumpEvents();
    EXPECT_FALSE(mouseRight);

    key(SDL_KEYDOWN, SDLK_z);
    pumpEvents();
    EXPECT_TRUE(mouseLeft);
    button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 5, 5);
    pumpEvents();
    EXPECT_FALSE(mouseLeft);
}

TEST_F(Input, WheelFlagsAreOnlyEverSet)
{
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELUP, 1, 1);
    button(SDL_MOUSEBUTTONUP, SDL_BUTTON_WHEELUP, 1, 1);
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELDOWN, 1, 1);
    button(SDL_MOUSEBUTTONUP, SDL_BUTTON_WHEELDOWN, 1, 1);
    pumpEvents();
    EXPECT_TRUE(wheelUp);
    EXPECT_TRUE(wheelDown);
}

TEST_F(Input, PointerMovesWithMotionAndReleaseButNotWithPress)
{
    motion(100, 200);
    pumpEvents();
    EXPECT_FLOAT_EQ(mousePos.x, 100.0f);
    EXPECT_FLOAT_EQ(mousePos.y, 200.0f);
    button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 300, 400);
    pumpEvents();
    EXPECT_FLOAT_EQ(mousePos.x, 100.0f);
    EXPECT_FLOAT_EQ(mousePos.y, 200.0f);
    button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 310, 410);   // any button's release moves it
    pumpEvents();
    EXPECT_FLOAT_EQ(mousePos.x, 310.0f);
    EXPECT_FLOAT_EQ(mousePos.y, 410.0f);
    EXPECT_TRUE(mouseLeft) << "the middle button's release leaves the left button down";
}

TEST_F(Input, QuitRequestsExiting)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
    pumpEvents();
    EXPECT_EQ(pendingState, Exiting);
    pendingState = 0;
}

}  // namespace
