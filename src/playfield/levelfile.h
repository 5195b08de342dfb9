// Level files: the polygon text format with hole flags, then the seven
// balls' positions, one "%f" line per coordinate.
#pragma once
#include <string>

// "Level files (*.lv)", NUL, "*.lv", NUL, NUL.
extern const char levelFileFilter[];

// Balls to the default row, release the playfield, read the file, rebuild
// the strips and rotate at the present angle. A file that cannot be opened
// leaves the empty level with the balls in the default row.
void loadLevel(const char* path);
// Writes the level polygon and the ball positions. Writes a temporary file
// beside the target and renames it over the target, so a failed save leaves
// the old file and the level in memory untouched; a failure prints one line
// naming the path and the reason. Returns whether the file was written.
bool saveLevel(const char* path);
// The same atomic save for any text (the game's other files). Returns 0, or
// the errno of the failure, which is not reported.
int saveTextAtomically(const char* path, const std::string& text);
// Folders along path made as needed, like mkdir -p; whether path is a folder.
bool makeFolders(const std::string& path, unsigned mode);

// angle = 0, then loadLevel of levelFiles[levelIndex].
void reloadCurrentLevel();

// The snapshot of the level as it was when play began ("data/temp", or the
// user's state folder when the data folder cannot be written). It is also
// kept in memory, so a restore works even when the file cannot serve.
const char* snapshotPath();
void saveSnapshot();
void loadSnapshot();

// The editor's commands: open dialog then load; save dialog, ".lv" appended
// unless the path ends in exactly ".lv", then save.
void openLevelCommand();
void saveLevelCommand();
// The path rule of the save command.
std::string withLevelExtension(const std::string& path);
