// Small helpers for the clipping layer's tests: building polygons, areas,
// point-in-polygon by the even-odd rule, and the output contract checks.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "clip/gpc.h"

namespace cliptest {

using Points = std::vector<std::pair<double, double>>;

// Owns a gpc_polygon and frees it.
struct Poly {
    gpc_polygon p{0, nullptr, nullptr};
    Poly() = default;
    Poly(const Poly&) = delete;
    Poly& operator=(const Poly&) = delete;
    ~Poly() { gpc_free_polygon(&p); }
    gpc_polygon* operator&() { return &p; }
    void add(const Points& points, int hole = 0)
    {
        std::vector<gpc_vertex> v;
        for (auto [x, y] : points) v.push_back(gpc_vertex{x, y, 0.0, 0.0});
        gpc_vertex_list list{int(v.size()), v.data()};
        gpc_add_contour(&p, &list, hole);
    }
};

struct Strips {
    gpc_tristrip t{0, nullptr};
    Strips() = default;
    Strips(const Strips&) = delete;
    Strips& operator=(const Strips&) = delete;
    ~Strips() { gpc_free_tristrip(&t); }
    gpc_tristrip* operator&() { return &t; }
};

inline Points rect(double x0, double y0, double x1, double y1)
{
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// A regular n-gon laid out like the game's stamps.
inline Points ngon(double cx, double cy, double r, int n)
{
    Points out;
    for (int i = 0; i < n; ++i) {
        double a = i * double(6.28f) / n - double(0.785f);
        out.push_back({cx + r * std::sin(a), cy + r * std::cos(a)});
    }
    return out;
}

// sum(x[i]*y[i+1] - x[i+1]*y[i]) / 2: negative for counter-clockwise on the screen.
inline double signedArea(const gpc_vertex_list& c)
{
    // Taken about the first vertex, which the sum does not change but
    // keeps precise far from the origin.
    double sum = 0.0;
    if (c.num_vertices == 0) return 0.0;
    const double ox = c.vertex[0].x, oy = c.vertex[0].y;
    for (int i = 0; i < c.num_vertices; ++i) {
        const gpc_vertex& a = c.vertex[i];
        const gpc_vertex& b = c.vertex[(i + 1) % c.num_vertices];
        sum += (a.x - ox) * (b.y - oy) - (b.x - ox) * (a.y - oy);
    }
    return sum / 2.0;
}

// Area of a polygon that satisfies the output contract (outer negative,
// holes positive): minus the sum of the signed areas.
inline double area(const gpc_polygon& p)
{
    double sum = 0.0;
    for (int c = 0; c < p.num_contours; ++c) sum -= signedArea(p.contour[c]);
    return sum;
}

inline double triangleArea(const gpc_vertex& a, const gpc_vertex& b, const gpc_vertex& c)
{
    return std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2.0;
}

// Every triangle of every strip: (i, i+1, i+2) for i = 0 .. n-3.
template <typename F>
void forEachTriangle(const gpc_tristrip& t, F f)
{
    for (int s = 0; s < t.num_strips; ++s)
        for (int i = 0; i + 2 < t.strip[s].num_vertices; ++i)
            f(t.strip[s].vertex[i], t.strip[s].vertex[i + 1], t.strip[s].vertex[i + 2]);
}

inline double stripArea(const gpc_tristrip& t)
{
    double sum = 0.0;
    forEachTriangle(t, [&](const gpc_vertex& a, const gpc_vertex& b, const gpc_vertex& c) { sum += triangleArea(a, b, c); });
    return sum;
}

// Even-odd point-in-polygon over all contours.
inline bool inside(const gpc_polygon& p, double x, double y)
{
    bool in = false;
    for (int c = 0; c < p.num_contours; ++c) {
        const gpc_vertex_list& l = p.contour[c];
        for (int i = 0, j = l.num_vertices - 1; i < l.num_vertices; j = i++) {
            const gpc_vertex& a = l.vertex[i];
            const gpc_vertex& b = l.vertex[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
        }
    }
    return in;
}

// The output contract: outer contours negative, holes positive with flag 1,
// no repeated consecutive vertices (wrapping round), no zero-area contours.
inline void expectContract(const gpc_polygon& p)
{
    for (int c = 0; c < p.num_contours; ++c) {
        const gpc_vertex_list& l = p.contour[c];
        ASSERT_GE(l.num_vertices, 3) << "contour " << c;
        double a = signedArea(l);
        EXPECT_NE(a, 0.0) << "contour " << c;
        if (p.hole[c]) {
            EXPECT_EQ(p.hole[c], 1);
            EXPECT_GT(a, 0.0) << "hole " << c << " must be clockwise on screen";
        } else {
            EXPECT_LT(a, 0.0) << "outer " << c << " must be counter-clockwise on screen";
        }
        for (int i = 0; i < l.num_vertices; ++i) {
            const gpc_vertex& v = l.vertex[i];
            const gpc_vertex& w = l.vertex[(i + 1) % l.num_vertices];
            EXPECT_FALSE(v.x == w.x && v.y == w.y) << "repeated vertex in contour " << c << " at " << i;
        }
    }
}

// Whether (x, y) is exactly one of the polygon's vertices.
inline bool hasVertex(const gpc_polygon& p, double x, double y)
{
    for (int c = 0; c < p.num_contours; ++c)
        for (int i = 0; i < p.contour[c].num_vertices; ++i)
            if (p.contour[c].vertex[i].x == x && p.contour[c].vertex[i].y == y) return true;
    return false;
}

inline int vertexCount(const gpc_polygon& p)
{
    int n = 0;
    for (int c = 0; c < p.num_contours; ++c) n += p.contour[c].num_vertices;
    return n;
}

}  // namespace cliptest
