// Stamping: the player's tool in Playing and the level editor.
#pragma once
#include "physics/vec2.h"

// Once per frame in Playing and Editor while a mouse flag is set: picking
// and dropping balls (editor), refusal near balls, the stamp and its mirror.
void mouseAction();
// Unites (left button down) or cuts a stamp shape at the screen point.
void stampShape(bool allowed, float x, float y);
// The mirror image of the mouse position about the screen's centre line.
Vec2 mirrorPoint();
// The editor's per-frame handling of its keys.
void updateEditor(int dt);
