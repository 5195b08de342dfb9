#include "app/pace.h"

#include <SDL.h>

#include "app/loop.h"

void paceFrame()
{
    int32_t elapsed = static_cast<int32_t>(SDL_GetTicks() - lastTicks);
    if (elapsed < static_cast<int32_t>(minimumFrameMs)) SDL_Delay(minimumFrameMs - elapsed);
    uint32_t now = SDL_GetTicks();
    frameTime = now - lastTicks;
    lastTicks = now;
    currentTicks = now;
}

void resetFrameClock()
{
    lastTicks = SDL_GetTicks();
}
