// Long play with seeded random input, checking the game's invariants after
// every pass.
#pragma once
#include <cstdint>

// Plays the loaded level for the given minutes of game time. Returns 0 when
// every invariant held, 1 otherwise (after printing what broke).
int runSoak(uint32_t seed, long minutes);
