// Stamping one spot again and again during play: a disc added, then cut,
// 5,000 times at the same pointer position while the field turns a little
// between stamps (as it does under the balls), so that each disc lands a
// hair off the last. The stamps go through the game's own stampShape (the
// pointer mapped through the present angle, the clip, the strips, the
// rotation). Counters: the polygon's contours and vertices at the end, and
// the wall-clock time per stamp over the first and the last 500 stamps.
//
//   build/bench/bench_one_spot --benchmark_repetitions=5
//
// Goal: the counts no higher than after 50 stamps, and every stamp under 1 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

#include "app/input.h"
#include "playfield/playfield.h"
#include "playfield/stamp.h"

namespace {

constexpr int stampCount = 5000;
constexpr int window = 500;

using Clock = std::chrono::steady_clock;

void startLevel()
{
    pivot = Vec2(512.0f, 384.0f);
    angle = 0.0f;
    freePlayfield();
    shapeType = Circle;
    shapeSize = 300.0f;
    gpc_polygon field{0, nullptr, nullptr};
    gpc_vertex vertices[12];
    for (int i = 0; i < 12; ++i) {
        const Vec2 v = polygonVertex(i, 12.0f);
        vertices[i] = gpc_vertex{512.0 + v.x, 450.0 + v.y, 0.0, 0.0};
    }
    gpc_vertex_list list{12, vertices};
    gpc_add_contour(&field, &list, 0);
    replaceLevelPolygon(field);
    shapeSize = 40.0f;
}

// Stamp i of the sequence: even ones add, odd ones cut, at the rim of the
// field, with the field swaying slowly about a small tilt (at most 2e-5 rad
// from one stamp to the next, as a field settling under its balls).
void stampAt(int i)
{
    angle = float(0.01 + 0.002 * std::sin(i * 0.01));
    rotatePlayfield();
    mouseLeft = i % 2 == 0;
    mouseRight = !mouseLeft;
    stampShape(true, 700.0f, 300.0f);
}

void BM_OneSpot(benchmark::State& state)
{
    double firstMs = 0.0, lastMs = 0.0;
    long runs = 0;
    for (auto _ : state) {
        startLevel();
        for (int i = 0; i < stampCount; ++i) {
            const auto t0 = Clock::now();
            stampAt(i);
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            if (i < window) firstMs += ms;
            if (i >= stampCount - window) lastMs += ms;
        }
        ++runs;
    }
    int vertices = 0;
    for (int c = 0; c < levelPolygon.num_contours; ++c) vertices += levelPolygon.contour[c].num_vertices;
    state.counters["contours"] = levelPolygon.num_contours;
    state.counters["vertices"] = vertices;
    state.counters["first_500_ms_per_stamp"] = firstMs / double(runs * window);
    state.counters["last_500_ms_per_stamp"] = lastMs / double(runs * window);
    freePlayfield();
}
BENCHMARK(BM_OneSpot)->Unit(benchmark::kMillisecond)->Iterations(1);

// The counts after the first 50 stamps of the same sequence, for comparison.
void BM_OneSpotFifty(benchmark::State& state)
{
    for (auto _ : state) {
        startLevel();
        for (int i = 0; i < 50; ++i) stampAt(i);
    }
    int vertices = 0;
    for (int c = 0; c < levelPolygon.num_contours; ++c) vertices += levelPolygon.contour[c].num_vertices;
    state.counters["contours"] = levelPolygon.num_contours;
    state.counters["vertices"] = vertices;
    freePlayfield();
}
BENCHMARK(BM_OneSpotFifty)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
