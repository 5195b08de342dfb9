// The shared game window of the drawing tests and the probes that read it.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Opens the 1024 x 768 OpenGL window once, as the game does at start-up:
// SDL with video and audio, the GL attributes and multisampling as the game
// chooses them by default (four samples forced when TILTMOOR_RENDER_MULTISAMPLE
// is set and not 0), initGL, the fonts and the pixel projection. Later calls
// do nothing.
void openGameWindow();
bool multisamplingForced();

// A state every drawing test starts from: Playing, no level, the balls and
// the pointer far off the screen, the tool at its defaults, tick 0.
void resetScene();
// Clears to black as the main loop does before drawing.
void clearScreen();

struct Rgb {
    int r, g, b;
};

struct Box {
    int x0, y0, x1, y1;   // screen pixels, y down, ends excluded
};

// A read-back of the whole window, addressed in screen pixels with y down.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;   // bottom row first, as GL reads it

    Rgb at(int x, int y) const;
    int count(Box box, const std::function<bool(Rgb)>& test) const;
    // The pixels for which test holds, as a set of (x, y) keys.
    std::vector<int> mask(Box box, const std::function<bool(Rgb)>& test) const;
    // The smallest box holding every pixel for which test holds; empty
    // (x1 <= x0) when there is none.
    Box bounds(Box box, const std::function<bool(Rgb)>& test) const;
    // The median of one channel (0 red, 1 green, 2 blue) over a box.
    int median(Box box, int channel) const;
};

Frame readFrame();

bool near(Rgb c, Rgb want, int tolerance);
bool pureWhite(Rgb c);

// A temporary folder removed with everything in it at the end of its scope.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path path;
};

// Writes an 8-bit RGB (channels 3) or RGBA (channels 4) PNG of w x h pixels,
// rows top first.
void writePng(const std::string& path, int w, int h, int channels, const std::vector<uint8_t>& pixels);

// A texture of one colour, loaded the way the game loads its images.
unsigned solidTexture(const std::string& folder, Rgb colour);

// With TILTMOOR_FRAME_DUMPS set to a folder, writes the frame there as
// <name>.ppm, to look at while a test is being written or has failed.
void dumpFrame(const Frame& frame, const std::string& name);
