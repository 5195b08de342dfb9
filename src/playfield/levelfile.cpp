// Level files: the clipping layer's polygon text with hole flags, then
// fourteen "%f" lines holding x and y of balls 0 to 6.
//
// Loading trusts nothing in the file: the polygon reader stops at the first
// bad count or number, and the ball section stops at the first value that is
// not a finite number within the coordinate limit. Saving never destroys the
// previous file: the level goes to a temporary file beside the target, which
// is flushed to disk and then renamed over the target.
#include "playfield/levelfile.h"
#include "playfield/outline_cost.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "game/levels.h"
#include "physics/ball.h"
#include "playfield/playfield.h"
#include "playfield/seams.h"
#include "playfield/undo.h"

// The string literal's own terminator is the closing second NUL.
const char levelFileFilter[] = "Level files (*.lv)\0*.lv\0";

namespace {

constexpr int ballCoordinateCount = 2 * ballCount;
constexpr char levelExtension[] = ".lv";
constexpr char dataFolder[] = "data";
constexpr char dataSnapshot[] = "data/temp";

enum class ReadOutcome {
    NotOpened,   // the level is empty, the balls stand in the default row
    Partial,     // what could be read was kept
    Complete,    // the whole polygon section and all fourteen ball values
};

// The ball lines are read and written with "%f" in the C locale whatever
// locale the desktop set (the dialogs' toolkit adopts the user's, and a
// decimal comma would corrupt every file saved under it).
class CLocaleNumbers {
public:
    CLocaleNumbers()
    {
        static locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
        if (cLocale) previous_ = uselocale(cLocale);
    }
    ~CLocaleNumbers()
    {
        if (previous_) uselocale(previous_);
    }
    CLocaleNumbers(const CLocaleNumbers&) = delete;
    CLocaleNumbers& operator=(const CLocaleNumbers&) = delete;

private:
    locale_t previous_ = locale_t(0);
};

bool usableCoordinate(double v)
{
    return std::isfinite(v) && std::fabs(v) <= gpc_coordinate_limit;
}

// Whatever the reader handed back, the level that goes on from here has
// counts that match its arrays, hole flags of 0 or 1 and finite vertices.
void makeConsistent(gpc_polygon& polygon)
{
    if (polygon.num_contours <= 0 || !polygon.contour || !polygon.hole) {
        if (polygon.num_contours > 0 && polygon.contour) {
            gpc_free_polygon(&polygon);
        } else {
            std::free(polygon.contour);
            std::free(polygon.hole);
        }
        polygon = gpc_polygon{0, nullptr, nullptr};
        return;
    }
    for (int c = 0; c < polygon.num_contours; ++c) {
        gpc_vertex_list& list = polygon.contour[c];
        if (list.num_vertices < 0 || (list.num_vertices > 0 && !list.vertex)) list.num_vertices = 0;
        for (int v = 0; v < list.num_vertices; ++v) {
            if (!usableCoordinate(list.vertex[v].x) || !usableCoordinate(list.vertex[v].y)) {
                list.num_vertices = v;
                break;
            }
        }
        polygon.hole[c] = polygon.hole[c] ? 1 : 0;
    }
}

// A level file as read, not yet made current.
struct ParsedLevel {
    gpc_polygon polygon{0, nullptr, nullptr};
    float coordinates[ballCoordinateCount] = {};
    int coordinatesRead = 0;
    bool polygonComplete = false;

