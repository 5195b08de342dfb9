// Recording plays and playing them again: the level as play began, and the
// frame time and pumped events of every pass.
#include "app/replay.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/input.h"
#include "app/loop.h"
#include "app/state_line.h"
#include "game/levels.h"
#include "game/progress.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/levelfile.h"
#include "playfield/playfield.h"
#include "playfield/undo.h"

#ifndef TILTMOOR_VERSION_TEXT
#define TILTMOOR_VERSION_TEXT "unknown"
#endif

void (*replayFinished)(const Replay& replay) = nullptr;
std::string recordedLevelName;
bool (*eventTaken)(const SDL_Event& event) = nullptr;

namespace {

// The input flags a play may begin with held, one bit each, in this order.
bool* const heldFlags[] = {&mouseLeft, &mouseRight, &wheelUp, &wheelDown, &keyEscape,
                           &keyReturn, &keySpace,   &keyC,    &keyLeft,   &keyRight,
                           &keyF2,     &keyF11,     &keyF12,  &keyUndo,   &keyRedo};
constexpr int heldFlagCount = int(sizeof heldFlags / sizeof heldFlags[0]);

Replay recorded;
bool recording = false;
std::vector<ReplayEvent>* collecting = nullptr;
int statePumpedLast = 0;

const Replay* playing = nullptr;
size_t nextPass = 0;
int elapsedMs = 0;

// Consecutive pointer moves in one pump leave only the last position: the
// handler only stores it, so the last one alone is kept.
void collect(const ReplayEvent& event)
{
    if (!collecting) return;
    if (event.kind == 'm' && !collecting->empty() && collecting->back().kind == 'm')
        collecting->back() = event;
    else
        collecting->push_back(event);
}

const char* outcomeOf(int state)
{
    switch (state) {
    case LevelComplete: return "won";
    case LevelFailed: return "failed";
    case Title: return "abandoned";
    case Exiting: return "quit";
    default: return "unfinished";
    }
}

void endRecording()
{
    recording = false;
    collecting = nullptr;
    recorded.outcome = outcomeOf(gameState);
    recorded.finalState = jsonLine(playState());
    if (replayFinished) replayFinished(recorded);
}

void restoreLevel(const Replay& replay)
{
    gpc_polygon polygon{0, nullptr, nullptr};
    const int n = int(replay.contours.size());
    if (n > 0) {
        polygon.num_contours = n;
        polygon.hole = static_cast<int*>(std::calloc(size_t(n), sizeof(int)));
        polygon.contour = static_cast<gpc_vertex_list*>(std::calloc(size_t(n), sizeof(gpc_vertex_list)));
        if (!polygon.hole || !polygon.contour) {
            std::fputs("Out of memory restoring a replay's level\n", stdout);
            std::exit(1);
        }
        for (int c = 0; c < n; ++c) {
            const ReplayContour& contour = replay.contours[size_t(c)];
            const int count = int(contour.xy.size() / 2);
            polygon.hole[c] = contour.hole;
            polygon.contour[c].num_vertices = count;
            polygon.contour[c].vertex =
                count > 0 ? static_cast<gpc_vertex*>(std::calloc(size_t(count), sizeof(gpc_vertex))) : nullptr;
            if (count > 0 && !polygon.contour[c].vertex) {
                std::fputs("Out of memory restoring a replay's level\n", stdout);
                std::exit(1);
            }
            for (int v = 0; v < count; ++v) {
                gpc_vertex& vertex = polygon.contour[c].vertex[v];
                vertex.x = vertex.rx = contour.xy[2 * size_t(v)];
                vertex.y = vertex.ry = contour.xy[2 * size_t(v) + 1];
            }
        }
    }
    replaceLevelPolygon(polygon);
    for (int i = 0; i < ballCount && i < int(replay.balls.size()); ++i) {
        const ReplayBall& b = replay.balls[size_t(i)];
        balls[i] = Ball();
        balls[i].position = Vec2(b.x, b.y);
        balls[i].velocity = Vec2(b.vx, b.vy);
        balls[i].contactDistance = b.contactDistance;
    }
}

}  // namespace

bool replayEventOf(const SDL_Event& event, ReplayEvent& out)
{
    out = ReplayEvent();
    switch (event.type) {
    case SDL_MOUSEMOTION: out = {'m', event.motion.x, event.motion.y, 0}; return true;
    case SDL_MOUSEBUTTONDOWN: out = {'d', event.button.button, 0, 0}; return true;
    case SDL_MOUSEBUTTONUP: out = {'u', event.button.button, event.button.x, event.button.y}; return true;
    case SDL_KEYDOWN: out = {'k', event.key.keysym.sym, event.key.keysym.mod & (KMOD_CTRL | KMOD_SHIFT), 0}; return true;
    case SDL_KEYUP: out = {'K', event.key.keysym.sym, 0, 0}; return true;
    case SDL_QUIT: out = {'q', 0, 0, 0}; return true;
    default: return false;
    }
}

void sdlEventOf(const ReplayEvent& e, SDL_Event& out)
{
    std::memset(&out, 0, sizeof out);
    switch (e.kind) {
    case 'm':
        out.type = SDL_MOUSEMOTION;
        out.motion.x = Uint16(e.a);
        out.motion.y = Uint16(e.b);
        break;
    case 'd':
    case 'u':
        out.type = e.kind == 'd' ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        out.button.button = Uint8(e.a);
        out.button.state = e.kind == 'd' ? SDL_PRESSED : SDL_RELEASED;
        out.button.x = Uint16(e.b);
        out.button.y = Uint16(e.c);
        break;
    case 'k':
    case 'K':
        out.type = e.kind == 'k' ? SDL_KEYDOWN : SDL_KEYUP;
        out.key.state = e.kind == 'k' ? SDL_PRESSED : SDL_RELEASED;
        out.key.keysym.sym = SDLKey(e.a);
        out.key.keysym.mod = SDLMod(e.b);
        break;
    default: out.type = SDL_QUIT; break;
    }
    out.key.type = out.type;   // the first byte of every member is its type
}

