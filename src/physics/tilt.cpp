// PLACEHOLDER until the tilt lands: to be replaced whole.
#include "physics/tilt.h"
void updateTilt(float) {}