    ParsedLevel() = default;
    ParsedLevel(const ParsedLevel&) = delete;
    ParsedLevel& operator=(const ParsedLevel&) = delete;
    ~ParsedLevel() { gpc_free_polygon(&polygon); }
};

// Reads the polygon and the balls from an open stream; touches nothing of
// the playfield.
void parseLevel(FILE* file, ParsedLevel& level)
{
    level.polygonComplete = gpc_read_polygon(file, 1, &level.polygon) == 1;
    makeConsistent(level.polygon);

    // After a polygon section that stopped early the stream stands somewhere
    // inside it; what follows would be vertex numbers, not balls.
    if (!level.polygonComplete) return;
    const CLocaleNumbers numbers;
    for (; level.coordinatesRead < ballCoordinateCount; ++level.coordinatesRead) {
        float value = 0.0f;
        if (std::fscanf(file, "%f", &value) != 1 || !usableCoordinate(value)) break;
        level.coordinates[level.coordinatesRead] = value;
    }
}

// The default row, the file's balls over it, the polygon with its strips,
// rotated at the present angle.
ReadOutcome commitLevel(ParsedLevel& level)
{
    placeBallsInRow(pivot);
    for (int i = 0; i < level.coordinatesRead; ++i) {
        Vec2& position = balls[i / 2].position;
        if (i % 2 == 0)
            position.x = level.coordinates[i];
        else
            position.y = level.coordinates[i];
    }
    replaceLevelPolygon(level.polygon);   // takes the polygon over
    return level.polygonComplete && level.coordinatesRead == ballCoordinateCount ? ReadOutcome::Complete
                                                                                : ReadOutcome::Partial;
}

// The load itself, from an open stream or from none: the default row, the
// released playfield, the polygon, the balls, the strips and the rotation at
// the present angle. The caller opens and closes the stream.
ReadOutcome readLevel(FILE* file)
{
    if (!file) {
        placeBallsInRow(pivot);
        freePlayfield();
        rotatePlayfield();
        return ReadOutcome::NotOpened;
    }
    ParsedLevel level;
    parseLevel(file, level);
    return commitLevel(level);
}

// The vertices the polygon holds once made strictly simple, as the strips
// and the first stamp will see it. A self-crossing outline can hold many
// times the vertices it was written with.
long normalisedVertexCount(gpc_polygon& polygon)
{
    gpc_polygon empty{0, nullptr, nullptr};
    gpc_polygon simple{0, nullptr, nullptr};
    gpc_polygon_clip(GPC_UNION, &polygon, &empty, &simple);
    long count = 0;
    for (int c = 0; c < simple.num_contours; ++c) count += simple.contour[c].num_vertices;
    gpc_free_polygon(&simple);
    return count;
}

void setFileError(const std::string& message)
{
    lastFileError = message;
    std::printf("%s\n", message.c_str());
    std::fflush(stdout);
}

enum class LoadOutcome {
    Loaded,
    NotOpened,   // nothing changed; the message is out
    Refused,     // too large; nothing changed; the message is out
};

// What resolving an outline's crossings and sweeping its strips may cost.
// Every crossing becomes two vertices of the resolved outline, so more
// crossings than the vertex limit can never give a playable level. The
// sweep budget is about a second and a half of the clip here (which spends
// some 70 ns on an edge in a band); the largest shipped level needs 10,000,
// a level of 6,650 separate small discs (79,800 vertices) 7 million.
constexpr OutlineBudget loadBudget{20000000, levelVertexLimit};

void reportRefusal(const char* path, const std::string& reason)
{
    setFileError(std::string("Couldn't load the level \"") + path + "\": " + reason);
}

}  // namespace

FILE* openRegularFile(const char* path, int& error)
{
    error = 0;
    if (!path || !*path) {
        error = ENOENT;
        return nullptr;
    }
    // O_NONBLOCK: opening a named pipe for reading would otherwise wait for
    // a writer forever; nothing but a regular file is read anyway.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) error = errno;
    else if (S_ISDIR(st.st_mode)) error = EISDIR;
    else if (!S_ISREG(st.st_mode)) error = EINVAL;
    const int flags = error ? 0 : fcntl(fd, F_GETFL);
    if (!error && (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)) error = errno;
    FILE* file = error ? nullptr : fdopen(fd, "rb");
    if (!file) {
        if (!error) error = errno;
        close(fd);
    }
    return file;
}

std::string describeOpenError(int error)
{
    return error == EINVAL ? std::string("not a regular file") : std::string(std::strerror(error));
}

