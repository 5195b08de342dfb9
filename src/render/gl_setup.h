// Fixed-function GL state and the 2-D pixel projection (y down).
#pragma once

void initGL(int width, int height);
void pushOrtho2D(float width, float height);
void popOrtho2D();
