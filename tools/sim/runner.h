// The headless runner's core: the game's pass at a fixed frame time, and the
// script commands that feed it real SDL events.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ScriptError {
    int line;
    std::string message;
};

extern uint32_t fixedFrameMs;     // frame time of every pass
extern std::string startDirectory; // relative dialog answers resolve against it

// SDL on the dummy drivers, the windowless seams, the playfield; with a level
// path, the title screen with that level loaded, else the splash as in the game.
void startRunner(const std::string& levelPath);
void runOnePass();
// The pump of every pass: pumpEvents, or the recording pump for --record.
extern void (*runnerPump)();
// Called after every pass when set (the soak checks its invariants there).
extern void (*afterPass)();
// Runs one command line split into words. Throws ScriptError for a bad line;
// returns false when an expectation failed.
bool runCommand(const std::vector<std::string>& words, int line);
std::vector<std::string> words(const std::string& text);
// One JSON line with the state of the game.
void printState();
