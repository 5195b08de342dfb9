// The full-screen question, asked before any window exists.
#pragma once

// A modal Yes/No box "Fullscreen?" titled "Tiltmoor". True unless the answer
// is No: a box that cannot be shown also means full screen.
bool askFullscreen();
