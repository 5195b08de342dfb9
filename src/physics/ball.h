// The seven balls and the tunables the simulation reads.
#pragma once
#include "physics/vec2.h"

constexpr int ballCount = 7;            // index 0 white, 1..6 red
constexpr float noContactDistance = 9999999.0f;

struct Ball {
    Vec2 position;
    Vec2 velocity;       // pixels per 200 ms
    Vec2 normal;
    Vec2 tangent;
    Vec2 contactPoint;
    float contactDistance = noContactDistance;
};

extern Ball* balls;      // ballCount records, created once by createBalls

extern float ballRadius;   // 20.0
extern float restitution;  // 0.5
extern float gravity;      // 0.1

void createBalls();
// The seven balls in a touching row at three tenths of centre.y, white at the right end.
void placeBallsInRow(Vec2 centre);
// The row, then balls 0 and 3 exchange places: white in the middle.
void resetBalls(Vec2 centre);
