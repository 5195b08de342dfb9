// The playfield turning about the screw under the weight of its area and of
// the balls resting on it.
#pragma once

void updateTilt(float dt);
