// The stamp workload: a 12-gon of circumradius 300 at (512, 450), then 1,000
// stamps of 12-gons of circumradius 40 at pseudo-random centres (x 200..824,
// y 250..600, std::mt19937 seeded 12345), 60 % unions and 40 % differences.
// After each stamp the strips are rebuilt and the playfield rotated, as the
// game does. One benchmark iteration is the whole sequence; the counters
// give the mean per stamp of the clip, the strips and the whole stamp (wall
// clock); the benchmark's own CPU time divided by 1,000 gives the CPU time
// per stamp, which a busy machine disturbs less.
//
//   build-release/bench/bench_stamp --benchmark_repetitions=5
//
// Goal: a whole stamp in 0.15 ms or less on average. The strips go on from
// the previous polygon's sweep (see gpc_tristrip.cpp); BM_FreshStripsFinalLevel
// shows what a sweep from the top costs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <random>

#include "clip/gpc.h"
#include "clip/gpc_internal.h"
#include "playfield/playfield.h"

namespace {

constexpr int stampCount = 1000;

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A 12-gon of the given circumradius at (cx, cy), from polygonVertex.
gpc_polygon twelveGon(float radius, double cx, double cy)
{
    shapeSize = radius;
    gpc_vertex vertices[12];
    for (int i = 0; i < 12; ++i) {
        Vec2 v = polygonVertex(i, 12.0f);
        vertices[i] = gpc_vertex{cx + v.x, cy + v.y, 0.0, 0.0};
    }
    gpc_vertex_list list{12, vertices};
    gpc_polygon polygon{0, nullptr, nullptr};
    gpc_add_contour(&polygon, &list, 1);
    return polygon;
}

struct Totals {
    double clip = 0, strips = 0, rotate = 0, whole = 0;
};

// One run of the workload on the playfield's own state. The clip, the
// strips (with the release of the old ones) and the rotation are timed on
// the wall clock.
void runWorkload(Totals& totals)
{
    pivot = Vec2(512.0f, 384.0f);
    angle = 0.05f;  // a tilted field, as while playing
    freePlayfield();
    gpc_polygon start = twelveGon(300.0f, 512.0, 450.0);
    replaceLevelPolygon(start);

    std::mt19937 random(12345);
    std::uniform_real_distribution<double> px(200.0, 824.0), py(250.0, 600.0), kind(0.0, 1.0);
    for (int i = 0; i < stampCount; ++i) {
        const double x = px(random), y = py(random);
        const gpc_op op = kind(random) < 0.6 ? GPC_UNION : GPC_DIFF;
        gpc_polygon stamp = twelveGon(40.0f, x, y);

        const auto t0 = Clock::now();
        gpc_polygon result;
        gpc_polygon_clip(op, &levelPolygon, &stamp, &result);
        gpc_free_polygon(&levelPolygon);
        gpc_free_polygon(&stamp);
        levelPolygon = result;
        const auto t1 = Clock::now();
        gpc_free_tristrip(&levelStrips);
        gpc_polygon_to_tristrip(&levelPolygon, &levelStrips);
        const auto t2 = Clock::now();
        rotatePlayfield();
        const auto t3 = Clock::now();

        totals.clip += seconds(t1 - t0);
        totals.strips += seconds(t2 - t1);
        totals.rotate += seconds(t3 - t2);
        totals.whole += seconds(t3 - t0);
    }
}

void BM_StampWorkload(benchmark::State& state)
{
    gpc_forget_all();
    gpc_counters_now() = gpc_counters{};
    Totals totals;
    long runs = 0;
    for (auto _ : state) {
        runWorkload(totals);
        ++runs;
    }
    const double perStampMs = 1000.0 / double(runs * stampCount);
    int vertices = 0;
    for (int c = 0; c < levelPolygon.num_contours; ++c) vertices += levelPolygon.contour[c].num_vertices;
    int stripVertices = 0;
    for (int s = 0; s < levelStrips.num_strips; ++s) stripVertices += levelStrips.strip[s].num_vertices;
    const gpc_counters served = gpc_counters_now();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    state.counters["clip_ms"] = totals.clip * perStampMs;
    state.counters["strips_ms"] = totals.strips * perStampMs;
    state.counters["rotate_ms"] = totals.rotate * perStampMs;
    state.counters["stamp_ms"] = totals.whole * perStampMs;
    state.counters["contours"] = levelPolygon.num_contours;
    state.counters["vertices"] = vertices;
    state.counters["strips"] = levelStrips.num_strips;
    state.counters["strip_vertices"] = stripVertices;
    state.counters["windowed_clips"] = double(served.clipLocal) / double(runs);
    state.counters["whole_clips"] = double(served.clipFull + served.clipFallback) / double(runs);
    state.counters["strips_resumed"] = double(served.stripsResumed) / double(runs);
    state.counters["strips_caught_up"] = double(served.stripsCaughtUp) / double(runs);
    state.counters["peak_rss_MiB"] = double(usage.ru_maxrss) / 1024.0;
    freePlayfield();
}
BENCHMARK(BM_StampWorkload)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The two halves alone on the final level of the workload, done without the
// layer's memory of the previous polygon (the strips forget it each time):
// what a level load costs.
void finalLevel()
{
    Totals ignored;
    runWorkload(ignored);
}

void BM_ClipWholeFinalLevel(benchmark::State& state)
{
    finalLevel();
    gpc_polygon stamp = twelveGon(40.0f, 512.0, 420.0);
    for (auto _ : state) {
        gpc_polygon result;
        gpc_polygon_clip_whole(state.range(0) ? GPC_UNION : GPC_DIFF, &levelPolygon, &stamp, &result);
        benchmark::DoNotOptimize(result.num_contours);
        gpc_free_polygon(&result);
    }
    gpc_free_polygon(&stamp);
    freePlayfield();
}
BENCHMARK(BM_ClipWholeFinalLevel)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_FreshStripsFinalLevel(benchmark::State& state)
{
    finalLevel();
    for (auto _ : state) {
        gpc_forget_all();
        gpc_tristrip strips;
        gpc_polygon_to_tristrip(&levelPolygon, &strips);
        benchmark::DoNotOptimize(strips.num_strips);
        gpc_free_tristrip(&strips);
    }
    freePlayfield();
}
BENCHMARK(BM_FreshStripsFinalLevel)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
