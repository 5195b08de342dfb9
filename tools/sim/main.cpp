// tiltmoor-sim: the game without a window, driven by a script.
//
// It runs the game's own pass (fixed steps, update, pending state, event
// pump) at a fixed frame time, feeding real SDL events through SDL's dummy
// video driver, so that levels, solutions and bug reports replay exactly.
//
//   tiltmoor-sim [--frame-ms N] [--level PATH] [--record FILE] SCRIPT
//   tiltmoor-sim --replay FILE
//   tiltmoor-sim --soak SEED --minutes M [--level PATH] [--frame-ms N]
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/data_folder.h"
#include "app/loop.h"
#include "app/replay.h"
#include "app/state_line.h"
#include "game/levels.h"
#include "game/progress.h"
#include "runner.h"
#include "soak.h"

namespace {
std::string recordPath;

// Each play of the script that ends is written over the record file, so the
// file holds the last one.
void writeRecording(const Replay& replay)
{
    if (const int error = writeReplayFile(recordPath, replay)) {
        std::fprintf(stderr, "tiltmoor-sim: cannot write the replay '%s': %s\n", recordPath.c_str(), std::strerror(error));
        std::exit(2);
    }
}

// Plays a replay and prints where it ended; status 1 when that is not the
// state the replay recorded.
int playReplay(const std::string& path, const char* argv0)
{
    Replay replay;
    std::string error;
    if (!readReplayFile(path, replay, error)) {
        std::fprintf(stderr, "tiltmoor-sim: %s\n", error.c_str());
        return 2;
    }
    startDirectory = absolutePath(".");
    enterDataFolder(argv0);
    startRunner("");
    startPlayback(replay);
    while (playbackPassesLeft()) runPass(nullptr, playbackPace, playbackPump);
    stopPlayback();
    printState();
    const std::string reached = jsonLine(playState());
    SDL_Quit();
    if (reached == replay.finalState) return 0;
    std::fprintf(stderr, "tiltmoor-sim: the replay ends in another state than it recorded:\n  recorded %s\n  reached  %s\n",
                 replay.finalState.c_str(), reached.c_str());
    return 1;
}

const char usageText[] =
    "Usage: tiltmoor-sim [--frame-ms N] [--level PATH] [--progress PATH] [--record FILE] SCRIPT|-\n"
    "       tiltmoor-sim --replay FILE\n"
    "       tiltmoor-sim --soak SEED --minutes M [--level PATH] [--frame-ms N]\n";
}

int main(int argc, char** argv)
{
    std::string levelPath;
    std::string scriptPath;
    std::string progressPath;
    long soakSeed = -1;
    long soakMinutes = 10;
    auto wholeNumber = [&](const char* text, long low, long high) {
        char* end = nullptr;
        long value = std::strtol(text, &end, 10);
        if (*end != '\0' || value < low || value > high) {
            std::fprintf(stderr, "tiltmoor-sim: bad number '%s'\n%s", text, usageText);
            std::exit(2);
        }
        return value;
    };
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--soak" && i + 1 < argc) {
            soakSeed = wholeNumber(argv[++i], 0, 4294967295L);
        } else if (arg == "--minutes" && i + 1 < argc) {
            soakMinutes = wholeNumber(argv[++i], 1, 100000);
        } else if (arg == "--frame-ms" && i + 1 < argc) {
            char* end = nullptr;
            long ms = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || ms < 1 || ms > 10000) {
                std::fprintf(stderr, "tiltmoor-sim: bad frame time '%s'\n%s", argv[i], usageText);
                return 2;
            }
            fixedFrameMs = static_cast<uint32_t>(ms);
        } else if (arg == "--level" && i + 1 < argc) {
            levelPath = argv[++i];
        } else if (arg == "--progress" && i + 1 < argc) {
            progressPath = absolutePath(argv[++i]);
        } else if (arg == "--record" && i + 1 < argc) {
            recordPath = absolutePath(argv[++i]);
        } else if (arg == "--replay" && i + 1 < argc) {
            return playReplay(argv[++i], argv[0]);
        } else if (arg == "--help") {
            std::fputs(usageText, stdout);
            return 0;
        } else if (scriptPath.empty() && (arg == "-" || arg[0] != '-')) {
            scriptPath = arg;
        } else {
            std::fprintf(stderr, "tiltmoor-sim: unexpected argument '%s'\n%s", arg.c_str(), usageText);
            return 2;
        }
    }
    if (soakSeed >= 0) {
        startDirectory = absolutePath(".");
        if (!levelPath.empty()) levelPath = absolutePath(levelPath);
        enterDataFolder(argv[0]);
        startRunner(levelPath);
        int status = runSoak(static_cast<uint32_t>(soakSeed), soakMinutes);
        SDL_Quit();
        return status;
    }
    if (scriptPath.empty()) {
        std::fputs(usageText, stderr);
        return 2;
    }

    // Read the whole script first, relative to where we were started.
    std::vector<std::string> lines;
    {
        std::string text;
        if (scriptPath == "-") {
            std::ostringstream all;
            all << std::cin.rdbuf();
            text = all.str();
        } else {
            std::ifstream in(scriptPath, std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "tiltmoor-sim: cannot read script '%s'\n", scriptPath.c_str());
                return 2;
            }
            std::ostringstream all;
            all << in.rdbuf();
            text = all.str();
        }
        std::istringstream in(text);
        std::string l;
        while (std::getline(in, l)) lines.push_back(l);
    }
    startDirectory = absolutePath(".");
    if (!levelPath.empty()) levelPath = absolutePath(levelPath);
    enterDataFolder(argv[0]);
    // The player's progress only when asked for, so that runs stay deterministic.
    if (!progressPath.empty()) {
        openProgress(progressPath);
        levelIndex = rememberedLevelIndex();
    }

    startRunner(levelPath);
    if (!recordPath.empty()) {
        // A --level that is one of the sequence's files gives its name.
        std::error_code sameError;
        for (const char* file : levelFiles)
            if (!levelPath.empty() && std::filesystem::equivalent(file, levelPath, sameError)) recordedLevelName = file;
        runnerPump = recordingPump;
        replayFinished = writeRecording;
    }

    int status = 0;
    try {
        for (size_t i = 0; i < lines.size() && status == 0; ++i) {
            std::vector<std::string> w = words(lines[i]);
            if (w.empty()) continue;
            if (!runCommand(w, static_cast<int>(i + 1))) status = 1;
        }
    } catch (const ScriptError& e) {
        std::fprintf(stderr, "tiltmoor-sim: line %d: %s\n", e.line, e.message.c_str());
        SDL_Quit();
        return 2;
    }
    finishRecording();
    printState();
    SDL_Quit();
    return status;
}
