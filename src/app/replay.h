// Replays: one play, from the click that starts it to the screen it ends on,
// recorded pass by pass and played again to the same bit.
//
// A pass of the loop depends only on the state it starts from, its frame time
// and the input the pump delivered at the end of the pass before. So a replay
// holds the level exactly as it stood when play began (the polygon's vertices
// and the balls as in memory, not rounded), the input held at that moment,
// and then for every pass its frame time and the events its pump delivered.
// Its last line is the state the play ended in, so that every replay checks
// itself. The text format is described in replay_file.cpp and the README.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

union SDL_Event;

constexpr int replayFormatVersion = 1;

// One event as the pump handled it.
//   'm' pointer moved to (a, b)
//   'd' button a pressed ('u' released, with the pointer at (b, c))
//   'k' key a pressed with the modifiers b ('K' released)
//   'q' the window's close request
struct ReplayEvent {
    char kind = 'm';
    int a = 0, b = 0, c = 0;
    bool operator==(const ReplayEvent&) const = default;
};

struct ReplayPass {
    uint32_t frameMs = 0;
    std::vector<ReplayEvent> events;   // delivered by the pump at the pass's end
    bool operator==(const ReplayPass&) const = default;
};

struct ReplayBall {
    float x = 0, y = 0, vx = 0, vy = 0;
    float contactDistance = 0;   // the tilt of the first step weighs touching balls
    bool operator==(const ReplayBall&) const = default;
};

struct ReplayContour {
    int hole = 0;
    std::vector<double> xy;   // x0 y0 x1 y1 ...
    bool operator==(const ReplayContour&) const = default;
};

struct Replay {
    std::string gameVersion;
    std::string level;          // the level file of the sequence, or "-" when it was edited
    int levelIndex = 0;
    std::string outcome;        // won, failed, abandoned, quit or unfinished
    int playMs = 0;             // frame time from the start of play to its end
    std::vector<ReplayContour> contours;
    std::vector<ReplayBall> balls;
    float mouseX = 0, mouseY = 0;
    unsigned heldInput = 0;     // input flags down when play began, a bit each
    std::vector<ReplayEvent> startEvents;   // pumped at the end of the starting pass
    std::vector<ReplayPass> passes;
    std::string finalState;     // the state line the play ended in
    bool operator==(const Replay&) const = default;
};

// ---- The file (replay_file.cpp) ---------------------------------------------
std::string replayText(const Replay& replay);
// Reads a whole replay. A foreign, newer, truncated or malformed text is
// refused: false, with a message naming what is wrong (and its line).
bool parseReplay(const std::string& text, Replay& replay, std::string& error);
// The same from a file; the message then starts with the path.
bool readReplayFile(const std::string& path, Replay& replay, std::string& error);
// Written with the game's atomic save, folders made as needed; 0 or an errno.
int writeReplayFile(const std::string& path, const Replay& replay);

// ---- Recording (replay.cpp) ---------------------------------------------------
// When not empty, the level file that recorded plays name (the runner sets
// it for a --level that is one of the sequence's files).
extern std::string recordedLevelName;
// The level, balls, play time and held input as they stand now.
void captureStart(Replay& replay);
// Makes a captured start current: the level, the balls, the input, Playing
// with stateTime 0, the snapshot of the level taken as play would take it.
void restoreStart(const Replay& replay);
// Whether the level file a replay names still holds the level it began on
// (no for an edited level). A missing file does not match.
bool replayMatchesLevelFile(const Replay& replay);

// The event pump that records: drains SDL's queue like pumpEvents, and when
// a play begins, goes on and ends, notes it. replayFinished is called with
// each play as it ends.
void recordingPump();
extern void (*replayFinished)(const Replay& replay);
// When set, an event for which it returns true was taken by the caller: the
// recording pump neither handles nor records it.
extern bool (*eventTaken)(const SDL_Event& event);
bool recordingActive();
// Ends a play still going on (the script or the program ended), as unfinished.
void finishRecording();

// ---- Playback (replay.cpp) ----------------------------------------------------
// restoreStart, then the starting pass's events. Progress is not counted and
// nothing is recorded while a replay plays.
void startPlayback(const Replay& replay);
bool playbackActive();
bool playbackPassesLeft();
// Elapsed frame time of the replay so far, ms.
int playbackElapsedMs();
// The next pass's frame time as frameTime (and the ticks advanced by it).
void playbackPace();
// The events that pass's pump delivered, handled as the pump handled them.
void playbackPump();
// Whether the next pass's pump delivered a close request.
bool playbackNextPassQuits();
void stopPlayback();

// The SDL event that a replay event stands for, and back. False for events
// that change nothing in the game.
bool replayEventOf(const SDL_Event& event, ReplayEvent& out);
void sdlEventOf(const ReplayEvent& event, SDL_Event& out);
