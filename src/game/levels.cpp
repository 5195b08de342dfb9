#include "game/levels.h"

#include <algorithm>
#include <cmath>

#include "app/loop.h"
#include "game/state.h"
#include "physics/ball.h"

const char* const levelFiles[levelCount] = {
    "data/9.lv",  "data/6.lv",  "data/8.lv",  "data/4.lv",  "data/3.lv",  "data/7.lv",
    "data/5.lv",  "data/2.lv",  "data/10.lv", "data/1.lv",  "data/11.lv", "data/12.lv",
    "data/13.lv", "data/14.lv", "data/15.lv", "data/16.lv", "data/17.lv", "data/18.lv",
};

int levelIndex = 0;
int keepTime = -1;

bool onScreen(Vec2 position)
{
    const ScreenRect& r = screenRect;
    // Far outside int's range (or not a number) is certainly off the screen;
    // within it the conversion truncates toward zero, so -0.9 still counts as 0.
    if (!(std::fabs(position.x) < 2.0e9f) || !(std::fabs(position.y) < 2.0e9f)) return false;
    const int ix = static_cast<int>(position.x);
    const int iy = static_cast<int>(position.y);
    return ix >= std::min(r.x, r.x + r.w) && ix <= std::max(r.x, r.x + r.w) &&
           iy >= std::min(r.y, r.y + r.h) && iy <= std::max(r.y, r.y + r.h);
}

void checkLevelRules()
{
    for (int i = 1; i < ballCount; ++i)
        if (!onScreen(balls[i].position)) requestState(LevelFailed);

    if (!onScreen(balls[0].position) && keepTime < 0) {
        keepTime = 0;
        return;
    }
    if (keepTime > 3000) requestState(LevelComplete);
}

void stepLevelIndex(int step)
{
    levelIndex += step;
    if (levelIndex < 0) levelIndex = levelCount - 1;
    if (levelIndex > levelCount - 1) levelIndex = 0;
}
