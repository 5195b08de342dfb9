// The few places where the game's logic calls into presentation. The game
// fills them with the GL texture loader and the desktop's file dialogs; the
// headless runner and the tests fill them with windowless counterparts.
#pragma once
#include <string>

// Loads an image into a texture and returns its name, 0 on failure.
using TextureLoader = unsigned (*)(const char* path);
// Shows a modal file dialog with the given filter and returns the chosen
// full path, or an empty string when cancelled or when no dialog can be shown.
using FileDialog = std::string (*)(const char* filter);

// Shows a message about a level file that could not be opened or saved, in
// a modal box, and returns when it is closed.
using MessageBox = void (*)(const char* message);

extern TextureLoader textureLoader;   // default: loads nothing, returns 0
extern FileDialog openLevelDialog;    // default: returns ""
extern FileDialog saveLevelDialog;    // default: returns ""
extern MessageBox fileErrorBox;      // default: shows nothing
