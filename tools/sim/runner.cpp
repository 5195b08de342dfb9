#include "runner.h"

#include <cerrno>
// The runner's commands on the game's own pass.
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/data_folder.h"
#include "app/input.h"
#include "app/loop.h"
#include "app/state_line.h"
#include "game/levels.h"
#include "game/progress.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/levelfile.h"
#include "playfield/playfield.h"
#include "playfield/seams.h"
#include "playfield/undo.h"

uint32_t fixedFrameMs = 16;
std::string startDirectory;

namespace {
std::deque<std::string> dialogAnswers;
}

static void fixedPace()
{
    frameTime = fixedFrameMs;
    lastTicks += fixedFrameMs;
    currentTicks = lastTicks;
}

void (*afterPass)() = nullptr;

void (*runnerPump)() = pumpEvents;

void runOnePass()
{
    if (quitRequested) return;
    runPass(nullptr, fixedPace, runnerPump);
    if (afterPass) afterPass();
}

static std::string scriptedDialog(const char*)
{
    if (dialogAnswers.empty()) return std::string();
    std::string answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    return answer;
}

static void pushEvent(SDL_Event& event)
{
    if (SDL_PushEvent(&event) != 0) {
        std::fprintf(stderr, "tiltmoor-sim: could not queue an event: %s\n", SDL_GetError());
        std::exit(2);
    }
}

void printState()
{
    nlohmann::ordered_json state = playState();
    state["lastError"] = lastFileError;
    if (progressActive()) {
        const LevelRecord record = progressFor(levelFiles[levelIndex]);
        state["solvedLevels"] = solvedLevelCount();
        state["levelSolved"] = record.solved;
        state["bestMs"] = record.solved ? nlohmann::ordered_json(record.bestMs) : nlohmann::ordered_json(nullptr);
    }
    // Paths in the error may hold any bytes; ones that are not UTF-8 are
    // replaced rather than ending the run.
    std::puts(jsonLine(state).c_str());
    std::fflush(stdout);
}

static int buttonNumber(const std::string& name, int line)
{
    if (name == "left") return SDL_BUTTON_LEFT;
    if (name == "middle") return SDL_BUTTON_MIDDLE;
    if (name == "right") return SDL_BUTTON_RIGHT;
    if (name == "wheelup") return SDL_BUTTON_WHEELUP;
    if (name == "wheeldown") return SDL_BUTTON_WHEELDOWN;
    throw ScriptError{line, "unknown button '" + name + "'"};
}

static SDLKey keySymbol(const std::string& name, int line)
{
    if (name == "escape") return SDLK_ESCAPE;
    if (name == "return") return SDLK_RETURN;
    if (name == "space") return SDLK_SPACE;
    if (name == "c") return SDLK_c;
    if (name == "x") return SDLK_x;
    if (name == "z") return SDLK_z;
    if (name == "y") return SDLK_y;
    if (name == "left") return SDLK_LEFT;
    if (name == "right") return SDLK_RIGHT;
    if (name == "f2") return SDLK_F2;
    if (name == "f11") return SDLK_F11;
    if (name == "f12") return SDLK_F12;
    throw ScriptError{line, "unknown key '" + name + "'"};
}

static int stateByName(const std::string& name, int line)
{
    for (int s = Title; s <= Splash; ++s)
        if (name == stateName(s)) return s;
    throw ScriptError{line, "unknown state '" + name + "'"};
}

static long number(const std::string& word, int line, long low, long high)
{
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno != 0 || value < low || value > high)
        throw ScriptError{line, "bad number '" + word + "'"};
    return value;
}

// The pointer as the script last put it: button events carry it, as the
// window system's would.
static int pointerX = 0, pointerY = 0;

static void mouseButtonAtPointer(Uint8 type, int button)
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    event.button.type = type;
    event.button.button = static_cast<Uint8>(button);
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = static_cast<Uint16>(pointerX);
    event.button.y = static_cast<Uint16>(pointerY);
    pushEvent(event);
}

// "ctrl+shift+z" -> the modifiers, and name left as "z".
static SDLMod keyModifiers(std::string& name)
{
    int mod = KMOD_NONE;
    for (size_t plus; (plus = name.find('+')) != std::string::npos && plus + 1 < name.size();) {
        const std::string part = name.substr(0, plus);
        if (part == "ctrl") mod |= KMOD_LCTRL;
        else if (part == "shift") mod |= KMOD_LSHIFT;
        else break;
        name = name.substr(plus + 1);
    }
    return static_cast<SDLMod>(mod);
}

