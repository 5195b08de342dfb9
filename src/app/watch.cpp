#include "app/watch.h"

#include <SDL.h>

#include <cstdio>
#include <filesystem>

#include "app/input.h"
#include "app/loop.h"
#include "app/pace.h"
#include "app/replay.h"
#include "app/replay_store.h"
#include "app/state_line.h"
#include "game/levels.h"
#include "game/progress.h"
#include "game/state.h"
#include "playfield/playfield.h"

namespace {

constexpr uint32_t noticeMs = 4000;

Replay watched;
bool active = false;
Replay titleLevel;      // the title's level, balls and input before the watch
int titleLevelIndex = 0;
float titleAngle = 0.0f;
uint32_t passDue = 0;   // real ticks at which the next recorded pass is due

std::string notice;
uint32_t noticeShownAt = 0;

std::string startPath;  // --replay
bool startPending = false;
bool checkedRun = false;
int exitStatus = 0;

void say(const std::string& text)
{
    notice = text;
    noticeShownAt = SDL_GetTicks();
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

void begin(const Replay& replay)
{
    captureStart(titleLevel);
    titleLevelIndex = levelIndex;
    titleAngle = angle;
    watched = replay;
    active = true;
    notice.clear();
    startPlayback(watched);
    passDue = SDL_GetTicks();
}

void finish()
{
    stopPlayback();
    active = false;
    // Back to the title with its level exactly as it was.
    restoreStart(titleLevel);
    levelIndex = titleLevelIndex;
    angle = titleAngle;
    rotatePlayfield();
    clearInput();
    mousePos = Vec2(titleLevel.mouseX, titleLevel.mouseY);
    requestState(Title);
    applyPendingState(0);
    resetFrameClock();
}

// The end of a --replay run: the state reached against the one recorded.
void reportCheckedRun()
{
    const std::string reached = jsonLine(playState());
    std::printf("%s\n", reached.c_str());
    if (reached != watched.finalState) {
        std::printf("The replay ends in another state than it recorded: %s\n", watched.finalState.c_str());
        exitStatus = 1;
    }
    std::fflush(stdout);
    stopPlayback();
    active = false;
    requestState(Exiting);
}

std::string solutionPath(int index)
{
    // Shipped in the data folder when installed; beside the executable in a build.
    const std::string name = "solutions/" + std::filesystem::path(levelFiles[index]).stem().string() + ".replay";
    std::error_code ec;
    if (std::filesystem::exists("data/" + name, ec)) return "data/" + name;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && std::filesystem::exists(exe.parent_path() / name, ec)) return (exe.parent_path() / name).string();
    return std::string();
}

void watchFile(const std::string& path, bool solution)
{
    Replay replay;
    if (path.empty() || !readKeptReplay(path, replay)) {
        say(solution ? "No solution to show for this level" : "The kept replay cannot be read");
        return;
    }
    if (!replayMatchesLevelFile(replay)) {
        say("The level has changed since this replay was recorded");
        return;
    }
    begin(replay);
}

// Keys on the title that start a watch: R the kept best, H the solution.
bool titleKey(const SDL_Event& event)
{
    if (active) return true;   // a watch began: the rest of this pump is not the player's
    if (event.type != SDL_KEYDOWN || gameState != Title || pendingState != 0) return false;
    if (event.key.keysym.sym == SDLK_r && bestReplayOffered()) {
        watchFile(bestReplayPath(levelFiles[levelIndex]), false);
        return true;
    }
    if (event.key.keysym.sym == SDLK_h && solutionReplayOffered()) {
        watchFile(solutionPath(levelIndex), true);
        return true;
    }
    return false;
}

}  // namespace

void gamePace()
{
    if (!active || !playbackPassesLeft()) {
        paceFrame();
        return;
    }
    // Each recorded pass lasts its recorded frame time in real time too.
    playbackPace();
    const uint32_t ms = frameTime;
    passDue += ms;
    const int32_t early = int32_t(passDue - SDL_GetTicks());
    if (early > 0) SDL_Delay(uint32_t(early));
    else if (early < -250) passDue = SDL_GetTicks();   // a slow machine plays on, later
    lastTicks = currentTicks = SDL_GetTicks();
    frameTime = ms;
}

void gamePump()
{
    if (!active) {
        if (startPending && gameState == Title && pendingState == 0) {
            startPending = false;
            Replay replay;
            std::string error;
            if (!readReplayFile(startPath, replay, error)) {
                std::printf("%s\n", error.c_str());
                exitStatus = 2;
                requestState(Exiting);
            } else {
                checkedRun = true;
                begin(replay);
            }
            return;
        }
        // The title's R and H are taken here; everything else is the game's.
        eventTaken = titleKey;
        recordingPump();
        return;
    }
    // While watching, the player's input only ends the watch.
    SDL_Event event;
    bool stop = false, quit = false;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN) stop = true;
        if (event.type == SDL_QUIT) quit = stop = true;
    }
    if (checkedRun && !playbackPassesLeft()) {
        reportCheckedRun();
        return;
    }
    if (!checkedRun && playbackNextPassQuits()) stop = true;   // the recorded play ended the game
    if (stop && !checkedRun) {
        finish();
        if (quit) requestState(Exiting);
        return;
    }
    if (quit) requestState(Exiting);
    if (playbackPassesLeft()) {
        playbackPump();
        if (!playbackPassesLeft()) {
            if (checkedRun) reportCheckedRun();
            // The play is over: what it held down stays up on its last screen.
            else clearInput();
        }
    }
}

bool watching() { return active; }

int watchedMs() { return playbackElapsedMs(); }

std::string watchNotice()
{
    if (notice.empty() || SDL_GetTicks() - noticeShownAt > noticeMs) return std::string();
    return notice;
}

// Kept replays live beside the progress: without it (the render tests, a
// home that cannot be named) none is offered.
bool bestReplayOffered()
{
    return progressActive() && levelIndex >= 0 && levelIndex < levelCount && bestReplayExists(levelFiles[levelIndex]);
}

bool solutionReplayOffered() { return solutionOffered(levelIndex); }

void watchAtStart(const std::string& path)
{
    startPath = path;
    startPending = true;
}

int watchExitStatus() { return exitStatus; }
