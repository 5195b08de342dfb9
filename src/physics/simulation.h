// One fixed simulation step: integration, tilt, outline contacts, ball pairs,
// bounce, gravity and damping. It moves the world only in Playing.
#pragma once
#include "physics/vec2.h"

void physicsStep(int dt);

// Nearest point of the segment a-b to p. Returns true when the point lies
// within the segment (t in [0, 1]), false when it is an end point.
bool closestPointOnSegment(Vec2 p, Vec2 a, Vec2 b, Vec2& point, float& distance);
