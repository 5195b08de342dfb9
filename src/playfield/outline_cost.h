// What a level's outline will cost to make strictly simple, found before any
// work that grows faster than the file.
//
// Resolving an outline's crossings and laying its strips are sweeps down the
// screen: each sweep visits every edge once for every band between two
// vertex heights that the edge spans, and every crossing adds a vertex. A
// file of a few hundred kilobytes can ask for billions of either. This
// sweep counts both in O(n log n + cells + crossings) and stops as soon as
// one passes its budget, so a hostile file is refused in about the time it
// takes to read it.
#pragma once
#include "clip/gpc.h"

struct OutlineCost {
    long long cells = 0;      // (edge, band) pairs a sweep of the outline visits
    long long crossings = 0;  // pairs of edges that cross, counted up to the budget
};

struct OutlineBudget {
    long long cells;
    long long crossings;
};

// Counts cells, then crossings (the latter only when the cells are within
// budget). Returns false as soon as either passes its budget; cost then
// holds the count that did, which is just past the budget for crossings.
// Edges are taken by the even-odd rule as the clip takes them: every
// contour closed, hole flags ignored; contours the clip skips (fewer than
// three vertices, a coordinate beyond the limit) are skipped here too.
bool outlineWithinBudget(const gpc_polygon& polygon, const OutlineBudget& budget, OutlineCost& cost);
