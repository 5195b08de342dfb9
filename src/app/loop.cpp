#include "app/loop.h"

#include "game/state.h"
#include "physics/simulation.h"

int screenWidth = 0;
int screenHeight = 0;
ScreenRect screenRect = {0, 0, 0, 0};
uint32_t lastTicks = 0;
uint32_t frameTime = 0;
uint32_t currentTicks = 0;
uint32_t stepAccumulator = 0;
int fadeTime = 500;
bool quitRequested = false;

void initScreen()
{
    screenWidth = 1024;
    screenHeight = 768;
    screenRect = {0, 0, screenWidth, screenHeight};
}

void runFixedSteps(uint32_t frameMs)
{
    stepAccumulator += frameMs;
    while (stepAccumulator >= static_cast<uint32_t>(simulationStepMs)) {
        physicsStep(simulationStepMs);
        stepAccumulator -= simulationStepMs;
    }
    updateFrame(static_cast<int>(frameMs));
}

void runPass(const FrameDrawing* drawing, void (*pace)(), void (*pump)())
{
    if (drawing) drawing->clear();
    pace();
    if (gameState == Exiting && stateTime > 250) quitRequested = true;
    if (gameState == Splash) {
        if (drawing) drawing->splash();
        if (stateTime > 3000) requestState(Title);
    } else {
        runFixedSteps(frameTime);
        if (drawing) drawing->frame();
        if (fadeTime > 0) {
            if (drawing) drawing->fadeIn(fadeTime);
            fadeTime -= static_cast<int>(frameTime);
        }
    }
    if (drawing) drawing->swap();
    applyPendingState(static_cast<int>(frameTime));
    pump();
}