namespace {

// A load that changes nothing unless the file can be read and is of a size
// the game can play.
LoadOutcome loadIfPlayable(const char* path)
{
    int error = 0;
    FILE* file = openRegularFile(path, error);
    if (!file) {
        setFileError(std::string("Couldn't open the level \"") + (path ? path : "") + "\": " + describeOpenError(error));
        return LoadOutcome::NotOpened;
    }
    ParsedLevel level;
    parseLevel(file, level);
    std::fclose(file);
    // Ten times the limit as written cannot come down to the limit but for a
    // file made of repeats; refusing it before the sweep bounds its memory.
    long written = 0;
    for (int c = 0; c < level.polygon.num_contours; ++c) written += level.polygon.contour[c].num_vertices;
    if (written > 10 * levelVertexLimit) {
        reportRefusal(path, "its outline has " + std::to_string(written) + " vertices, more than the " +
                                std::to_string(levelVertexLimit) + " a level may have");
        return LoadOutcome::Refused;
    }
    OutlineCost cost;
    if (!outlineWithinBudget(level.polygon, loadBudget, cost)) {
        if (cost.cells > loadBudget.cells)
            reportRefusal(path, "its outline needs " + std::to_string(cost.cells) + " steps to sweep, more than the " +
                                    std::to_string(loadBudget.cells) + " a level may need");
        else
            reportRefusal(path, "its outline crosses itself more than " + std::to_string(loadBudget.crossings) +
                                    " times, more than a level of " + std::to_string(levelVertexLimit) +
                                    " vertices can");
        return LoadOutcome::Refused;
    }
    const long vertices = normalisedVertexCount(level.polygon);
    if (vertices > levelVertexLimit) {
        reportRefusal(path, "its outline has " + std::to_string(vertices) + " vertices, more than the " +
                                std::to_string(levelVertexLimit) + " a level may have");
        return LoadOutcome::Refused;
    }
    commitLevel(level);
    return LoadOutcome::Loaded;
}

bool writeLevel(FILE* file)
{
    gpc_write_polygon(file, 1, &levelPolygon);
    const CLocaleNumbers numbers;
    for (int i = 0; i < ballCount; ++i) {
        std::fprintf(file, "%f\n", double(balls[i].position.x));
        std::fprintf(file, "%f\n", double(balls[i].position.y));
    }
    return std::fflush(file) == 0 && !std::ferror(file);
}

// The level exactly as a file would hold it.
std::string levelText()
{
    char* buffer = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&buffer, &size);
    if (!stream) return std::string();
    writeLevel(stream);
    std::fclose(stream);
    std::string text(buffer ? buffer : "", size);
    std::free(buffer);
    return text;
}

void reportSaveFailure(const char* path, int error)
{
    setFileError(std::string("Couldn't save the level to \"") + path + "\": " + std::strerror(error));
}

