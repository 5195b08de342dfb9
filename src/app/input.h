// The input state: level flags set by press events and cleared by release
// events (the wheel flags are only ever set), and the mouse position. The
// reader that acts on a flag clears it.
#pragma once
#include "physics/vec2.h"

union SDL_Event;

extern Vec2 mousePos;
extern bool mouseLeft;   // left button or z
extern bool mouseRight;  // right button or x
extern bool wheelUp;
extern bool wheelDown;
extern bool keyEscape;
extern bool keyReturn;
extern bool keySpace;
extern bool keyC;
extern bool keyLeft;
extern bool keyRight;
extern bool keyF2;
extern bool keyF11;
extern bool keyF12;
extern bool keyUndo;   // Ctrl+Z
extern bool keyRedo;   // Ctrl+Y or Ctrl+Shift+Z

// Every flag cleared and the mouse at (0, 0).
void clearInput();
// Drains SDL's event queue into the flags (input_pump.cpp, needs SDL).
void pumpEvents();
void handleEvent(const SDL_Event& event);
