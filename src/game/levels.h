// The level sequence and the rule that decides success and failure.
#pragma once
#include "physics/vec2.h"

constexpr int levelCount = 18;
extern const char* const levelFiles[levelCount];
extern int levelIndex;   // 0..17
extern int keepTime;     // ms since the white ball left the screen, -1 before

// The truncated centre lies within screenRect, bounds included.
bool onScreen(Vec2 position);
// Requests LevelFailed for a red ball off the screen, starts keepTime when the
// white ball first leaves, and requests LevelComplete once keepTime > 3000.
void checkLevelRules();
// levelIndex stepped by +1 or -1, 0 and 17 wrapping to each other.
void stepLevelIndex(int step);
