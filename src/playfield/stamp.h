// Stamping: the player's tool in Playing and the level editor.
#pragma once
#include "clip/gpc.h"
#include "physics/vec2.h"

// A stamp at one spot while the field turns lands a hair off the last one and
// leaves a crescent of no visible area behind; hundreds of them made every
// later stamp slower. After each stamp a contour is dropped when its area is
// below sliverArea (px^2) or its mean width, 2 * area / perimeter, below
// sliverWidth (px). No stamp can make a shape that small on purpose: the
// smallest shape (the square of size 5) covers 50 px^2 and is 7 px across.
constexpr double sliverArea = 0.01;
constexpr double sliverWidth = 0.01;
// Drops those contours from polygon (holes among them are filled, outer
// pieces removed); returns how many went.
int dropSlivers(gpc_polygon& polygon);

// Once per frame in Playing and Editor while a mouse flag is set: picking
// and dropping balls (editor), refusal near balls, the stamp and its mirror.
void mouseAction();
// Unites (left button down) or cuts a stamp shape at the screen point.
void stampShape(bool allowed, float x, float y);
// The mirror image of the mouse position about the screen's centre line.
Vec2 mirrorPoint();
// The editor's per-frame handling of its keys.
void updateEditor(int dt);
