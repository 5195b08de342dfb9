// Losing the display (the X server ends, a remote connection drops).
#pragma once

// From now on a lost connection to the display prints one line and ends the
// game with status 1 at once. Xlib's own handler would call exit, whose
// handlers shut SDL down by waiting on the dead connection, forever and at
// full speed. Call after the window is open; calling again (after a toolkit
// put its own handler in) puts this one back.
void watchForLostDisplay();
// Puts the handler back if watchForLostDisplay was called before.
void keepWatchingForLostDisplay();
