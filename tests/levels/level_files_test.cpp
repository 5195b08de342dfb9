// The shipped level files, read through the game's own loader: each parses
// to its end, its outlines run the way the simulation needs, and its seven
// balls start on the screen, resting on the playfield, apart from each other.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "app/loop.h"
#include "clip/gpc.h"
#include "game/levels.h"
#include "physics/ball.h"
#include "playfield/levelfile.h"
#include "playfield/playfield.h"

namespace {

std::string sourcePath(const std::string& relative) { return std::string(TILTMOOR_SOURCE_DIR) + "/" + relative; }

double signedArea(const gpc_vertex_list& v)
{
    double s = 0.0;
    for (int i = 0; i < v.num_vertices; ++i) {
        const gpc_vertex& a = v.vertex[i];
        const gpc_vertex& b = v.vertex[(i + 1) % v.num_vertices];
        s += a.x * b.y - b.x * a.y;
    }
    return s * 0.5;
}

double segmentDistance(double px, double py, const gpc_vertex& a, const gpc_vertex& b)
{
    double ex = b.x - a.x, ey = b.y - a.y;
    double len2 = ex * ex + ey * ey;
    double t = len2 > 0 ? ((px - a.x) * ex + (py - a.y) * ey) / len2 : 0.0;
    t = std::fmax(0.0, std::fmin(1.0, t));
    return std::hypot(px - (a.x + t * ex), py - (a.y + t * ey));
}

double outlineDistance(double px, double py)
{
    double best = 1e30;
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        const gpc_vertex_list& v = levelPolygon.contour[c];
        for (int i = 0; i < v.num_vertices; ++i)
            best = std::fmin(best, segmentDistance(px, py, v.vertex[i], v.vertex[(i + 1) % v.num_vertices]));
    }
    return best;
}

// Even-odd over all contours, as the clipping layer reads a polygon.
bool insideSolid(double px, double py)
{
    bool inside = false;
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        const gpc_vertex_list& v = levelPolygon.contour[c];
        for (int i = 0, j = v.num_vertices - 1; i < v.num_vertices; j = i++) {
            const gpc_vertex& a = v.vertex[i];
            const gpc_vertex& b = v.vertex[j];
            if ((a.y > py) != (b.y > py) && px < (b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x) inside = !inside;
        }
    }
    return inside;
}

class ShippedLevel : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite()
    {
        initScreen();
        pivot = Vec2(screenRect.w * 0.5, screenRect.h * 0.5);
        if (!balls) createBalls();
    }

    std::string file() const { return levelFiles[GetParam()]; }
    std::string path() const { return sourcePath(file()); }
};

TEST_P(ShippedLevel, ParsesToItsEndWithSevenBalls)
{
    FILE* f = std::fopen(path().c_str(), "rb");
    ASSERT_NE(f, nullptr) << file() << " is missing";
    gpc_polygon p{0, nullptr, nullptr};
    EXPECT_EQ(gpc_read_polygon(f, 1, &p), 1) << file() << ": the polygon section stops early";
    EXPECT_GT(p.num_contours, 0);
    int numbers = 0;
    float value;
    while (std::fscanf(f, "%f", &value) == 1) ++numbers;
    EXPECT_EQ(numbers, 2 * ballCount) << file() << ": the ball section should hold 14 numbers";
    int c;
    while ((c = std::fgetc(f)) != EOF) EXPECT_TRUE(std::isspace(c)) << file() << ": stray text after the balls";
    std::fclose(f);
    gpc_free_polygon(&p);
}

TEST_P(ShippedLevel, OutlinesRunCounterClockwiseAndHolesClockwiseOnScreen)
{
    angle = 0.0f;
    loadLevel(path().c_str());
    ASSERT_GT(levelPolygon.num_contours, 0) << file() << " loads empty";
    EXPECT_GT(levelStrips.num_strips, 0);
    int outer = 0;
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        const double a = signedArea(levelPolygon.contour[c]);
        if (levelPolygon.hole[c]) {
            EXPECT_GT(a, 0.0) << file() << ": hole " << c << " runs counter-clockwise on the screen";
        } else {
            ++outer;
            EXPECT_LT(a, 0.0) << file() << ": outline " << c << " runs clockwise on the screen";
        }
    }
    EXPECT_GE(outer, 1);
}

TEST_P(ShippedLevel, BallsStartOnTheScreenRestingAndApart)
{
    angle = 0.0f;
    loadLevel(path().c_str());
    for (int i = 0; i < ballCount; ++i) {
        const Vec2 p = balls[i].position;
        SCOPED_TRACE(file() + ", ball " + std::to_string(i));
        EXPECT_TRUE(onScreen(p));
        EXPECT_FALSE(insideSolid(p.x, p.y)) << "starts inside the playfield";
        const double d = outlineDistance(p.x, p.y);
        EXPECT_GE(d, ballRadius - 0.5) << "starts sunk into the playfield";
        bool onAnother = false;
        for (int k = 0; k < ballCount; ++k) {
            if (k == i) continue;
            const double gap = std::hypot(p.x - balls[k].position.x, p.y - balls[k].position.y);
            EXPECT_GE(gap, 2 * ballRadius - 0.01) << "overlaps ball " << k;
            if (gap < 2 * ballRadius + 0.5 && balls[k].position.y > p.y) onAnother = true;
        }
        EXPECT_TRUE(d <= ballRadius + 0.5 || onAnother) << "hangs in the air, " << d << " px from the playfield";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, ShippedLevel, ::testing::Range(0, levelCount),
                         [](const ::testing::TestParamInfo<int>& info) {
                             std::string name = levelFiles[info.param];
                             return "play" + std::to_string(info.param + 1) + "_" +
                                    name.substr(5, name.size() - 8);
                         });

TEST(LevelTable, NamesEighteenDistinctShippedFiles)
{
    std::set<std::string> names(levelFiles, levelFiles + levelCount);
    EXPECT_EQ(names.size(), size_t(levelCount));
    std::set<std::string> contents;
    for (const std::string& name : names) {
        std::ifstream in(sourcePath(name), std::ios::binary);
        ASSERT_TRUE(in) << name;
        std::ostringstream all;
        all << in.rdbuf();
        contents.insert(all.str());
    }
    EXPECT_EQ(contents.size(), size_t(levelCount)) << "two level files are the same";
}

}  // namespace
