#include "app/startup.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "game/state.h"
#include "platform/file_dialogs.h"
#include "platform/message_box.h"
#include "platform/renderer_probe.h"

namespace {
const char usageText[] =
    "Usage: tiltmoor [--windowed | --fullscreen] [--multisample | --no-multisample] [--first-level]\n"
    "                [--frame-stats] [--replay FILE] [--help]\n"
    "  --windowed        play in a 1024x768 window without asking\n"
    "  --fullscreen      play full screen without asking\n"
    "  --multisample     smooth edges with four samples per pixel, also on a software renderer\n"
    "  --no-multisample  no multisampling, also on a graphics card\n"
    "  --first-level     start on the first level, not where you left off\n"
    "  --frame-stats     print pass counts and pass times when the game ends\n"
    "  --replay FILE     play the replay FILE after the splash, print the state it ends\n"
    "                    in and quit (status 1 when that is not the state it recorded)\n"
    "  --help            show this text\n"
    "Without either multisample option the game uses four samples, except on a\n"
    "software renderer (llvmpipe, softpipe, swrast), where they cost too much.\n"
    "On the title, R watches your best play of the level and H its solution once\n"
    "offered; every play is kept as a replay in $XDG_STATE_HOME/tiltmoor/replays.\n";

std::vector<double> passTimes;
long long mainEnteredMs = 0;
std::chrono::steady_clock::time_point lastStartupStep;
std::string startupSplit;
std::string videoModeLine;
long long firstSplashMs = 0;
long long firstTitleMs = 0;

long long wallClockMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// SDL's video runs off screen though nobody asked for it: the display could
// not be reached.
bool fellBackOffScreen()
{
    char driver[32] = "";
    SDL_VideoDriverName(driver, sizeof driver);
    return (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
           !std::getenv("SDL_VIDEODRIVER");
}

void discardPresses()
{
    SDL_PumpEvents();
    SDL_Event event;
    const Uint32 mask = SDL_EVENTMASK(SDL_KEYDOWN) | SDL_EVENTMASK(SDL_MOUSEBUTTONDOWN);
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, mask) > 0) {
    }
}
}

GameOptions parseOptions(int argc, char** argv)
{
    GameOptions options;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--windowed") == 0) {
            options.fullscreen = 0;
        } else if (std::strcmp(arg, "--fullscreen") == 0) {
            options.fullscreen = 1;
        } else if (std::strcmp(arg, "--first-level") == 0) {
            options.firstLevel = true;
        } else if (std::strcmp(arg, "--multisample") == 0) {
            options.multisampling = Multisampling::On;
        } else if (std::strcmp(arg, "--no-multisample") == 0) {
            options.multisampling = Multisampling::Off;
        } else if (std::strcmp(arg, "--replay") == 0 && i + 1 < argc) {
            options.replayPath = argv[++i];
        } else if (std::strcmp(arg, "--frame-stats") == 0) {
            options.frameStats = true;
        } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(usageText, stdout);
            std::exit(0);
        } else {
            std::fprintf(stderr, "tiltmoor: unknown option '%s'\n%s", arg, usageText);
            std::exit(2);
        }
    }
    return options;
}

void initSdl(const char* caption, int width, int height, bool fullscreen, Multisampling multisampling)
{
    // Without multisampling GL may draw straight into the window; that has to
    // be settled before SDL's video starts, so the renderer is asked first.
    bool withoutSamples = multisampling == Multisampling::Off;
    if (multisampling == Multisampling::Adapt) {
        withoutSamples = isSoftwareRenderer(probeRenderer().c_str());
        startupStep("renderer probe");
    }
    if (withoutSamples) drawStraightIntoWindow(fullscreen);

    // Video is required; without a sound device the game still runs, silent,
    // and the sound bank reports what it could not load.
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::printf("Couldn't initialize SDL: %s\n", SDL_GetError());
        std::exit(1);
    }
    SDL_InitSubSystem(SDL_INIT_AUDIO);
    if (fellBackOffScreen() && std::getenv("DISPLAY")) restartVideo("x11");
    startupStep("sdl");
    std::atexit(SDL_Quit);
    SDL_Surface* icon = SDL_LoadBMP_RW(SDL_RWFromFile("data/icon.bmp", "rb"), 1);
    if (icon) {
        SDL_WM_SetIcon(icon, nullptr);
    } else {
        std::printf("Failed to load icon.bmp\n");
    }
    SDL_FreeSurface(icon);
    setVideoMode(caption, width, height, fullscreen, withoutSamples ? 0 : designedSamples);
    closeRendererProbe();
    startupStep("window");

    // The window's own renderer decides; should it be a software rasterizer
    // after all, the mode is set again without samples, before anything is
    // loaded into GL.
    if (multisampling != Multisampling::Adapt) return;
    const std::string renderer = currentRenderer();
    if (!isSoftwareRenderer(renderer.c_str())) return;
    if (sampleBuffers() > 0) {
        if (!reopenWithoutMultisampling(width, height, fullscreen)) {
            std::printf("Couldn't set video mode: %s\n", SDL_GetError());
            std::exit(1);
        }
        startupStep("reopened");
    }
    std::printf("Software renderer %s: multisampling is off for speed; --multisample turns it on\n",
                renderer.c_str());
}