void captureStart(Replay& replay)
{
    replay = Replay();
    replay.gameVersion = TILTMOOR_VERSION_TEXT;
    const bool sequenceLevel = !levelEditedSinceChosen() && levelIndex >= 0 && levelIndex < levelCount;
    replay.level = !recordedLevelName.empty() ? recordedLevelName : sequenceLevel ? levelFiles[levelIndex] : "-";
    replay.levelIndex = levelIndex;
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        ReplayContour contour;
        contour.hole = levelPolygon.hole[c];
        const gpc_vertex_list& list = levelPolygon.contour[c];
        for (int v = 0; v < list.num_vertices; ++v) {
            contour.xy.push_back(list.vertex[v].x);
            contour.xy.push_back(list.vertex[v].y);
        }
        replay.contours.push_back(std::move(contour));
    }
    for (int i = 0; i < ballCount; ++i) {
        const Ball& b = balls[i];
        replay.balls.push_back({b.position.x, b.position.y, b.velocity.x, b.velocity.y, b.contactDistance});
    }
    replay.mouseX = mousePos.x;
    replay.mouseY = mousePos.y;
    for (int i = 0; i < heldFlagCount; ++i)
        if (*heldFlags[i]) replay.heldInput |= 1u << i;
}

void restoreStart(const Replay& replay)
{
    resetPlayfield();
    restoreLevel(replay);
    saveSnapshot();   // Escape and failure restore the level play began on
    levelIndex = replay.levelIndex >= 0 && replay.levelIndex < levelCount ? replay.levelIndex : 0;
    keepTime = -1;
    clearInput();
    mousePos = Vec2(replay.mouseX, replay.mouseY);
    for (int i = 0; i < heldFlagCount; ++i) *heldFlags[i] = (replay.heldInput >> i) & 1u;
    pendingState = 0;
    requestState(Playing);
    applyPendingState(0);
}

bool replayMatchesLevelFile(const Replay& replay)
{
    if (replay.level == "-" || replay.balls.size() != size_t(ballCount)) return false;
    gpc_polygon polygon;
    float positions[2 * ballCount];
    if (!peekLevel(replay.level.c_str(), polygon, positions)) return false;
    bool same = polygon.num_contours == int(replay.contours.size());
    for (int c = 0; same && c < polygon.num_contours; ++c) {
        const ReplayContour& contour = replay.contours[size_t(c)];
        const gpc_vertex_list& list = polygon.contour[c];
        same = polygon.hole[c] == contour.hole && size_t(list.num_vertices) * 2 == contour.xy.size();
        for (int v = 0; same && v < list.num_vertices; ++v)
            same = list.vertex[v].x == contour.xy[2 * size_t(v)] && list.vertex[v].y == contour.xy[2 * size_t(v) + 1];
    }
    for (int i = 0; same && i < ballCount; ++i)
        same = positions[2 * i] == replay.balls[size_t(i)].x && positions[2 * i + 1] == replay.balls[size_t(i)].y;
    gpc_free_polygon(&polygon);
    return same;
}

void recordingPump()
{
    if (!playing) {
        if (!recording && gameState == Playing && statePumpedLast != Playing) {
            captureStart(recorded);
            recording = true;
            collecting = &recorded.startEvents;
        } else if (recording) {
            recorded.passes.push_back({frameTime, {}});
            recorded.playMs += int(frameTime);
            collecting = &recorded.passes.back().events;
            if (gameState != Playing) endRecording();
        }
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (eventTaken && eventTaken(event)) continue;
        ReplayEvent noted;
        if (recording && replayEventOf(event, noted)) collect(noted);
        handleEvent(event);
    }
    statePumpedLast = gameState;
}

bool recordingActive() { return recording; }

void finishRecording()
{
    if (recording) endRecording();
}

void startPlayback(const Replay& replay)
{
    playing = &replay;
    nextPass = 0;
    elapsedMs = 0;
    suspendProgress(true);
    restoreStart(replay);
    statePumpedLast = Playing;   // what plays back is not recorded again
    for (const ReplayEvent& e : replay.startEvents) {
        SDL_Event event;
        sdlEventOf(e, event);
        handleEvent(event);
    }
}

bool playbackActive() { return playing != nullptr; }

bool playbackPassesLeft() { return playing && nextPass < playing->passes.size(); }

int playbackElapsedMs() { return elapsedMs; }

void playbackPace()
{
    frameTime = playbackPassesLeft() ? playing->passes[nextPass].frameMs : minimumFrameMs;
    lastTicks += frameTime;
    currentTicks = lastTicks;
}

void playbackPump()
{
    if (!playbackPassesLeft()) return;
    const ReplayPass& pass = playing->passes[nextPass++];
    elapsedMs += int(pass.frameMs);
    for (const ReplayEvent& e : pass.events) {
        SDL_Event event;
        sdlEventOf(e, event);
        handleEvent(event);
    }
}

bool playbackNextPassQuits()
{
    if (!playbackPassesLeft()) return false;
    for (const ReplayEvent& e : playing->passes[nextPass].events)
        if (e.kind == 'q') return true;
    return false;
}

void stopPlayback()
{
    playing = nullptr;
    suspendProgress(false);
    statePumpedLast = gameState;
}
