#pragma once

// A textured quad turned about its centre; angle in degrees.
void drawSprite(int x, int y, int w, int h, unsigned texture,
                int srcX, int srcY, int srcW, int srcH, float angle, float scale);
