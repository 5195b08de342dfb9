// The strips' layout: trapezoid columns with left and right lists, worked
// out by hand for 45 polygons (tests/unit/strip_cases), and the layout as a
// function of the shape alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "clip/gpc.h"
#include "clip/gpc_internal.h"
#include "clip_testing.h"

using namespace cliptest;

namespace {

using Strip = std::vector<std::pair<double, double>>;
using Layout = std::vector<Strip>;

const std::filesystem::path casesDir = std::filesystem::path(TILTMOOR_SOURCE_DIR) / "tests/unit/strip_cases";

void readPolygon(const std::filesystem::path& path, gpc_polygon& polygon)
{
    FILE* f = std::fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(gpc_read_polygon(f, 1, &polygon), 1) << path;
    std::fclose(f);
}

Layout readLayout(const std::filesystem::path& path)
{
    std::ifstream in(path);
    int strips = 0;
    in >> strips;
    Layout layout(std::size_t(std::max(strips, 0)));
    for (Strip& s : layout) {
        int n = 0;
        in >> n;
        s.resize(std::size_t(std::max(n, 0)));
        for (auto& [x, y] : s) in >> x >> y;
    }
    EXPECT_TRUE(in) << path;
    return layout;
}

Layout layoutOf(gpc_polygon& polygon)
{
    Strips strips;
    gpc_polygon_to_tristrip(&polygon, &strips.t);
    Layout layout;
    for (int s = 0; s < strips.t.num_strips; ++s) {
        Strip strip;
        for (int i = 0; i < strips.t.strip[s].num_vertices; ++i)
            strip.push_back({strips.t.strip[s].vertex[i].x, strips.t.strip[s].vertex[i].y});
        layout.push_back(strip);
    }
    return layout;
}

bool samePoints(const Strip& a, const Strip& b, double dx, double dy, double tolerance)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::fabs(a[i].first + dx - b[i].first) > tolerance || std::fabs(a[i].second + dy - b[i].second) > tolerance)
            return false;
    return true;
}

// Where a column's pointed bottom is the pointed top of the column below
// (two contours touching at one point), the bottom point may stand once or
// twice at the end of the upper strip.
bool samePinched(Strip a, Strip b, double tolerance)
{
    auto dropRepeatedEnd = [](Strip& s) {
        if (s.size() > 3 && s[s.size() - 1] == s[s.size() - 2]) s.pop_back();
    };
    dropRepeatedEnd(a);
    dropRepeatedEnd(b);
    return samePoints(a, b, 0, 0, tolerance);
}

std::string describe(const Layout& layout, std::size_t strip)
{
    if (strip >= layout.size()) return "(none)";
    std::string out;
    for (auto [x, y] : layout[strip]) out += "(" + std::to_string(x) + ", " + std::to_string(y) + ") ";
    return out;
}

std::vector<std::string> caseNames()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(casesDir))
        if (entry.path().extension() == ".poly") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(StripLayout, WorkedCasesMatchExactly)
{
    const std::vector<std::string> names = caseNames();
    ASSERT_EQ(names.size(), 45u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Poly polygon;
        readPolygon(casesDir / (name + ".poly"), polygon.p);
        const Layout expected = readLayout(casesDir / (name + ".strips"));
        const Layout actual = layoutOf(polygon.p);
        ASSERT_EQ(actual.size(), expected.size());
        for (std::size_t s = 0; s < expected.size(); ++s)
            ASSERT_TRUE(samePinched(actual[s], expected[s], 1e-9))
                << "strip " << s << "\n  got      " << describe(actual, s) << "\n  expected " << describe(expected, s);
    }
}

