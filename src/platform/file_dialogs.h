// The desktop's file choosers for the editor's open and save commands,
// modal and transient for the game window.
#pragma once
#include <string>

// The game window's native (X11) handle, 0 when there is none.
unsigned long windowHandle();
std::string showOpenLevelDialog(const char* filter);
std::string showSaveLevelDialog(const char* filter);
