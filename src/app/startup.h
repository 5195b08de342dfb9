// Start-up pieces of the game executable: options, SDL and the video mode,
// the dialogs as the game shows them, and the frame statistics.
#pragma once
#include <cstdint>
#include <string>

#include "render/video_mode.h"

struct GameOptions {
    int fullscreen = -1;     // -1: ask, 0: windowed, 1: full screen
    bool frameStats = false;
    bool firstLevel = false;   // start on the first level, not where the player left off
    Multisampling multisampling = Multisampling::Adapt;
    std::string replayPath;    // --replay: play this replay, print where it ends, exit
};

// Parses the command line; prints the usage and exits for --help (0) and
// for anything it does not know (2, on standard error).
GameOptions parseOptions(int argc, char** argv);

// SDL, the icon and the video mode with the multisampling chosen; on a
// software rasterizer (unless multisampling is forced) without it, and one
// line says so.
void initSdl(const char* caption, int width, int height, bool fullscreen, Multisampling multisampling);
void setVideoMode(const char* caption, int width, int height, bool fullscreen, int samples);

// The desktop's file dialogs, followed by discarding the key and button
// presses that were meant for the dialog, so they never reach the game.
std::string gameOpenDialog(const char* filter);
std::string gameSaveDialog(const char* filter);
// The error box of a failed load or save, with the same discarding.
void gameErrorBox(const char* message);

// The start-up split: beginStartupClock on entering main, then startupStep
// after each piece with the time it took; printed with the frame statistics.
void beginStartupClock();
void startupStep(const char* name);

// Remembers the renderer and the multisampling of the window as opened.
void noteVideoMode();

// CPU time of each pass without the pacing delay.
void recordPassTime(double milliseconds);
void printFrameStats(uint32_t runMs);
// Remembers the wall-clock time at which the first splash frame and the
// first title frame were shown; printed with the frame statistics.
void noteFirstFrame(int drawnState);
