// Watching a replay in the game: the kept best play of the level on the
// title (R), its shipped solution once offered (H), or a file named with
// --replay. It is drawn exactly as play is, paced to the recorded frame
// times; any key or click ends it and the title shows its level as it was.
#pragma once
#include <string>

// The pace and the pump of the game's passes: the player's (recording every
// play) or the replay's while one is watched.
void gamePace();
void gamePump();

bool watching();
// Frame time of the replay watched so far, ms.
int watchedMs();
// A line for the title saying why the last watch did not start; empty when
// there is none to show (it shows for a few seconds).
std::string watchNotice();
// Whether R / H have something to show for the level on the title.
bool bestReplayOffered();
bool solutionReplayOffered();

// --replay FILE: plays FILE once the title is reached, prints the state it
// ended in and ends the game; the exit status is then 1 when that differs
// from the state the file recorded (2 when it cannot be read).
void watchAtStart(const std::string& path);
int watchExitStatus();
