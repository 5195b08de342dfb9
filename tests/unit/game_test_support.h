// Shared set-up for the tests of level files, stamping, the editor and the
// game flow: a known world, a fresh working folder, polygons built by hand.
#pragma once

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/loop.h"
#include "clip/gpc.h"
#include "game/levels.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/levelfile.h"
#include "playfield/playfield.h"
#include "playfield/seams.h"

namespace testworld {

struct Point {
    double x, y;
};

// A polygon of malloc'd arrays, as the clipping layer hands them out.
inline void addContour(gpc_polygon& polygon, const std::vector<Point>& points, int hole)
{
    const int n = polygon.num_contours;
    polygon.hole = static_cast<int*>(std::realloc(polygon.hole, sizeof(int) * (n + 1)));
    polygon.contour =
        static_cast<gpc_vertex_list*>(std::realloc(polygon.contour, sizeof(gpc_vertex_list) * (n + 1)));
    gpc_vertex* v = static_cast<gpc_vertex*>(std::malloc(sizeof(gpc_vertex) * points.size()));
    for (size_t i = 0; i < points.size(); ++i) v[i] = gpc_vertex{points[i].x, points[i].y, 0.0, 0.0};
    polygon.hole[n] = hole;
    polygon.contour[n].num_vertices = static_cast<int>(points.size());
    polygon.contour[n].vertex = v;
    polygon.num_contours = n + 1;
}

inline std::vector<Point> rectangle(double x0, double y0, double x1, double y1)
{
    // Counter-clockwise on the screen (y down), as the clipping layer gives
    // outer contours.
    return {{x1, y0}, {x0, y0}, {x0, y1}, {x1, y1}};
}

// Replaces the level with the given contours (hole flags beside them).
inline void setLevel(const std::vector<std::vector<Point>>& contours, const std::vector<int>& holes)
{
    gpc_polygon polygon{0, nullptr, nullptr};
    for (size_t i = 0; i < contours.size(); ++i) addContour(polygon, contours[i], holes[i]);
    replaceLevelPolygon(polygon);
}

// Signed area by the shoelace sum, negative for the screen's
// counter-clockwise outer contours.
inline double signedArea(const gpc_vertex_list& list)
{
    double s = 0.0;
    for (int i = 0; i < list.num_vertices; ++i) {
        const gpc_vertex& a = list.vertex[i];
        const gpc_vertex& b = list.vertex[(i + 1) % list.num_vertices];
        s += a.x * b.y - b.x * a.y;
    }
    return s * 0.5;
}

// The filled area: outer contours minus holes.
inline double levelArea()
{
    double area = 0.0;
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        const double a = std::fabs(signedArea(levelPolygon.contour[c]));
        area += levelPolygon.hole[c] ? -a : a;
    }
    return area;
}

inline double stripArea()
{
    double area = 0.0;
    for (int s = 0; s < levelStrips.num_strips; ++s) {
        const gpc_vertex_list& strip = levelStrips.strip[s];
        for (int i = 2; i < strip.num_vertices; ++i) {
            const gpc_vertex& a = strip.vertex[i - 2];
            const gpc_vertex& b = strip.vertex[i - 1];
            const gpc_vertex& c = strip.vertex[i];
            area += std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) * 0.5;
        }
    }
    return area;
}

// A deep copy of the level for comparisons.
struct LevelCopy {
    std::vector<std::vector<Point>> contours;
    std::vector<int> holes;
    std::vector<Point> balls;
};

inline LevelCopy copyLevel()
{
    LevelCopy copy;
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        std::vector<Point> points;
        for (int v = 0; v < levelPolygon.contour[c].num_vertices; ++v)
            points.push_back({levelPolygon.contour[c].vertex[v].x, levelPolygon.contour[c].vertex[v].y});
        copy.contours.push_back(points);
        copy.holes.push_back(levelPolygon.hole[c]);
    }
    for (int i = 0; i < ballCount; ++i) copy.balls.push_back({balls[i].position.x, balls[i].position.y});
    return copy;
}

inline void expectSameLevel(const LevelCopy& expected, const LevelCopy& actual)
{
    ASSERT_EQ(expected.contours.size(), actual.contours.size());
    EXPECT_EQ(expected.holes, actual.holes);
    for (size_t c = 0; c < expected.contours.size(); ++c) {
        ASSERT_EQ(expected.contours[c].size(), actual.contours[c].size()) << "contour " << c;
        for (size_t v = 0; v < expected.contours[c].size(); ++v) {
            EXPECT_EQ(expected.contours[c][v].x, actual.contours[c][v].x) << "contour " << c << " vertex " << v;
            EXPECT_EQ(expected.contours[c][v].y, actual.contours[c][v].y) << "contour " << c << " vertex " << v;
        }
    }
    for (int i = 0; i < ballCount; ++i) {
        EXPECT_EQ(expected.balls[i].x, actual.balls[i].x) << "ball " << i;
        EXPECT_EQ(expected.balls[i].y, actual.balls[i].y) << "ball " << i;
    }
}

