// The two bitmap fonts, 96 display lists each for the codes 32 to 127.
#pragma once
#include <cstdint>

extern uint32_t largeFontBase;   // "Arial" 24 px semibold
extern uint32_t smallFontBase;   // "Arial" 12 px regular

void buildFonts();
int textWidth(const char* text);
void printText(const char* text, int x, int y);
void printTextCentered(const char* text, int x, int y);
void printSmallText(const char* text, int x, int y);
void printSmallTextCentered(const char* text, int x, int y);