void setVideoMode(const char* caption, int width, int height, bool fullscreen, int samples)
{
    // With no display at all, SDL falls back to drawing off screen, where
    // nobody would ever see the game: that is a failure to open the window,
    // unless the off-screen driver was asked for by name.
    if (fellBackOffScreen()) {
        std::printf("Couldn't set video mode: %s\n", "no display to open a window on (is DISPLAY set?)");
        std::exit(1);
    }
    if (!SDL_GetVideoInfo()) {
        std::printf("Couldn't get video information: %s\n", SDL_GetError());
        std::exit(1);
    }
    SDL_WM_SetCaption(caption, "icon");
    if (!openVideoMode(width, height, fullscreen, samples)) {
        std::printf("Couldn't set video mode: %s\n", SDL_GetError());
        std::exit(1);
    }
}

std::string gameOpenDialog(const char* filter)
{
    std::string path = showOpenLevelDialog(filter);
    discardPresses();
    return path;
}

std::string gameSaveDialog(const char* filter)
{
    std::string path = showSaveLevelDialog(filter);
    discardPresses();
    return path;
}

void gameErrorBox(const char* message)
{
    showErrorBox(message);
    discardPresses();
}

void beginStartupClock()
{
    mainEnteredMs = wallClockMs();
    lastStartupStep = std::chrono::steady_clock::now();
}

void startupStep(const char* name)
{
    const auto now = std::chrono::steady_clock::now();
    char part[64];
    std::snprintf(part, sizeof part, "%s%s %.0f", startupSplit.empty() ? "" : ", ", name,
                  std::chrono::duration<double, std::milli>(now - lastStartupStep).count());
    startupSplit += part;
    lastStartupStep = now;
}

void noteVideoMode()
{
    char line[256];
    std::snprintf(line, sizeof line, "renderer %s, sample buffers %d, samples %d", currentRenderer(), sampleBuffers(),
                  samplesPerPixel());
    videoModeLine = line;
}

void recordPassTime(double milliseconds)
{
    passTimes.push_back(milliseconds);
}

void noteFirstFrame(int drawnState)
{
    if (drawnState == Splash && firstSplashMs == 0) firstSplashMs = wallClockMs();
    if (drawnState == Title && firstTitleMs == 0) firstTitleMs = wallClockMs();
}

void printFrameStats(uint32_t runMs)
{
    std::printf("frame-stats: main entered at %lld, first splash frame at %lld, first title frame at %lld "
                "(ms since the epoch)\n",
                mainEnteredMs, firstSplashMs, firstTitleMs);
    std::printf("frame-stats: %s\n", videoModeLine.c_str());
    std::printf("frame-stats: start-up ms: %s\n", startupSplit.c_str());
    if (passTimes.empty()) return;
    std::vector<double> sorted = passTimes;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0.0;
    for (double t : sorted) sum += t;
    const size_t n = sorted.size();
    auto at = [&](double q) { return sorted[std::min(n - 1, static_cast<size_t>(q * double(n - 1) + 0.5))]; };
    std::printf("frame-stats: passes %zu, passes per second %.1f, pass ms mean %.3f median %.3f p99 %.3f max %.3f\n",
                n, runMs > 0 ? double(n) * 1000.0 / double(runMs) : 0.0, sum / double(n), at(0.5), at(0.99),
                sorted.back());
    std::fflush(stdout);
}