static void keyEvent(Uint8 type, SDLKey sym, SDLMod mod = KMOD_NONE)
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    event.key.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    pushEvent(event);
}

bool runCommand(const std::vector<std::string>& w, int line)
{
    const std::string& cmd = w[0];
    auto need = [&](size_t count) {
        if (w.size() != count + 1) throw ScriptError{line, "'" + cmd + "' takes " + std::to_string(count) + " argument(s)"};
    };
    if (cmd == "wait") {
        need(1);
        long ms = number(w[1], line, 0, 100000000L);
        long done = 0;
        while (done < ms && !quitRequested) {
            runOnePass();
            done += fixedFrameMs;
        }
    } else if (cmd == "move") {
        need(2);
        pointerX = static_cast<int>(number(w[1], line, 0, 65535));
        pointerY = static_cast<int>(number(w[2], line, 0, 65535));
        SDL_Event event;
        std::memset(&event, 0, sizeof event);
        event.type = SDL_MOUSEMOTION;
        event.motion.type = SDL_MOUSEMOTION;
        event.motion.x = static_cast<Uint16>(pointerX);
        event.motion.y = static_cast<Uint16>(pointerY);
        pushEvent(event);
    } else if (cmd == "press" || cmd == "release" || cmd == "click") {
        need(1);
        int button = buttonNumber(w[1], line);
        if (cmd != "release") mouseButtonAtPointer(SDL_MOUSEBUTTONDOWN, button);
        if (cmd == "click") runOnePass();
        if (cmd != "press") mouseButtonAtPointer(SDL_MOUSEBUTTONUP, button);
    } else if (cmd == "keydown" || cmd == "keyup" || cmd == "key") {
        need(1);
        std::string name = w[1];
        const SDLMod mod = keyModifiers(name);
        SDLKey sym = keySymbol(name, line);
        if (cmd != "keyup") keyEvent(SDL_KEYDOWN, sym, mod);
        if (cmd == "key") runOnePass();
        if (cmd != "keydown") keyEvent(SDL_KEYUP, sym, mod);
    } else if (cmd == "dialog") {
        // The rest of the line is the path; it may hold spaces.
        std::string answer;
        for (size_t i = 1; i < w.size(); ++i) answer += (i > 1 ? " " : "") + w[i];
        if (!answer.empty() && answer[0] != '/') answer = startDirectory + "/" + answer;
        dialogAnswers.push_back(answer);
    } else if (cmd == "expect") {
        if (w.size() != 3 || w[1] != "state") throw ScriptError{line, "expected 'expect state S'"};
        int wanted = stateByName(w[2], line);
        if (gameState != wanted) {
            std::fprintf(stderr, "line %d: expected state %s, found %s\n", line, stateName(wanted),
                         stateName(gameState));
            return false;
        }
    } else if (cmd == "print") {
        need(0);
        printState();
    } else if (cmd == "quit") {
        need(0);
        SDL_Event event;
        std::memset(&event, 0, sizeof event);
        event.type = SDL_QUIT;
        pushEvent(event);
    } else {
        throw ScriptError{line, "unknown command '" + cmd + "'"};
    }
    return true;
}

std::vector<std::string> words(const std::string& text)
{
    std::string line = text.substr(0, text.find('#'));
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}


void startRunner(const std::string& levelPath)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || !SDL_SetVideoMode(1024, 768, 0, SDL_SWSURFACE)) {
        std::fprintf(stderr, "tiltmoor-sim: SDL could not start: %s\n", SDL_GetError());
        std::exit(2);
    }
    // The pointer starts where the script has not put it: drop whatever the
    // video driver queued at start-up.
    SDL_Event discard;
    while (SDL_PollEvent(&discard)) {
    }
    openLevelDialog = scriptedDialog;
    saveLevelDialog = scriptedDialog;
    initScreen();
    initPlayfield();
    if (!levelPath.empty()) {
        angle = 0.0f;
        loadLevel(levelPath.c_str());
        markLevelEdited();   // not the sequence's level: a win here is no progress
        gameState = Title;
    }
    clearInput();
}
