// The replays the game keeps beside the player's progress, in
// $XDG_STATE_HOME/tiltmoor/replays (by default ~/.local/state/tiltmoor/replays):
// "last.replay", the last play of any level, and "best-N.replay", the fastest
// win on the sequence's level file data/N.lv. Each is written with the atomic
// save; a best one only when a new win beats it.
#pragma once
#include <string>

struct Replay;

// The folder, or empty when no state folder can be named.
std::string replayFolder();
std::string lastReplayPath();
// For a level file of the sequence ("data/9.lv" -> ".../best-9.replay").
std::string bestReplayPath(const char* levelFile);
bool bestReplayExists(const char* levelFile);

// Keeps a play that ended: always as the last; a win on a level of the
// sequence as its best when no readable best is kept or the win is faster.
// Counts failed and abandoned plays of each level for the solution offer.
// Write failures print one message for the session and the game goes on.
void keepReplay(const Replay& replay);

// Reads a kept replay. One that cannot be read prints one message (once per
// file and session) and counts as none.
bool readKeptReplay(const std::string& path, Replay& replay);

// After three failed or abandoned plays of one level in this run, the title
// offers to show its solution.
constexpr int playsBeforeSolutionOffer = 3;
bool solutionOffered(int levelIndex);
// Forgets this run's counts (tests).
void resetReplayStore();
