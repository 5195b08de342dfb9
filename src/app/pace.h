// The frame clock on SDL's tick counter.
#pragma once

// Waits until at least 8 ms have passed since the last pass, then sets
// frameTime, lastTicks and currentTicks.
void paceFrame();
void resetFrameClock();
