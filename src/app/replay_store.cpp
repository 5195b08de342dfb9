#include "app/replay_store.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <set>

#include "app/replay.h"
#include "game/levels.h"
#include "playfield/levelfile.h"

namespace {

int failedPlays[levelCount] = {};
bool writeFailureReported = false;
std::set<std::string> unreadableReported;

// "data/9.lv" -> "9"
std::string levelStem(const char* levelFile)
{
    std::string name = levelFile ? levelFile : "";
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

int sequenceIndex(const std::string& level)
{
    for (int i = 0; i < levelCount; ++i)
        if (level == levelFiles[i]) return i;
    return -1;
}

void write(const std::string& path, const Replay& replay)
{
    if (path.empty()) return;
    const int error = writeReplayFile(path, replay);
    if (!error || writeFailureReported) return;
    writeFailureReported = true;
    std::printf("Couldn't save the replay to \"%s\": %s\n", path.c_str(), std::strerror(error));
    std::fflush(stdout);
}

}  // namespace

std::string replayFolder()
{
    const std::string folder = stateFolder();
    return folder.empty() ? folder : folder + "/replays";
}

std::string lastReplayPath()
{
    const std::string folder = replayFolder();
    return folder.empty() ? folder : folder + "/last.replay";
}

std::string bestReplayPath(const char* levelFile)
{
    const std::string folder = replayFolder();
    return folder.empty() ? folder : folder + "/best-" + levelStem(levelFile) + ".replay";
}

bool bestReplayExists(const char* levelFile)
{
    struct stat st;
    const std::string path = bestReplayPath(levelFile);
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool readKeptReplay(const std::string& path, Replay& replay)
{
    std::string error;
    if (readReplayFile(path, replay, error)) return true;
    if (unreadableReported.insert(path).second) {
        std::printf("Couldn't read the replay %s; it is skipped\n", error.c_str());
        std::fflush(stdout);
    }
    return false;
}

void keepReplay(const Replay& replay)
{
    write(lastReplayPath(), replay);
    const int index = sequenceIndex(replay.level);
    if (index < 0) return;
    if (replay.outcome == "failed" || replay.outcome == "abandoned") ++failedPlays[index];
    if (replay.outcome != "won") return;
    const std::string bestPath = bestReplayPath(replay.level.c_str());
    Replay best;
    struct stat st;
    const bool kept = stat(bestPath.c_str(), &st) == 0 && readKeptReplay(bestPath, best) && best.outcome == "won";
    if (kept && best.playMs <= replay.playMs) return;
    write(bestPath, replay);
}

bool solutionOffered(int levelIndex)
{
    return levelIndex >= 0 && levelIndex < levelCount && failedPlays[levelIndex] >= playsBeforeSolutionOffer;
}

void resetReplayStore()
{
    for (int& n : failedPlays) n = 0;
    writeFailureReported = false;
    unreadableReported.clear();
}
