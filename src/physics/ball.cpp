#include "physics/ball.h"

#include <utility>

Ball* balls = nullptr;

float ballRadius = 20.0f;
float restitution = 0.5f;
float gravity = 0.1f;

void createBalls()
{
    if (!balls) balls = new Ball[ballCount];
}

void placeBallsInRow(Vec2 centre)
{
    for (int i = 0; i < ballCount; ++i) {
        Ball& b = balls[i];
        b.position = centre;
        b.position.x = static_cast<float>(double(b.position.x) - ((i - 3.5) * 2 + 1) * double(ballRadius));
        b.position.y = static_cast<float>(double(b.position.y) * double(0.3f));
        b.velocity = Vec2();
    }
}

void resetBalls(Vec2 centre)
{
    placeBallsInRow(centre);
    std::swap(balls[0].position, balls[3].position);
}
