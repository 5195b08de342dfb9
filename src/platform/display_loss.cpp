#include "platform/display_loss.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>

#include "game/progress.h"

namespace {

bool watching = false;

int onDisplayLost(Display*)
{
    std::printf("Lost the connection to the display; the game ends\n");
    std::fflush(stdout);
    // Progress is written whenever it changes, each time whole or not at
    // all; anything still pending goes the same way before the end.
    saveProgress();
    _exit(1);
}

}  // namespace

void watchForLostDisplay()
{
    watching = true;
    XSetIOErrorHandler(onDisplayLost);
}

void keepWatchingForLostDisplay()
{
    if (watching) XSetIOErrorHandler(onDisplayLost);
}
