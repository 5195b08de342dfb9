// PLACEHOLDER until stamping lands: to be replaced whole.
#include "playfield/stamp.h"
void mouseAction() {}
void stampShape(bool, float, float) {}
Vec2 mirrorPoint() { return Vec2(); }
void updateEditor(int) {}
