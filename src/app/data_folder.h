// The game reads "data/..." relative to its working directory. Started from
// a folder without one, it first moves to the folder that holds its data.
#pragma once
#include <string>
#include <vector>

// Changes into the folder that holds the game's data unless the working
// directory already has a "data" folder. Looks beside the executable, one
// level above it (the repository root above build/), and in
// ../share/tiltmoor (an installed game). Returns false when none is found.
bool enterDataFolder(const char* argv0);
// The data folders enterDataFolder looks for, in its order, for the message
// of a game that finds none.
std::vector<std::string> dataFolderPlaces(const char* argv0);
// path made absolute against the working directory as it is now.
std::string absolutePath(const std::string& path);
