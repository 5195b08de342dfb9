// The level editor's per-frame handling of the mouse and its keys.
#include <algorithm>

#include "app/input.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/levelfile.h"
#include "playfield/playfield.h"
#include "playfield/stamp.h"
#include "playfield/undo.h"

namespace {
constexpr float sizeStep = 5.0f;
constexpr int highestShapeType = 2;   // 2 stamps and previews as the circle
}

void updateEditor(int dt)
{
    stampBlockedMs -= dt;
    if (stampBlockedMs <= 0) stampBlockedMs = 0;

    if (mouseLeft || mouseRight) mouseAction();

    if (selectedBall >= 0 && selectedBall < ballCount) balls[selectedBall].position = mousePos;

    if (keyLeft) {
        shapeType = std::min(shapeType + 1, highestShapeType);
        keyLeft = false;
    }
    if (keyRight) {
        keyRight = false;
        shapeType = std::max(shapeType - 1, int(Circle));
    }
    if (wheelUp) {
        shapeSize = static_cast<float>(double(shapeSize) - sizeStep);
        wheelUp = false;
    }
    if (wheelDown) {
        shapeSize = static_cast<float>(double(shapeSize) + sizeStep);
        wheelDown = false;
    }
    // Held, this clears again on every pass, which changes nothing further.
    if (keyC) {
        beginLevelChange();
        resetBalls(pivot);
        freePlayfield();
        commitLevelChange();
    }
    if (keyUndo) {
        undoLevelChange();
        keyUndo = false;
    }
    if (keyRedo) {
        redoLevelChange();
        keyRedo = false;
    }
    if (keyEscape) {
        noteBallPutDown();   // a ball carried out of the editor stays where it is
        angle = 0.0f;
        requestState(Title);
        keyEscape = false;
    }
    if (keyF2) {
        beginLevelChange();
        openLevelCommand();
        commitLevelChange();
        keyF2 = false;
    }
    if (keyF12 || keyF11) {
        saveLevelCommand();
        keyF12 = keyF11 = false;
    }
}
