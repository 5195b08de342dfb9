#include "game/state.h"

#include "app/input.h"
#include "app/loop.h"
#include "game/levels.h"
#include "game/progress.h"
#include "playfield/levelfile.h"
#include "playfield/playfield.h"
#include "playfield/stamp.h"

int gameState = Splash;
int pendingState = 0;
int stateTime = 0;

void requestState(GameState state)
{
    // A quit is never lost: once Exiting is asked for, no later request of
    // the same pass replaces it.
    if (pendingState == Exiting) return;
    pendingState = state;
}

void applyPendingState(int frameMs)
{
    stateTime += frameMs;
    if (pendingState != 0) {
        // The player's progress: the time of a win (stateTime is the whole
        // play), and the title's level when the game ends.
        if (pendingState == LevelComplete && gameState == Playing) {
            recordWin(stateTime);
            saveProgress();
        }
        if (pendingState == Exiting) {
            rememberTitleLevel();
            saveProgress();
        }
        gameState = pendingState;
        pendingState = 0;
        stateTime = 0;
        stepAccumulator = 0;
    }
}

const char* stateName(int state)
{
    switch (state) {
    case Title: return "Title";
    case Playing: return "Playing";
    case LevelComplete: return "LevelComplete";
    case LevelFailed: return "LevelFailed";
    case Editor: return "Editor";
    case Exiting: return "Exiting";
    case Splash: return "Splash";
    default: return "None";
    }
}

namespace {

void updateTitle()
{
    if (keyEscape) requestState(Exiting);   // keyEscape is not cleared here
    if (keyF2) {
        keyF2 = false;
        angle = 0.0f;
        rotatePlayfield();
        requestState(Editor);
        selectedBall = -1;
    }
    if (keyLeft) {
        stepLevelIndex(-1);
        keyLeft = false;
        reloadCurrentLevel();
    }
    if (keyRight) {
        stepLevelIndex(+1);
        keyRight = false;
        reloadCurrentLevel();
    }
    if (mouseLeft || mouseRight) {
        saveSnapshot();
        resetPlayfield();
        keepTime = -1;
        requestState(Playing);
        mouseLeft = mouseRight = false;
    }
}

void updatePlaying(int frameMs)
{
    if (keepTime >= 0) keepTime += frameMs;
    stampBlockedMs -= frameMs;
    if (stampBlockedMs < 0) stampBlockedMs = 0;
    checkLevelRules();
    if (mouseLeft || mouseRight) mouseAction();
    if (keyEscape) {
        loadSnapshot();   // the restored level keeps the present angle
        requestState(Title);
        keyEscape = false;
    }
}

void updateResult()
{
    // Return or Escape in the same pass as a click that counts: the keys
    // win, and the click is spent with them, so the title shows the level
    // just played under its own number.
    if (keyEscape || keyReturn) {
        angle = 0.0f;
        requestState(Title);
        loadSnapshot();
        resetPlayfield();
        keyEscape = keyReturn = false;
        if (stateTime > 500) mouseLeft = mouseRight = false;
        return;
    }
    if ((mouseLeft || mouseRight) && stateTime > 500) {
        if (gameState == LevelComplete) {
            stepLevelIndex(+1);
            reloadCurrentLevel();
        } else {
            loadSnapshot();
        }
        requestState(Title);
        mouseLeft = mouseRight = false;
    }
}

}  // namespace

void updateFrame(int frameMs)
{
    switch (gameState) {
    case Title: updateTitle(); break;
    case Playing: updatePlaying(frameMs); break;
    case LevelComplete:
    case LevelFailed: updateResult(); break;
    case Editor: updateEditor(frameMs); break;
    default: break;   // Exiting and Splash are run by the main loop
    }
}
