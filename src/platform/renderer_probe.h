// The name of the display's OpenGL renderer, learnt before the game opens its
// window: a tiny off-screen GL context on a connection of its own. The game
// then opens its window once, with the multisampling that suits the
// renderer, instead of opening it, looking, and opening it again.
#pragma once
#include <string>

// GL_RENDERER of an off-screen context on $DISPLAY; empty when there is no
// X display or no GL on it. The connection stays open (the driver stays
// loaded for the game's own context) until closeRendererProbe.
std::string probeRenderer();
void closeRendererProbe();