// The level polygon keeps counts that match its arrays and finite vertices
// within the coordinate limit; the strips cover its area.
inline void expectConsistentLevel()
{
    ASSERT_GE(levelPolygon.num_contours, 0);
    if (levelPolygon.num_contours > 0) {
        ASSERT_NE(levelPolygon.contour, nullptr);
        ASSERT_NE(levelPolygon.hole, nullptr);
    }
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        const gpc_vertex_list& list = levelPolygon.contour[c];
        ASSERT_GE(list.num_vertices, 0);
        if (list.num_vertices > 0) {
            ASSERT_NE(list.vertex, nullptr);
        }
        EXPECT_TRUE(levelPolygon.hole[c] == 0 || levelPolygon.hole[c] == 1);
        for (int v = 0; v < list.num_vertices; ++v) {
            EXPECT_TRUE(std::isfinite(list.vertex[v].x) && std::fabs(list.vertex[v].x) <= 1e6);
            EXPECT_TRUE(std::isfinite(list.vertex[v].y) && std::fabs(list.vertex[v].y) <= 1e6);
        }
    }
    for (int i = 0; i < ballCount; ++i) {
        EXPECT_TRUE(std::isfinite(balls[i].position.x) && std::fabs(balls[i].position.x) <= 1e6);
        EXPECT_TRUE(std::isfinite(balls[i].position.y) && std::fabs(balls[i].position.y) <= 1e6);
    }
}

inline void expectDefaultRow()
{
    for (int i = 0; i < ballCount; ++i) {
        EXPECT_EQ(balls[i].position.x, float(512.0 + 120.0 - 40.0 * i)) << "ball " << i;
        EXPECT_EQ(balls[i].position.y, float(384.0 * double(0.3f))) << "ball " << i;
    }
}

inline void placeBall(int i, float x, float y)
{
    balls[i].position = Vec2(x, y);
    balls[i].velocity = Vec2();
}

// Puts every ball far below the screen's working area, out of every stamp's reach.
inline void parkBalls()
{
    for (int i = 0; i < ballCount; ++i) placeBall(i, 40.0f + 60.0f * i, 740.0f);
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string cancelledDialog(const char*) { return std::string(); }

// The world every test starts from: the 1024 x 768 screen, the pivot at its
// centre, an empty upright level, the balls in the default row, the tool at
// its defaults, no input, the title screen.
inline void resetWorld()
{
    initScreen();
    createBalls();
    pivot = Vec2(512.0, 384.0);
    freePlayfield();
    placeBallsInRow(pivot);
    for (int i = 0; i < ballCount; ++i) {
        balls[i].velocity = Vec2();
        balls[i].contactDistance = noContactDistance;
    }
    angle = 0.0f;
    angularVelocity = 0.0f;
    shapeType = Circle;
    shapeSize = 40.0f;
    stampBlockedMs = 0;
    selectedBall = -1;
    clearInput();
    gameState = Title;
    pendingState = 0;
    stateTime = 0;
    stepAccumulator = 0;
    keepTime = -1;
    levelIndex = 0;
    openLevelDialog = cancelledDialog;
    saveLevelDialog = cancelledDialog;
    fileErrorBox = [](const char*) {};
}

// A fresh working folder with an empty data/ in it, the user's state folder
// pointed inside it; everything is put back when the test ends.
class WorkFolder {
public:
    WorkFolder()
    {
        char pattern[] = "/tmp/tiltmoor-test-XXXXXX";
        root_ = mkdtemp(pattern);
        oldCwd_ = std::filesystem::current_path();
        std::filesystem::current_path(root_);
        std::filesystem::create_directory(root_ / "data");
        saveEnv("XDG_STATE_HOME", oldXdg_, hadXdg_);
        saveEnv("HOME", oldHome_, hadHome_);
        setenv("XDG_STATE_HOME", (root_ / "state").c_str(), 1);
    }
    ~WorkFolder()
    {
        std::filesystem::current_path(oldCwd_);
        restoreEnv("XDG_STATE_HOME", oldXdg_, hadXdg_);
        restoreEnv("HOME", oldHome_, hadHome_);
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(root_, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec)) chmod(it->path().c_str(), 0755);
        }
        chmod(root_.c_str(), 0755);
        std::filesystem::remove_all(root_, ec);
    }
    const std::filesystem::path& root() const { return root_; }

private:
    static void saveEnv(const char* name, std::string& value, bool& had)
    {
        const char* v = std::getenv(name);
        had = v != nullptr;
        if (v) value = v;
    }
    static void restoreEnv(const char* name, const std::string& value, bool had)
    {
        if (had)
            setenv(name, value.c_str(), 1);
        else
            unsetenv(name);
    }
    std::filesystem::path root_;
    std::filesystem::path oldCwd_;
    std::string oldXdg_, oldHome_;
    bool hadXdg_ = false, hadHome_ = false;
};

// Tests run as root in CI, where a folder's permission bits stop no write.
// Dropping the capabilities that override them (from the effective set only,
// so they can be taken back) makes a read-only folder read-only again.
class PermissionBitsEnforced {
public:
    PermissionBitsEnforced()
    {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        const unsigned mask = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
        reduced[0].effective &= ~mask;
        changed_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~PermissionBitsEnforced()
    {
        if (changed_) syscall(SYS_capset, &header_, saved_);
    }

    // Whether a write into the read-only folder is really refused now.
    static bool writesRefusedIn(const std::string& folder)
    {
        const std::string probe = folder + "/.probe";
        FILE* f = std::fopen(probe.c_str(), "wb");
        if (!f) return true;
        std::fclose(f);
        std::remove(probe.c_str());
        return false;
    }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool changed_ = false;
};

// One pass of the game's update as the loop runs it: the update, then the
// pending state applied.
inline void pass(int frameMs = 16)
{
    updateFrame(frameMs);
    applyPendingState(frameMs);
}

}  // namespace testworld
