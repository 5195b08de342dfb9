// The desktop's file choosers for the editor's open and save commands,
// modal and transient for the game window.
#pragma once
#include <string>

// The game window's native (X11) handle, 0 when there is none.
unsigned long windowHandle();
// The filter's patterns match in any letter case. The open dialog returns
// only an existing file: for any other name it stays open and says so. The
// save dialog returns the path with ".lv" appended as the save command
// appends it, and asks before returning a file that already exists;
// declining goes back to the chooser.
std::string showOpenLevelDialog(const char* filter);
std::string showSaveLevelDialog(const char* filter);
