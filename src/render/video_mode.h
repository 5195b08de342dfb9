// The window's OpenGL video mode and its multisampling.
//
// The game asks for four samples. A software rasterizer pays for them in
// every pixel of every frame (about 40 % of the frame rate), so there the
// game goes without them, unless told otherwise: it asks the driver for its
// renderer before opening the window (platform/renderer_probe.h), and checks
// the window's own GL_RENDERER once it is open.
#pragma once

enum class Multisampling {
    Adapt,   // four samples, unless the renderer is a software rasterizer
    On,      // four samples anywhere
    Off,     // none anywhere
};

constexpr int designedSamples = 4;

// Before SDL starts its video: a window without multisampling lets GL draw
// straight into it. Otherwise SDL's compatibility layer draws into a
// framebuffer of its own and copies it into the window at every swap, which
// on a software rasterizer costs as much as drawing the scene. Full screen
// keeps that framebuffer: it stretches the picture over the desktop.
// A setting of SDL12COMPAT_OPENGL_SCALING in the environment wins.
void drawStraightIntoWindow(bool fullscreen);

// The GL attributes (8 bits per colour channel and alphaBits of alpha, depth
// 16, double-buffered, no wait for the retrace, samples as given) and the
// video mode of width x height. False, with SDL's error set, when no such mode
// can be set.
bool openVideoMode(int width, int height, bool fullscreen, int samples, int alphaBits = 8);

// Whether a GL_RENDERER string names a software rasterizer (llvmpipe,
// softpipe, swrast).
bool isSoftwareRenderer(const char* rendererName);
// GL_RENDERER of the current context ("" without one).
const char* currentRenderer();
// GL_SAMPLE_BUFFERS and GL_SAMPLES of the framebuffer the game draws into.
int sampleBuffers();
int samplesPerPixel();

// Sets the video mode again, in the same window, without multisampling: for
// a renderer found to be a software rasterizer only once the window was open.
// Meant for before anything is loaded into GL, since the context is
// replaced. False, with SDL's error set, when that fails.
bool reopenWithoutMultisampling(int width, int height, bool fullscreen, int alphaBits = 8);

// Stops SDL's video and starts it again on the named driver ("x11"), unless
// SDL_VIDEODRIVER names one. Right after a connection closes, a display now
// and then refuses a new one for a moment (seen with Xvfb), and SDL would
// then quietly fall back to drawing off screen, where nobody sees the game;
// so the driver is named, and asked again for up to half a second.
bool restartVideo(const char* driver);
