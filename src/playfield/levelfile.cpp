// PLACEHOLDER until level files land: to be replaced whole.
#include "playfield/levelfile.h"
const char levelFileFilter[] = "Level files (*.lv)\0*.lv\0";
void loadLevel(const char*) {}
bool saveLevel(const char*) { return false; }
void reloadCurrentLevel() {}
const char* snapshotPath() { return "data/temp"; }
void saveSnapshot() {}
void loadSnapshot() {}
void openLevelCommand() {}
void saveLevelCommand() {}
std::string withLevelExtension(const std::string& p) { return p; }
