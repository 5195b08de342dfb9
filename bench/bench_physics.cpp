// The cost of one simulation step against the size of the level's outline.
//
// The level is a ring about the pivot: an outer contour and a hole, each with
// half of the edges, and one triangle strip zig-zagging round the ring. The
// seven balls lie in a pile at the bottom of the hole. They are settled before
// timing, and the settled world is put back every 256 steps so that every
// size is measured on the same scene.
//
// Counters: edges (outline edges of the level), heap_allocs (operator new
// calls per step; must stay 0), and items_per_second (edges handled per
// second: constant when the step grows linearly with the edges).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numbers>

#include "app/loop.h"
#include "game/state.h"
#include "physics/ball.h"
#include "physics/simulation.h"
#include "playfield/playfield.h"

namespace {

std::atomic<long long> newCalls{0};

constexpr double outerRadius = 330.0;
constexpr double holeRadius = 220.0;

gpc_vertex ringVertex(double radius, double a)
{
    const double x = 512.0 + radius * std::cos(a);
    const double y = 384.0 + radius * std::sin(a);
    return gpc_vertex{x, y, x, y};
}

// Outer boundary counter-clockwise on the screen, hole clockwise, so that
// every normal points out of the solid.
void buildRing(int edges)
{
    freePlayfield();
    const int n = edges / 2;
    levelPolygon.num_contours = 2;
    levelPolygon.hole = static_cast<int*>(std::malloc(2 * sizeof(int)));
    levelPolygon.contour = static_cast<gpc_vertex_list*>(std::malloc(2 * sizeof(gpc_vertex_list)));
    levelPolygon.hole[0] = 0;
    levelPolygon.hole[1] = 1;
    for (int c = 0; c < 2; ++c) {
        gpc_vertex_list& contour = levelPolygon.contour[c];
        contour.num_vertices = n;
        contour.vertex = static_cast<gpc_vertex*>(std::malloc(n * sizeof(gpc_vertex)));
        const double turn = (c == 0 ? -2.0 : 2.0) * std::numbers::pi / n;
        const double radius = c == 0 ? outerRadius : holeRadius;
        for (int j = 0; j < n; ++j) contour.vertex[j] = ringVertex(radius, turn * j);
    }

    // One strip: outer, inner, outer, inner, ... and round to the start.
    levelStrips.num_strips = 1;
    levelStrips.strip = static_cast<gpc_vertex_list*>(std::malloc(sizeof(gpc_vertex_list)));
    gpc_vertex_list& strip = levelStrips.strip[0];
    strip.num_vertices = 2 * (n + 1);
    strip.vertex = static_cast<gpc_vertex*>(std::malloc(strip.num_vertices * sizeof(gpc_vertex)));
    for (int j = 0; j <= n; ++j) {
        const double a = 2.0 * std::numbers::pi * (j % n) / n;
        strip.vertex[2 * j] = ringVertex(outerRadius, a);
        strip.vertex[2 * j + 1] = ringVertex(holeRadius, a);
    }
    angle = 0.0f;
    angularVelocity = 0.0f;
    rotatePlayfield();
}

struct Scene {
    Ball balls[ballCount];
    float angle;
    float angularVelocity;
};

Scene settledScene(int edges)
{
    initScreen();
    createBalls();
    pivot = Vec2(512.0, 384.0);
    gameState = Playing;
    buildRing(edges);
    // A pile at the bottom of the hole, the white ball in the middle.
    for (int i = 0; i < ballCount; ++i) {
        const double a = std::numbers::pi / 2 + (i - 3) * 0.2;
        balls[i] = Ball();
        balls[i].position = Vec2(512.0 + 199.0 * std::cos(a), 384.0 + 199.0 * std::sin(a));
    }
    for (int s = 0; s < 500; ++s) physicsStep(simulationStepMs);
    Scene scene;
    std::memcpy(scene.balls, balls, sizeof(scene.balls));
    scene.angle = angle;
    scene.angularVelocity = angularVelocity;
    return scene;
}

void restore(const Scene& scene)
{
    std::memcpy(balls, scene.balls, sizeof(scene.balls));
    angle = scene.angle;
    angularVelocity = scene.angularVelocity;
}

void BM_PhysicsStep(benchmark::State& state)
{
    const int edges = static_cast<int>(state.range(0));
    const Scene scene = settledScene(edges);
    int resting = 0;
    for (int i = 0; i < ballCount; ++i) resting += balls[i].contactDistance < ballRadius ? 1 : 0;

    long long steps = 0;
    const long long newBefore = newCalls.load();
    for (auto _ : state) {
        if ((steps++ & 255) == 0) restore(scene);
        physicsStep(simulationStepMs);
        benchmark::DoNotOptimize(balls[0].position);
    }
    const long long allocations = newCalls.load() - newBefore;

    state.SetItemsProcessed(state.iterations() * edges);
    state.counters["edges"] = edges;
    state.counters["resting_balls"] = resting;
    state.counters["heap_allocs"] = benchmark::Counter(double(allocations) / double(steps));
    freePlayfield();
}

} // namespace

BENCHMARK(BM_PhysicsStep)->Arg(100)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Counting every operator new of the program shows that a step allocates
// nothing on the heap through it.
void* operator new(std::size_t size)
{
    newCalls.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

BENCHMARK_MAIN();
