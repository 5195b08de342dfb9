// Helpers shared by the clipping layer's own files; not for the game.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "clip/gpc.h"

// malloc and realloc that end the program with a message when memory runs
// out, the one failure the layer does not survive.
void* gpc_checked_malloc(std::size_t bytes);
void* gpc_checked_realloc(void* block, std::size_t bytes);

// A contour takes part in clipping and tessellation only when it has at
// least three vertices and every coordinate is finite and within
// gpc_coordinate_limit.
inline bool gpc_contour_usable(const gpc_vertex_list& contour)
{
    if (contour.num_vertices < 3 || !contour.vertex) return false;
    for (int v = 0; v < contour.num_vertices; ++v) {
        const gpc_vertex& p = contour.vertex[v];
        if (!(std::fabs(p.x) <= gpc_coordinate_limit) || !(std::fabs(p.y) <= gpc_coordinate_limit)) return false;
    }
    return true;
}

// ---- What the layer remembers between calls ------------------------------
//
// A stamp changes the level only near the stamp. The layer keeps a short
// memory of the polygons the clip produced, keyed by a digest of their
// contents (counts, hole flags and every x, y; never addresses), so that
// the next clip may redo only a window round the stamp. (The strips keep
// their last sweep themselves and compare edges, not digests.) Anything not
// found in this memory is computed in full.

struct gpc_box {
    double x0, y0, x1, y1;
};

std::uint64_t gpc_polygon_digest(const gpc_polygon* polygon);

// Polygons that came out of gpc_polygon_clip: strictly simple contours that
// do not cross, oriented as the contract says.
void gpc_remember_normalised(std::uint64_t digest);
bool gpc_is_normalised(std::uint64_t digest);

// Forgets everything (tests use it to compare against a fresh start), the
// strips' last sweep included.
void gpc_forget_all();
// How many times gpc_forget_all was called on this thread: what other files
// keep between calls is dropped when it changes.
std::uint64_t gpc_forget_count();

// How the calls were served, for tests and the stamp benchmark.
struct gpc_counters {
    long clipLocal = 0;     // clipped inside a window around the clip operand
    long clipFull = 0;      // clipped as a whole
    long clipFallback = 0;  // the window was tried and given up for the whole
    long stripsResumed = 0; // strips that went on from the last polygon's sweep
    long stripsCaughtUp = 0; // strips that took their end from the last polygon's sweep
};
gpc_counters& gpc_counters_now();

struct gpc_point {
    double x, y;
    bool operator==(const gpc_point& o) const { return x == o.x && y == o.y; }
};

// Rings (runs of points with their lengths) filled by the even-odd rule,
// made strictly simple by Clipper on the same integer grid as the clip; the
// points come back on that grid (2^-30 px). False when Clipper fails.
bool gpc_normalise_rings(const std::vector<gpc_point>& points, const std::vector<int>& lengths,
                         std::vector<gpc_point>& outPoints, std::vector<int>& outLengths);

// The whole-polygon clip, without the window; tests compare against it.
void gpc_polygon_clip_whole(gpc_op op, gpc_polygon* subject, gpc_polygon* clip, gpc_polygon* result);
