// The game's states and the one-slot request through which they change.
// A change never happens mid-pass: requests are applied by applyPendingState
// at the end of the pass, and the last request of a pass wins, except that
// a request for Exiting outranks every other.
#pragma once

enum GameState {
    Title = 1,
    Playing = 2,
    LevelComplete = 3,
    LevelFailed = 4,
    Editor = 5,
    Exiting = 6,
    Splash = 7,
};

extern int gameState;     // a GameState, Splash at start
extern int pendingState;  // 0 = nothing requested
extern int stateTime;     // ms of frame time spent in the current state

void requestState(GameState state);
void applyPendingState(int frameMs);
// The per-frame update of the current state.
void updateFrame(int frameMs);

const char* stateName(int state);
