// Checks shared by the fuzz targets. A broken promise stops the run with a
// trap, which libFuzzer reports as a crash with the input that caused it.
#pragma once
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "clip/gpc.h"
#include "clip/gpc_internal.h"

namespace fuzzcheck {

inline void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        __builtin_trap();
    }
}

// Counts match arrays and every vertex can be read (AddressSanitizer
// checks the reads); coordinates finite and within the limit when asked.
inline void checkRecord(const gpc_polygon& p, bool limited)
{
    require(p.num_contours >= 0, "contour count not negative");
    require((p.num_contours == 0) == (p.contour == nullptr), "contour array present exactly when counted");
    require((p.num_contours == 0) == (p.hole == nullptr), "hole array present exactly when counted");
    for (int c = 0; c < p.num_contours; ++c) {
        const gpc_vertex_list& l = p.contour[c];
        require(l.num_vertices >= 0, "vertex count not negative");
        require((l.num_vertices == 0) == (l.vertex == nullptr), "vertex array present exactly when counted");
        for (int v = 0; v < l.num_vertices; ++v) {
            const volatile double x = l.vertex[v].x, y = l.vertex[v].y;
            if (limited) {
                require(std::fabs(x) <= gpc_coordinate_limit && std::fabs(y) <= gpc_coordinate_limit, "coordinates within the limit");
            }
        }
    }
}

inline double signedArea(const gpc_vertex_list& l)
{
    // Taken about the first vertex, which the sum does not change but
    // keeps precise far from the origin.
    double sum = 0.0;
    if (l.num_vertices == 0) return 0.0;
    const double ox = l.vertex[0].x, oy = l.vertex[0].y;
    for (int i = 0; i < l.num_vertices; ++i) {
        const gpc_vertex& a = l.vertex[i];
        const gpc_vertex& b = l.vertex[(i + 1) % l.num_vertices];
        sum += (a.x - ox) * (b.y - oy) - (b.x - ox) * (a.y - oy);
    }
    return sum / 2.0;
}

// The clip's output contract.
inline double checkClipped(const gpc_polygon& p)
{
    checkRecord(p, true);
    double area = 0.0;
    for (int c = 0; c < p.num_contours; ++c) {
        const gpc_vertex_list& l = p.contour[c];
        require(l.num_vertices >= 3, "at least three vertices");
        require(p.hole[c] == 0 || p.hole[c] == 1, "hole flag 0 or 1");
        const double a = signedArea(l);
        require(a != 0.0, "no zero-area contour");
        require(p.hole[c] ? a > 0.0 : a < 0.0, "outer counter-clockwise, holes clockwise on screen");
        for (int v = 0; v < l.num_vertices; ++v) {
            const gpc_vertex& s = l.vertex[v];
            const gpc_vertex& t = l.vertex[(v + 1) % l.num_vertices];
            require(!(s.x == t.x && s.y == t.y), "no repeated consecutive vertices");
        }
        area -= a;
    }
    return area;
}

inline double perimeter(const gpc_polygon& p)
{
    double sum = 0.0;
    for (int c = 0; c < p.num_contours; ++c) {
        const gpc_vertex_list& l = p.contour[c];
        for (int i = 0; i < l.num_vertices; ++i) {
            const gpc_vertex& a = l.vertex[i];
            const gpc_vertex& b = l.vertex[(i + 1) % l.num_vertices];
            sum += std::hypot(b.x - a.x, b.y - a.y);
        }
    }
    return sum;
}

// How far two honest computations of one area may differ: a relative part,
// and the clip's grid of 2^-30 px swept along the outline (a new point may
// sit a grid step off, and on a long edge that adds up).
inline double areaTolerance(double area, const gpc_polygon& outline)
{
    return 1e-6 * std::fabs(area) + 4e-9 * perimeter(outline) + 1e-9;
}

inline double stripArea(const gpc_tristrip& t)
{
    require(t.num_strips >= 0, "strip count not negative");
    require((t.num_strips == 0) == (t.strip == nullptr), "strip array present exactly when counted");
    double sum = 0.0;
    for (int s = 0; s < t.num_strips; ++s) {
        const gpc_vertex_list& l = t.strip[s];
        require(l.num_vertices >= 3 && l.vertex, "strips of three or more vertices");
        for (int i = 0; i + 2 < l.num_vertices; ++i) {
            const gpc_vertex& a = l.vertex[i];
            const gpc_vertex& b = l.vertex[i + 1];
            const gpc_vertex& c = l.vertex[i + 2];
            require(std::isfinite(a.x) && std::isfinite(a.y), "finite strip vertices");
            sum += std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2.0;
        }
    }
    return sum;
}

// The strips' layout: each strip is one column of trapezoids, its points
// alternating between the column's left and right bound, left first. After
// a pointed top (a lone first point) or from the first point of a flat top,
// each left/right pair lies on one y, left of right; the column runs down
// the screen; a pointed bottom may leave one last point alone.
inline void checkLayout(const gpc_tristrip& t)
{
    for (int s = 0; s < t.num_strips; ++s) {
        const gpc_vertex_list& l = t.strip[s];
        const gpc_vertex* v = l.vertex;
        const int n = l.num_vertices;
        if (n < 2) continue;
        for (int i = 1; i < n; ++i) require(v[i].y >= v[i - 1].y, "columns run down the screen");
        const int first = v[0].y == v[1].y ? 0 : 1;
        for (int k = first; k + 1 < n; k += 2) {
            require(v[k].y == v[k + 1].y, "each left/right pair shares its y");
            const gpc_vertex& left = k % 2 == 0 ? v[k] : v[k + 1];
            const gpc_vertex& right = k % 2 == 0 ? v[k + 1] : v[k];
            require(left.x <= right.x + 1e-6 * (1.0 + std::fabs(right.x)), "the left bound lies left of the right one");
        }
    }
}

// Whether Clipper agrees with itself about a clipped polygon: clipping it
// once more keeps its area. On badly degenerate input (hundreds of edges
// run over again and again, hair-thin spikes 200,000 px long) Clipper 6.4.2
// can hand back rings whose signed areas add up to more or less than the
// area they enclose. The layer cannot be more consistent than Clipper, so
// the area checks stop there; the run goes on for crashes, leaks and
// undefined behaviour.
inline bool clipperAgrees(gpc_polygon& p, double area)
{
    gpc_polygon empty{0, nullptr, nullptr}, again;
    gpc_polygon_clip_whole(GPC_UNION, &p, &empty, &again);
    const double areaAgain = checkClipped(again);
    const bool same = std::fabs(areaAgain - area) <= areaTolerance(area, p);
    gpc_free_polygon(&again);
    return same;
}

// A 12-gon like the game's stamp, hole flag 1 as the game builds it.
struct Stamp {
    gpc_vertex vertices[12];
    gpc_vertex_list list{12, vertices};
    int hole = 1;
    gpc_polygon polygon{1, &hole, &list};

    Stamp(double cx, double cy, double r)
    {
        for (int i = 0; i < 12; ++i) {
            const double a = i * double(6.28f) / 12.0 - double(0.785f);
            vertices[i] = gpc_vertex{cx + r * std::sin(a), cy + r * std::cos(a), 0.0, 0.0};
        }
    }
    Stamp(const Stamp&) = delete;
    Stamp& operator=(const Stamp&) = delete;
};

}  // namespace fuzzcheck
