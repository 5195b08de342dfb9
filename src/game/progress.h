// The player's progress: per level file, whether it was ever completed and
// the best time from the start of play to the complete screen; and the level
// the title showed when the game last ended.
//
// Kept in a small text file in the user's state folder, read once at start
// and written (atomically, as level files are) only when something changed.
// Without an open store nothing is read, recorded or written.
#pragma once
#include <string>

struct LevelRecord {
    bool solved = false;
    int bestMs = 0;   // meaningful when solved
};

// $XDG_STATE_HOME/tiltmoor/progress, by default ~/.local/state/tiltmoor/progress;
// empty when neither variable names a folder.
std::string defaultProgressPath();
// Reads the store at path; a missing or unreadable file is an empty store and
// bad lines are skipped. An empty path closes the store.
void openProgress(const std::string& path);
bool progressActive();
// The player's own store at defaultProgressPath(); without one, says once
// that progress is not kept, and the game plays on without it.
void openPlayerProgress();

LevelRecord progressFor(const char* levelFile);
// How many of the sequence's levels were ever completed.
int solvedLevelCount();
// The sequence index of the level the title showed when the game last ended,
// 0 when none is known.
int rememberedLevelIndex();

// A win on the sequence's current level after playMs of play. Levels changed
// in the editor or loaded from elsewhere are not counted.
void recordWin(int playMs);
// While suspended (a replay is watched) no win is recorded.
void suspendProgress(bool suspended);
// Notes the title's level as the one to start on next time.
void rememberTitleLevel();
// Writes the store if it changed. A failure prints one message for the whole
// session and the game goes on. Returns whether the file is up to date.
bool saveProgress();
