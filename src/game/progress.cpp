// The progress file, one record a line; lines it cannot read are skipped:
//
//   # tiltmoor progress
//   title data/6.lv
//   solved data/9.lv 12345        level file, best time in ms
#include "game/progress.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "game/levels.h"
#include "playfield/levelfile.h"
#include "playfield/undo.h"

namespace {

constexpr long longestTimeMs = INT_MAX;

std::string storePath;
bool active = false;
bool changed = false;
bool failureReported = false;
bool suspended = false;
std::string titleLevel;
std::map<std::string, int> bestTimes;   // solved levels only

bool readTime(const std::string& word, int& ms)
{
    if (word.empty() || word.size() > 10) return false;
    for (char c : word)
        if (c < '0' || c > '9') return false;
    const long value = std::strtol(word.c_str(), nullptr, 10);
    if (value > longestTimeMs) return false;
    ms = static_cast<int>(value);
    return true;
}

void readLine(const std::string& line)
{
    std::istringstream in(line);
    std::string kind, level, time, extra;
    if (!(in >> kind) || kind[0] == '#') return;
    if (!(in >> level)) return;
    const bool hasTime = static_cast<bool>(in >> time);
    if (in >> extra) return;
    int ms = 0;
    if (kind == "title" && !hasTime) {
        titleLevel = level;
    } else if (kind == "solved" && hasTime && readTime(time, ms)) {
        auto it = bestTimes.find(level);
        if (it == bestTimes.end() || ms < it->second) bestTimes[level] = ms;
    }
}

std::string storeText()
{
    std::string text = "# tiltmoor progress\n";
    if (!titleLevel.empty()) text += "title " + titleLevel + "\n";
    for (const auto& [level, ms] : bestTimes) text += "solved " + level + " " + std::to_string(ms) + "\n";
    return text;
}

// Names in the store are single words; the sequence's names always are.
bool storable(const char* level)
{
    if (!level || !*level) return false;
    for (const char* c = level; *c; ++c)
        if (*c == ' ' || *c == '\t' || *c == '\n' || *c == '\r' || *c == '#') return false;
    return true;
}

void reportFailure(int error)
{
    if (failureReported) return;
    failureReported = true;
    std::printf("Couldn't save the progress to \"%s\": %s\n", storePath.c_str(), std::strerror(error));
    std::fflush(stdout);
}

}  // namespace

std::string defaultProgressPath()
{
    const std::string folder = stateFolder();
    return folder.empty() ? folder : folder + "/progress";
}

void openProgress(const std::string& path)
{
    storePath = path;
    active = !path.empty();
    changed = false;
    failureReported = false;
    titleLevel.clear();
    bestTimes.clear();
    if (!active) return;
    int error = 0;
    FILE* in = openRegularFile(path.c_str(), error);
    if (!in) {
        if (error == ENOENT) return;   // nothing recorded yet
        // A store that is there but cannot be read would be overwritten by
        // the first save, losing what it holds; a named pipe or a device
        // is no store at all.
        active = false;
        std::printf("Couldn't read the progress from \"%s\": %s; progress is not kept\n", path.c_str(),
                    describeOpenError(error).c_str());
        std::fflush(stdout);
        return;
    }
    std::string line;
    char chunk[512];
    while (std::fgets(chunk, sizeof chunk, in)) {
        line += chunk;
        if (line.back() != '\n') continue;
        line.pop_back();
        readLine(line);
        line.clear();
    }
    if (!line.empty()) readLine(line);
    std::fclose(in);
}

void openPlayerProgress()
{
    const std::string path = defaultProgressPath();
    if (path.empty()) {
        std::printf("Neither XDG_STATE_HOME nor HOME names a folder: progress is not kept\n");
        std::fflush(stdout);
    }
    openProgress(path);
}

bool progressActive() { return active; }

LevelRecord progressFor(const char* levelFile)
{
    LevelRecord record;
    if (!levelFile) return record;
    auto it = bestTimes.find(levelFile);
    if (it != bestTimes.end()) {
        record.solved = true;
        record.bestMs = it->second;
    }
    return record;
}

int solvedLevelCount()
{
    int count = 0;
    for (const char* level : levelFiles) count += bestTimes.count(level) ? 1 : 0;
    return count;
}

int rememberedLevelIndex()
{
    for (int i = 0; i < levelCount; ++i)
        if (titleLevel == levelFiles[i]) return i;
    return 0;
}

void suspendProgress(bool value) { suspended = value; }

void recordWin(int playMs)
{
    if (!active || suspended || levelEditedSinceChosen()) return;
    if (levelIndex < 0 || levelIndex >= levelCount || playMs < 0) return;
    const char* level = levelFiles[levelIndex];
    auto it = bestTimes.find(level);
    if (it != bestTimes.end() && it->second <= playMs) return;
    bestTimes[level] = playMs;
    changed = true;
}

void rememberTitleLevel()
{
    if (!active || levelIndex < 0 || levelIndex >= levelCount) return;
    const char* level = levelFiles[levelIndex];
    if (!storable(level) || titleLevel == level) return;
    titleLevel = level;
    changed = true;
}

bool saveProgress()
{
    if (!active) return false;
    if (!changed) return true;
    const size_t slash = storePath.find_last_of('/');
    int error = 0;
    errno = 0;
    if (slash != std::string::npos && slash > 0 && !makeFolders(storePath.substr(0, slash), 0700))
        error = errno ? errno : ENOTDIR;
    if (!error) error = saveTextAtomically(storePath.c_str(), storeText());
    if (error) {
        reportFailure(error);
        return false;
    }
    changed = false;
    return true;
}
