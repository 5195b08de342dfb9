// Screen geometry, the frame clock's values and the fixed-step driver.
// The clock itself (paceFrame) reads SDL's ticks and lives in pace.cpp.
#pragma once
#include <cstdint>

struct ScreenRect {
    int x, y, w, h;
};

extern int screenWidth;          // 1024
extern int screenHeight;         // 768
extern ScreenRect screenRect;    // (0, 0, 1024, 768) after start-up
extern uint32_t lastTicks;
extern uint32_t frameTime;       // ms between this pass and the previous one
extern uint32_t currentTicks;    // tick count of this pass, for animation
extern uint32_t stepAccumulator; // frame time not yet consumed by 20 ms steps
extern int fadeTime;             // remaining fade-in, 500 at start
extern bool quitRequested;

constexpr int simulationStepMs = 20;
constexpr uint32_t minimumFrameMs = 8;

// Sets the screen values (first thing at start-up).
void initScreen();
// Adds the frame time to the accumulator, runs physicsStep(20) for every
// whole 20 ms in it (no cap), then updateFrame once with the whole frame time.
void runFixedSteps(uint32_t frameMs);

// What one pass draws. The game fills every hook with GL; the headless runner
// passes no drawing at all. Both run the same pass through runPass.
struct FrameDrawing {
    void (*clear)();
    void (*splash)();          // the splash picture at stateTime
    void (*frame)();           // the scene and the state layer
    void (*fadeIn)(int fadeMs);
    void (*swap)();
};

// One pass of the main loop: clear, pace, the exit timer, the splash or the
// fixed steps with the update and the drawing, the fade-in, the swap, the
// pending state, the events. pace sets frameTime and currentTicks; pump
// drains the events into the input state.
void runPass(const FrameDrawing* drawing, void (*pace)(), void (*pump)());