mode_t newFileMode(const char* target)
{
    struct stat st;
    if (stat(target, &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

void syncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The game's own temporary files: "." + the target's name + "." + six
// letters or digits (mkstemp's), for targets that are level files, the
// snapshot or the progress file.
bool isOwnTemporaryName(const std::string& name)
{
    if (name.size() < 9 || name[0] != '.' || name[name.size() - 7] != '.') return false;
    for (size_t i = name.size() - 6; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    const std::string target = name.substr(1, name.size() - 8);
    const auto endsWith = [&](const char* tail) {
        const size_t n = std::strlen(tail);
        return target.size() > n && target.compare(target.size() - n, n, tail) == 0;
    };
    return endsWith(levelExtension) || target == "temp" || target == "progress";
}

// A save killed between making its temporary file and renaming it leaves
// the file behind. Those of ours older than an hour (no save takes that
// long) and owned by this user go when the game next saves into the folder.
void removeStaleTemporaries(const std::string& folder)
{
    constexpr time_t staleSeconds = 3600;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    const time_t now = time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        if (!isOwnTemporaryName(entry->d_name)) continue;
        struct stat st;
        if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != geteuid() || now - st.st_mtime < staleSeconds) continue;
        unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

// The snapshot taken when play began: its text as the file holds it, whether
// the file was written, and where.
struct Snapshot {
    bool taken = false;
    bool onDisk = false;
    std::string path;
    std::string text;
};
Snapshot snapshot;

void restoreSnapshotFromMemory()
{
    FILE* stream = nullptr;
    if (!snapshot.text.empty()) stream = fmemopen(snapshot.text.data(), snapshot.text.size(), "rb");
    readLevel(stream);
    if (stream) std::fclose(stream);
}

}  // namespace

std::string stateFolder()
{
    const char* xdg = std::getenv("XDG_STATE_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/tiltmoor";
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') return std::string(home) + "/.local/state/tiltmoor";
    return std::string();
}

bool makeFolders(const std::string& path, unsigned mode)
{
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string lastFileError;

bool peekLevel(const char* path, gpc_polygon& polygon, float ballPositions[ballCoordinateCount])
{
    polygon = gpc_polygon{0, nullptr, nullptr};
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return false;
    ParsedLevel level;
    parseLevel(file, level);
    std::fclose(file);
    // The default row, as commitLevel starts from, without moving the balls.
    Ball kept[ballCount];
    for (int i = 0; i < ballCount; ++i) kept[i] = balls[i];
    placeBallsInRow(pivot);
    for (int i = 0; i < ballCount; ++i) {
        ballPositions[2 * i] = balls[i].position.x;
        ballPositions[2 * i + 1] = balls[i].position.y;
        balls[i] = kept[i];
    }
    for (int i = 0; i < level.coordinatesRead; ++i) ballPositions[i] = level.coordinates[i];
    polygon = level.polygon;
    level.polygon = gpc_polygon{0, nullptr, nullptr};
    return true;
}

void loadLevel(const char* path)
{
    if (loadIfPlayable(path) == LoadOutcome::NotOpened) readLevel(nullptr);
}

namespace {

// The atomic save: a temporary file beside the target, flushed to disk, then
// renamed over it. Returns 0 or the errno of what failed. Where the folder
// refuses the temporary file nothing is written: rewriting the target in
// place would leave it cut short, or empty, if the game were stopped in the
// middle.
int writeAtomically(const char* path, const std::string& text)
{
    if (!path || !*path) return ENOENT;
    // Saving through a symbolic link writes the file it points to and keeps
    // the link.
    std::string target = path;
    struct stat linkInfo;
    if (lstat(path, &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        if (char* resolved = realpath(path, nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }

    // The temporary file lies beside the target so that the rename stays
    // within one file system.
    const size_t slash = target.find_last_of('/');
    const std::string folder = folderOf(target);
    const std::string prefix = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = prefix + "." + name + ".XXXXXX";

    removeStaleTemporaries(folder);
    const mode_t mode = newFileMode(target.c_str());
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return errno;
    int error = 0;
    FILE* file = fdopen(fd, "wb+");
    if (!file) {
        error = errno;
        close(fd);
    } else {
        fchmod(fd, mode);   // on failure the file keeps mkstemp's private mode
        errno = 0;
        const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
        if (!written) error = errno ? errno : EIO;
        if (!error && fsync(fd) != 0) error = errno;
        errno = 0;
        if (std::fclose(file) != 0 && !error) error = errno ? errno : EIO;
    }
    if (!error && std::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error) {
        unlink(temporary.c_str());
        return error;
    }
    syncFolder(folder);
    return 0;
}

}  // namespace

bool saveLevel(const char* path)
{
    const std::string text = levelText();
    const int error = text.empty() ? ENOMEM : writeAtomically(path, text);
    if ((error == EACCES || error == EPERM) && path && faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) == 0)
        setFileError(std::string("Couldn't save the level to \"") + path +
                     "\": its folder allows no new file, and writing over the old one in place could lose it; "
                     "save it in another folder");
    else if (error)
        reportSaveFailure(path ? path : "", error);
    return error == 0;
}

int saveTextAtomically(const char* path, const std::string& text) { return writeAtomically(path, text); }

void reloadCurrentLevel()
{
    angle = 0.0f;
    if (levelIndex < 0 || levelIndex >= levelCount) levelIndex = 0;
    clearUndoHistory();   // the editor's history belongs to the level it was made on
    // A level of the sequence that cannot be played shows as the empty level
    // under its own number, never as the level before it.
    if (loadIfPlayable(levelFiles[levelIndex]) != LoadOutcome::Loaded) readLevel(nullptr);
}

const char* snapshotPath()
{
    static std::string path;
    const std::string state = stateFolder();
    if (faccessat(AT_FDCWD, dataFolder, W_OK | X_OK, AT_EACCESS) == 0 || state.empty())
        path = dataSnapshot;
    else
        path = state + "/temp";
    return path.c_str();
}

void saveSnapshot()
{
    snapshot.taken = true;
    snapshot.text = levelText();
    snapshot.path = snapshotPath();
    if (snapshot.path != dataSnapshot) makeFolders(folderOf(snapshot.path), 0700);
    snapshot.onDisk = saveLevel(snapshot.path.c_str());
}

void loadSnapshot()
{
    if (!snapshot.taken) {
        loadLevel(snapshotPath());
        return;
    }
    if (snapshot.onDisk) {
        int error = 0;
        if (FILE* file = openRegularFile(snapshot.path.c_str(), error)) {
            const ReadOutcome outcome = readLevel(file);
            std::fclose(file);
            if (outcome == ReadOutcome::Complete) return;
        }
    }
    restoreSnapshotFromMemory();
}

std::string withLevelExtension(const std::string& path)
{
    const size_t n = sizeof(levelExtension) - 1;
    if (path.size() >= n && path.compare(path.size() - n, n, levelExtension) == 0) return path;
    return path + levelExtension;
}

void openLevelCommand()
{
    const std::string path = openLevelDialog ? openLevelDialog(levelFileFilter) : std::string();
    if (path.empty()) return;
    // Whatever is in the editor stays unless the chosen file really loads.
    if (loadIfPlayable(path.c_str()) != LoadOutcome::Loaded && fileErrorBox) fileErrorBox(lastFileError.c_str());
}

void saveLevelCommand()
{
    const std::string path = saveLevelDialog ? saveLevelDialog(levelFileFilter) : std::string();
    if (path.empty()) return;
    if (!saveLevel(withLevelExtension(path).c_str()) && fileErrorBox) fileErrorBox(lastFileError.c_str());
}
