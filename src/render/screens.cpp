#include "render/screens.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <GL/gl.h>

#include "app/loop.h"
#include "app/watch.h"
#include "game/levels.h"
#include "game/progress.h"
#include "game/state.h"
#include "physics/vec2.h"
#include "playfield/playfield.h"
#include "render/text.h"

namespace {

constexpr int promptDelayMs = 500;   // a click counts on the result screens after this

void screenQuad()
{
    glBegin(GL_QUADS);
    glVertex2i(0, 0);
    glVertex2i(screenWidth, 0);
    glVertex2i(screenWidth, screenHeight);
    glVertex2i(0, screenHeight);
    glEnd();
}

void texturedBand(float top, float bottom)
{
    const float w = float(screenWidth);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, top);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(w, top);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(w, bottom);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(0.0f, bottom);
}

// Under "Current level: N": how the player did on it, and on all of them.
void drawProgressLines()
{
    if (!progressActive()) return;
    const int w = screenWidth, h = screenHeight;
    char line[64];
    const LevelRecord record = progressFor(levelFiles[levelIndex]);
    if (record.solved)
        std::snprintf(line, sizeof line, "Solved in %.1f s", record.bestMs * 0.001);
    else
        std::snprintf(line, sizeof line, "Not solved yet");
    printSmallTextCentered(line, w / 2, h / 2 + 262);
    std::snprintf(line, sizeof line, "Solved: %d of %d", solvedLevelCount(), levelCount);
    printSmallTextCentered(line, w / 2, h / 2 + 282);
}

// What the title offers to watch: the kept best play of the level, its
// solution once the player is stuck, and why a watch did not start.
void drawWatchLines()
{
    const int w = screenWidth, h = screenHeight;
    if (watching()) return;
    if (bestReplayOffered()) printSmallTextCentered("Press R to watch your best play", w / 2, h / 2 + 40);
    const std::string notice = watchNotice();
    if (!notice.empty()) printSmallTextCentered(notice.c_str(), w / 2, h / 2 + 60);
    if (solutionReplayOffered()) printSmallTextCentered("Stuck? Press H to watch a solution", w / 2, h / 2 + 302);
}

// While a replay is watched: a small mark and its elapsed time.
void drawReplayMark()
{
    char line[48];
    std::snprintf(line, sizeof line, "Replay %.1f s", watchedMs() * 0.001);
    glColor3f(1.0f, 1.0f, 1.0f);
    printSmallText(line, screenWidth - 130, 15);
}

void drawTitleScreen(double t)
{
    const int w = screenWidth, h = screenHeight;
    char line[64];
    printTextCentered("Press mouse to play!", w / 2, h / 2);
    printTextCentered("Arrow keys change level", w / 2, h / 2 + 200);
    std::snprintf(line, sizeof line, "Current level: %d", levelIndex + 1);
    printTextCentered(line, w / 2, h / 2 + 240);
    drawProgressLines();
    drawWatchLines();

    // The banner bobs at the top and bottom edges.
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, mainTexture);
    const double s = std::sin(0.0005 * t);
    const double a = 60.0 + 5.0 * s;
    const double b = 200.0 + 10.0 * s;
    glBegin(GL_QUADS);
    texturedBand(float(-a), float(256.0 - a));
    texturedBand(float(h - 256 + b), float(h + b));
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void drawPlayTexts()
{
    printSmallText("Drop the white ball and keep red balls on the playfield!   "
                   "Controls: mouse left and mouse right buttons",
                   10, 15);
    if (keepTime >= 0) {
        char line[96];
        glColor3f(1.0f, 1.0f, 1.0f);
        // On the pass that completes the level keepTime is past 3000: the
        // count stops at 0.0, never "-0.0".
        std::snprintf(line, sizeof line, "Keep the red balls on playfield for: %1.1f seconds",
                      std::max(0.0, 3.0 - keepTime * 0.001));
        printTextCentered(line, screenWidth / 2, screenHeight / 2);
    }
}

void drawContinuePrompt()
{
    if (stateTime > promptDelayMs)
        printTextCentered("Press mouse to continue!", screenWidth / 2, 9 * screenHeight / 10);
}

void drawCompleteScreen(double t)
{
    const double s = std::fabs(std::sin(0.0025 * t));
    glColor3f(float((1.0 + s) * 0.5), float(0.6 + 0.4 * s), 1.0f);
    printTextCentered("Level complete!", screenWidth / 2, screenHeight / 2 - 10);
    glColor3f(1.0f, 1.0f, 1.0f);
    drawContinuePrompt();
}

void drawFailureScreen(double t)
{
    const double s = std::fabs(std::sin(0.0025 * t));
    glColor3f(1.0f, float((1.0 + s) * 0.5), float(0.6 + 0.4 * s));
    printTextCentered("YOU FAIL!", screenWidth / 2, screenHeight / 2 - 30);
    glColor3f(1.0f, 1.0f, 1.0f);
    printTextCentered("Do not let the red balls escape!", screenWidth / 2, screenHeight / 2 + 20);
    drawContinuePrompt();
}

// Where the level's own area pulls the playfield: the pivot moved by the
// area-weighted centres of the strips' triangles.
void drawWeightLine()
{
    Vec2 acc = pivot;
    for (int i = 0; i < levelStrips.num_strips; ++i) {
        const gpc_vertex_list& strip = levelStrips.strip[i];
        Vec2 corner[3];
        for (int j = 0; j < strip.num_vertices; ++j) {
            corner[j % 3] = Vec2(float(strip.vertex[j].rx), float(strip.vertex[j].ry));
            if (j % 3 != 2) continue;
            const Vec2 e1 = corner[1] - corner[0];
            const Vec2 e2 = corner[2] - corner[0];
            const float w = float(0.5 * std::fabs(std::trunc(double(e2.x) * double(e1.y) +
                                                             double(e2.y) * double(e1.x))));
            const Vec2 m = (corner[0] + corner[1] + corner[2]) * 0.3333f;
            acc += ((m - pivot) * w) * 0.00005f;
        }
    }
    glColor3f(0.0f, 0.0f, 1.0f);
    glLineWidth(3.0f);
    glBegin(GL_LINES);
    glVertex2f(pivot.x, pivot.y);
    glVertex2f(acc.x, acc.y);
    glEnd();
}

void drawEditorTexts()
{
    const int h = screenHeight;
    char line[64];
    printTextCentered("Editor!", screenWidth / 2, h - 30);
    printSmallText("c: clear level | ESC: move back to main | F2: open | F12: save | "
                   "left/right: change shape | mousewheel: change shape size",
                   280, h - 10);
    printSmallText("hold space for mirrored functions", 280, h - 25);
    std::snprintf(line, sizeof line, "Angle %f", double(angle));
    printSmallText(line, 40, 40);
    drawWeightLine();
}

}  // namespace

void drawStateLayer()
{
    const double t = double(currentTicks);
    if (gameState != Playing && gameState != Editor) {
        glColor4f(0.0f, 0.0f, 0.0f, 0.6f);
        screenQuad();
    }
    glColor3f(1.0f, 1.0f, 1.0f);
    if (gameState == Title || gameState == Exiting) drawTitleScreen(t);
    if (gameState == Playing) drawPlayTexts();
    if (gameState == LevelComplete) drawCompleteScreen(t);
    if (gameState == LevelFailed) drawFailureScreen(t);
    if (gameState == Editor) drawEditorTexts();
    if (watching()) drawReplayMark();
    if (gameState == Exiting) {
        glColor4f(0.0f, 0.0f, 0.0f, float(stateTime * 0.004));
        screenQuad();
    }
}
