#include "playfield/seams.h"

namespace {
unsigned noTexture(const char*) { return 0; }
std::string noDialog(const char*) { return std::string(); }
void noBox(const char*) {}
}

TextureLoader textureLoader = noTexture;
FileDialog openLevelDialog = noDialog;
FileDialog saveLevelDialog = noDialog;
MessageBox fileErrorBox = noBox;
