// The full-screen question, asked before any window exists, and the error
// box of a level file that could not be opened or saved.
#pragma once

// A modal Yes/No box "Fullscreen?" titled "Tiltmoor". True unless the answer
// is No: a box that cannot be shown also means full screen.
bool askFullscreen();

// A modal error box titled "Level file error" with the message and an OK
// button (Return closes it), transient for the game window. Returns when it
// is closed; shows nothing where no dialog can be shown.
void showErrorBox(const char* message);