TEST(StripLayout, DependsOnTheShapeAlone)
{
    // Other start vertices, the contours reversed in order, something else
    // stripped in between, and the shape moved by whole pixels.
    for (const char* name : {"history-d-150", "level-14", "level-16", "hole-in-bar"}) {
        SCOPED_TRACE(name);
        Poly original;
        readPolygon(casesDir / (std::string(name) + ".poly"), original.p);
        const Layout before = layoutOf(original.p);

        Poly shuffled;
        for (int c = original.p.num_contours - 1; c >= 0; --c) {
            const gpc_vertex_list& contour = original.p.contour[c];
            Points points;
            for (int i = 0; i < contour.num_vertices; ++i) {
                const gpc_vertex& v = contour.vertex[(i + 1 + c) % contour.num_vertices];
                points.push_back({v.x, v.y});
            }
            shuffled.add(points, original.p.hole[c]);
        }
        Poly other;
        other.add(ngon(300, 300, 120, 12));
        layoutOf(other.p);
        EXPECT_EQ(layoutOf(shuffled.p), before);
        EXPECT_EQ(layoutOf(original.p), before);

        Poly moved;
        for (int c = 0; c < original.p.num_contours; ++c) {
            const gpc_vertex_list& contour = original.p.contour[c];
            Points points;
            for (int i = 0; i < contour.num_vertices; ++i) points.push_back({contour.vertex[i].x + 37, contour.vertex[i].y - 5});
            moved.add(points, original.p.hole[c]);
        }
        const Layout after = layoutOf(moved.p);
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t s = 0; s < before.size(); ++s)
            EXPECT_TRUE(samePoints(before[s], after[s], 37, -5, 1e-9)) << "strip " << s;
    }
}

TEST(StripLayout, GoingOnFromTheLastPolygonsSweepChangesNothing)
{
    // Each stamp's strips take what they can from the previous polygon's
    // sweep, above and below where the two differ; they must equal the
    // strips of a sweep from the top.
    gpc_forget_all();
    const long resumedBefore = gpc_counters_now().stripsResumed;
    const long caughtUpBefore = gpc_counters_now().stripsCaughtUp;
    std::mt19937 random(2718);
    std::uniform_real_distribution<double> px(200, 824), py(250, 600), size(3, 70), unit(0, 1);
    Poly level;
    level.add(ngon(512, 450, 300, 12));
    const int steps = 300;
    for (int step = 0; step < steps; ++step) {
        Poly stamp;
        double x = px(random), y = py(random), r = size(random);
        if (step % 4 == 1) x = std::round(x), y = std::round(y), r = std::round(r);
        stamp.add(step % 5 == 2 ? rect(x - r, y - r, x + r, y + r) : ngon(x, y, r, 12), 1);
        const double pick = unit(random);
        gpc_polygon next;
        gpc_polygon_clip(pick < 0.55 ? GPC_UNION : pick < 0.95 ? GPC_DIFF : GPC_XOR, &level.p, &stamp.p, &next);
        gpc_free_polygon(&level.p);
        level.p = next;
        const Layout goneOn = layoutOf(level.p);
        gpc_forget_all();
        ASSERT_EQ(goneOn, layoutOf(level.p)) << "step " << step;
    }
    EXPECT_GT(gpc_counters_now().stripsResumed - resumedBefore, steps / 2);
    EXPECT_GT(gpc_counters_now().stripsCaughtUp - caughtUpBefore, steps / 4);
}

TEST(StripLayout, GoingOnAfterOnlyTheBottomsOfEdgesMovedChangesNothing)
{
    // A pointed top whose two edges part below it, down to a flat bottom,
    // under a zigzag that makes many y values (and so checkpoints) above
    // it. Widening the bottom moves the edges' bottoms and no top: the sweep
    // must still not take its end from the last sweep before it has passed
    // them. The apex goes through a run of places, so that one lies just
    // below a checkpoint.
    Points zigzag;
    for (int i = 0; i <= 40; ++i) zigzag.push_back({i % 2 ? 90.0 : 100.0, 10.0 * i});
    zigzag.push_back({400, 400});
    zigzag.push_back({400, 0});
    for (int place = 0; place < 24; ++place) {
        const double apex = 5.0 * place + 2.5;
        for (double spread : {30.0, 55.0, 42.0}) {
            Poly field;
            field.add(zigzag);
            field.add({{250, apex}, {250 + spread, apex + 150}, {250 - 0.5 * spread, apex + 150}});
            const Layout goneOn = layoutOf(field.p);
            gpc_forget_all();
            ASSERT_EQ(goneOn, layoutOf(field.p)) << "apex " << apex << ", spread " << spread;
        }
    }
}
