// The layers of one frame: background, playfield, cursor, balls, screw, then
// the state layer of the current screen.
#pragma once

void drawFrame();
void drawBackground();
// The start-up splash: the picture fading in and out over three seconds.
void drawSplash(unsigned texture, int stateTimeMs);
// The one-time fade-in overlay after the splash (alpha = fadeTime / 500).
void drawFadeIn(int fadeTimeMs);
