// Level files: the polygon text format with hole flags, then the seven
// balls' positions, one "%f" line per coordinate.
#pragma once
#include <cstdio>
#include <string>

#include "clip/gpc.h"

// "Level files (*.lv)", NUL, "*.lv", NUL, NUL.
extern const char levelFileFilter[];

// A level whose outline, once made strictly simple, holds more vertices than
// this is refused: the game could not play it at any speed.
constexpr long levelVertexLimit = 100000;

// The last failure of a load or a save, as printed; empty before the first.
extern std::string lastFileError;

// Balls to the default row, release the playfield, read the file, rebuild
// the strips and rotate at the present angle. A file that cannot be opened
// leaves the empty level with the balls in the default row; a level beyond
// levelVertexLimit is refused and the level stays as it was. Either prints
// one line naming the path and the reason.
void loadLevel(const char* path);
// Writes the level polygon and the ball positions. Writes a temporary file
// beside the target and renames it over the target, so a failed save leaves
// the old file and the level in memory untouched. Where no temporary file
// may be made in the folder the save is refused, even when the target
// itself is writable: a file rewritten in place is lost if the game is
// stopped in the middle. Temporary files of the game's own naming left in
// the folder for over an hour are removed. A failure prints one line naming
// the path and the reason. Returns whether the file was written.
bool saveLevel(const char* path);
// The same atomic save for any text (the game's other files). Returns 0, or
// the errno of the failure, which is not reported.
int saveTextAtomically(const char* path, const std::string& text);
// Folders along path made as needed, like mkdir -p; whether path is a folder.
bool makeFolders(const std::string& path, unsigned mode);
// Opens path for reading only if it is a regular file, without ever waiting
// (a named pipe, a device or a socket is refused with EINVAL, a folder with
// EISDIR). On failure returns null and sets error.
FILE* openRegularFile(const char* path, int& error);
// strerror, except "not a regular file" for EINVAL from openRegularFile.
std::string describeOpenError(int error);
// The user's state folder for the game ($XDG_STATE_HOME/tiltmoor, else
// ~/.local/state/tiltmoor), or empty when none can be named.
std::string stateFolder();

// Reads a level file as loadLevel would make it current, without making it
// current: the polygon (the caller frees it) and the seven ball positions
// (x, y pairs; the default row where the file ends early). False when the
// file cannot be opened.
bool peekLevel(const char* path, gpc_polygon& polygon, float ballPositions[14]);

// angle = 0, then the file of levelFiles[levelIndex]; one that cannot be
// opened or is refused gives the empty level in the default row.
void reloadCurrentLevel();

// The snapshot of the level as it was when play began ("data/temp", or the
// user's state folder when the data folder cannot be written). It is also
// kept in memory, so a restore works even when the file cannot serve.
const char* snapshotPath();
void saveSnapshot();
void loadSnapshot();

// The editor's commands: open dialog then load; save dialog, ".lv" appended
// unless the path ends in exactly ".lv", then save. A file that cannot be
// opened or is refused leaves the level and the balls untouched; a failed
// load or save is shown in the error box as well as printed.
void openLevelCommand();
void saveLevelCommand();
// The path rule of the save command.
std::string withLevelExtension(const std::string& path);
