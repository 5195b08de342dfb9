// Tiltmoor: start-up, the main loop and shutdown.
#include <SDL.h>
#include <SDL_opengl.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/data_folder.h"
#include "app/input.h"
#include "app/loop.h"
#include "app/pace.h"
#include "app/replay.h"
#include "app/replay_store.h"
#include "app/startup.h"
#include "app/watch.h"
#include "audio/sound_bank.h"
#include "game/levels.h"
#include "game/progress.h"
#include "game/state.h"
#include "platform/display_loss.h"
#include "platform/message_box.h"
#include "playfield/playfield.h"
#include "playfield/seams.h"
#include "render/gl_setup.h"
#include "render/scene.h"
#include "render/text.h"
#include "render/texture.h"

namespace {
SoundBank* soundBank = nullptr;
GLuint splashTexture = 0;

using Clock = std::chrono::steady_clock;
bool measuring = false;
Clock::time_point passStart;
double pacedMs = 0.0;   // time spent inside the pacing delay this pass

void clearScreen()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}
void drawSplashPicture() { drawSplash(splashTexture, stateTime); }
void swapBuffers() { SDL_GL_SwapBuffers(); }

void pace()
{
    if (!measuring) {
        gamePace();
        return;
    }
    Clock::time_point before = Clock::now();
    gamePace();
    pacedMs = std::chrono::duration<double, std::milli>(Clock::now() - before).count();
}

const FrameDrawing gameDrawing = {clearScreen, drawSplashPicture, drawFrame, drawFadeIn, swapBuffers};

// What the splash does not show is loaded after the first splash frame is
// on the screen: the splash starts black (its alpha is 0 at 0 ms) and stays
// nearly so for its first few hundred ms, while the sound, the fonts, the
// playfield and the splash picture itself are loaded here, in the order the
// game has always loaded them.
void finishStartup(const GameOptions& options)
{
    soundBank = new SoundBank();
    soundBank->load();
    startupStep("sound");
    buildFonts();
    startupStep("fonts");

    textureLoader = loadTexture;
    openLevelDialog = gameOpenDialog;
    saveLevelDialog = gameSaveDialog;
    fileErrorBox = gameErrorBox;
    openPlayerProgress();
    if (!options.firstLevel) levelIndex = rememberedLevelIndex();
    initPlayfield();
    startupStep("playfield");
    replayFinished = keepReplay;   // every play is kept as the last, a faster win as the best

    soundBank->playMusic(0);
    splashTexture = loadTexture("data/splash.png");
    startupStep("splash texture");
}
}  // namespace

int main(int argc, char** argv)
{
    beginStartupClock();
    // Messages appear as they happen, also when standard output is a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const GameOptions options = parseOptions(argc, argv);
    if (!enterDataFolder(argv[0])) {
        // Without its pictures, sounds and levels the game has nothing to
        // show: say where it looked, once, and open no window.
        std::string places;
        for (const std::string& place : dataFolderPlaces(argv[0])) places += (places.empty() ? "" : ", ") + place;
        std::printf("Couldn't find the game's data folder; looked for %s\n", places.c_str());
        return 1;
    }

    initScreen();
    const bool fullscreen = options.fullscreen >= 0 ? options.fullscreen == 1 : askFullscreen();
    startupStep("options");
    initSdl("Tiltmoor", screenWidth, screenHeight, fullscreen, options.multisampling);
    watchForLostDisplay();
    noteVideoMode();
    initGL(screenWidth, screenHeight);
    pushOrtho2D(float(screenWidth), float(screenHeight));
    resetFrameClock();
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    quitRequested = false;
    clearInput();
    if (!options.replayPath.empty()) watchAtStart(options.replayPath);
    measuring = options.frameStats;
    const uint32_t loopStart = SDL_GetTicks();
    bool started = false;
    while (!quitRequested) {
        passStart = Clock::now();
        const int drawnState = gameState;
        runPass(&gameDrawing, pace, gamePump);
        if (!started) {
            startupStep("first frame");
            if (measuring) noteFirstFrame(drawnState);
            finishStartup(options);
            started = true;
            continue;
        }
        if (measuring) {
            noteFirstFrame(drawnState);
            const double passMs = std::chrono::duration<double, std::milli>(Clock::now() - passStart).count();
            recordPassTime(passMs - pacedMs);
        }
    }
    if (measuring) printFrameStats(SDL_GetTicks() - loopStart);

    soundBank->close();
    popOrtho2D();
    SDL_Quit();
    return watchExitStatus();
}
