// Level files: the clipping layer's polygon text with hole flags, then
// fourteen "%f" lines holding x and y of balls 0 to 6.
//
// Loading trusts nothing in the file: the polygon reader stops at the first
// bad count or number, and the ball section stops at the first value that is
// not a finite number within the coordinate limit. Saving never destroys the
// previous file: the level goes to a temporary file beside the target, which
// is flushed to disk and then renamed over the target.
#include "playfield/levelfile.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The load itself, from an open stream or from none: the default row, the
// released playfield, the polygon, the balls, the strips and the rotation at
// the present angle. The caller opens and closes the stream.
ReadOutcome readLevel(FILE* file)
{
    placeBallsInRow(pivot);
    freePlayfield();
    if (!file) {
        rotatePlayfield();
        return ReadOutcome::NotOpened;
    }

    gpc_polygon polygon{0, nullptr, nullptr};
    const bool polygonComplete = gpc_read_polygon(file, 1, &polygon) == 1;
    makeConsistent(polygon);

    // After a polygon section that stopped early the stream stands somewhere
    // inside it; what follows would be vertex numbers, not balls.
    int coordinatesRead = 0;
    if (polygonComplete) {
        const CLocaleNumbers numbers;
        for (; coordinatesRead < ballCoordinateCount; ++coordinatesRead) {
            float value = 0.0f;
            if (std::fscanf(file, "%f", &value) != 1 || !usableCoordinate(value)) break;
            Vec2& position = balls[coordinatesRead / 2].position;
            if (coordinatesRead % 2 == 0)
                position.x = value;
            else
                position.y = value;
        }
    }

    replaceLevelPolygon(polygon);   // strips rebuilt, rotated at the present angle
    return polygonComplete && coordinatesRead == ballCoordinateCount ? ReadOutcome::Complete
                                                                    : ReadOutcome::Partial;
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
    std::printf("Couldn't save the level to \"%s\": %s\n", path, std::strerror(error));
    std::fflush(stdout);
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

// The user's state folder for the game, or empty when none can be named.
std::string stateFolder()
{
    const char* xdg = std::getenv("XDG_STATE_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/tiltmoor";
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') return std::string(home) + "/.local/state/tiltmoor";
    return std::string();
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

void loadLevel(const char* path)
{
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    readLevel(file);
    if (file) std::fclose(file);
}

namespace {

// The atomic save: a temporary file beside the target, flushed to disk, then
// renamed over it. Returns 0 or the errno of what failed.
template <typename Write>
int writeAtomically(const char* path, Write write)
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
        if (!write(file)) error = errno ? errno : EIO;
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
    const int error = writeAtomically(path, writeLevel);
    if (error) reportSaveFailure(path ? path : "", error);
    return error == 0;
}

int saveTextAtomically(const char* path, const std::string& text)
{
    return writeAtomically(path, [&text](FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
    });
}

void reloadCurrentLevel()
{
    angle = 0.0f;
    if (levelIndex < 0 || levelIndex >= levelCount) levelIndex = 0;
    clearUndoHistory();   // the editor's history belongs to the level it was made on
    loadLevel(levelFiles[levelIndex]);
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
        if (FILE* file = std::fopen(snapshot.path.c_str(), "rb")) {
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
    loadLevel(path.c_str());
}

void saveLevelCommand()
{
    const std::string path = saveLevelDialog ? saveLevelDialog(levelFileFilter) : std::string();
    if (path.empty()) return;
    saveLevel(withLevelExtension(path).c_str());
}
