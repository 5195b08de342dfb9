// Boolean operations on polygons, computed by Clipper on integers.
//
// Coordinates are scaled by 2^30 and rounded: within the coordinate limit of
// one million pixels that stays below 2^50, inside Clipper's range and exact
// in a double. Every input vertex is remembered under its integer point, so
// a vertex that survives the operation comes back with its original doubles;
// only new intersection points carry the rounding (about 1e-9 px).
//
// Clipper returns outer contours with a negative signed area in our screen
// orientation (y down) and holes with a positive one, which is the order the
// simulation expects, so the orientation decides the hole flags.
//
// Contours with a non-finite coordinate or one beyond the coordinate limit
// take no part (they cannot come from a level file). Should Clipper fail
// anyway, the result is a copy of the subject's usable contours: a stamp
// that cannot be computed changes nothing.
#include <polyclipping/clipper.hpp>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "clip/gpc.h"
#include "clip/gpc_internal.h"

namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;

constexpr double clipScale = 1073741824.0;  // 2^30

// Integer point -> the input doubles it was rounded from.
class OriginTable {
public:
    void reset(std::size_t expected)
    {
        std::size_t size = 16;
        while (size < expected * 2) size *= 2;
        if (slots_.size() < size || slots_.size() > size * 8) slots_.assign(size, Slot{});
        else std::fill(slots_.begin(), slots_.end(), Slot{});
        mask_ = slots_.size() - 1;
    }

    void remember(IntPoint p, double x, double y)
    {
        for (std::size_t i = hash(p);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (!s.used) {
                s = Slot{p.X, p.Y, x, y, true};
                return;
            }
            if (s.X == p.X && s.Y == p.Y) return;  // the first vertex at a point wins
        }
    }

    void recall(IntPoint p, double& x, double& y) const
    {
        for (std::size_t i = hash(p);; i = (i + 1) & mask_) {
            const Slot& s = slots_[i];
            if (!s.used) break;
            if (s.X == p.X && s.Y == p.Y) {
                x = s.x;
                y = s.y;
                return;
            }
        }
        x = double(p.X) / clipScale;
        y = double(p.Y) / clipScale;
    }

private:
    struct Slot {
        cInt X = 0, Y = 0;
        double x = 0.0, y = 0.0;
        bool used = false;
    };

    std::size_t hash(IntPoint p) const
    {
        std::uint64_t h = std::uint64_t(p.X) * 0x9E3779B97F4A7C15ULL ^ std::uint64_t(p.Y) * 0xC2B2AE3D27D4EB4FULL;
        h ^= h >> 29;
        return std::size_t(h) & mask_;
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
};

struct Workspace {
    OriginTable origins;
    Path path;
    Paths solution;
    std::vector<gpc_vertex> cleaned;
};

Workspace& workspace()
{
    thread_local Workspace space;
    return space;
}

std::size_t countVertices(const gpc_polygon* polygon)
{
    std::size_t n = 0;
    if (!polygon || !polygon->contour) return 0;
    for (int c = 0; c < polygon->num_contours; ++c)
        if (polygon->contour[c].num_vertices > 0) n += std::size_t(polygon->contour[c].num_vertices);
    return n;
}

void addOperand(ClipperLib::Clipper& clipper, const gpc_polygon* polygon, ClipperLib::PolyType type, Workspace& space)
{
    if (!polygon || !polygon->contour) return;
    for (int c = 0; c < polygon->num_contours; ++c) {
        const gpc_vertex_list& contour = polygon->contour[c];
        if (contour.num_vertices < 3 || !gpc_contour_usable(contour)) continue;
        space.path.clear();
        for (int v = 0; v < contour.num_vertices; ++v) {
            const gpc_vertex& p = contour.vertex[v];
            IntPoint q(cInt(std::llround(p.x * clipScale)), cInt(std::llround(p.y * clipScale)));
            space.origins.remember(q, p.x, p.y);
            space.path.push_back(q);
        }
        clipper.AddPath(space.path, type, true);  // degenerate paths are refused quietly
    }
}

double signedArea(const std::vector<gpc_vertex>& ring)
{
    double sum = 0.0;
    std::size_t n = ring.size();
    for (std::size_t i = 0; i < n; ++i) {
        const gpc_vertex& a = ring[i];
        const gpc_vertex& b = ring[(i + 1) % n];
        sum += a.x * b.y - b.x * a.y;
    }
    return sum * 0.5;
}

void appendContour(gpc_polygon& out, int& capacity, const std::vector<gpc_vertex>& ring, int hole)
{
    if (out.num_contours == capacity) {
        capacity = capacity ? capacity * 2 : 8;
        out.contour = static_cast<gpc_vertex_list*>(gpc_checked_realloc(out.contour, sizeof(gpc_vertex_list) * std::size_t(capacity)));
        out.hole = static_cast<int*>(gpc_checked_realloc(out.hole, sizeof(int) * std::size_t(capacity)));
    }
    auto* vertices = static_cast<gpc_vertex*>(gpc_checked_malloc(sizeof(gpc_vertex) * ring.size()));
    std::memcpy(vertices, ring.data(), sizeof(gpc_vertex) * ring.size());
    out.contour[out.num_contours] = gpc_vertex_list{int(ring.size()), vertices};
    out.hole[out.num_contours] = hole;
    ++out.num_contours;
}

// Copies of the subject's usable contours: the answer when clipping fails.
gpc_polygon copyOfUsable(const gpc_polygon* subject)
{
    gpc_polygon out{0, nullptr, nullptr};
    int capacity = 0;
    if (!subject || !subject->contour) return out;
    std::vector<gpc_vertex> ring;
    for (int c = 0; c < subject->num_contours; ++c) {
        const gpc_vertex_list& contour = subject->contour[c];
        if (!gpc_contour_usable(contour)) continue;
        ring.assign(contour.vertex, contour.vertex + contour.num_vertices);
        appendContour(out, capacity, ring, subject->hole ? subject->hole[c] : 0);
    }
    return out;
}

bool toClipType(gpc_op op, ClipperLib::ClipType& type)
{
    switch (op) {
    case GPC_DIFF: type = ClipperLib::ctDifference; return true;
    case GPC_INT: type = ClipperLib::ctIntersection; return true;
    case GPC_XOR: type = ClipperLib::ctXor; return true;
    case GPC_UNION: type = ClipperLib::ctUnion; return true;
    }
    return false;
}

}  // namespace

void gpc_polygon_clip(gpc_op op, gpc_polygon* subject, gpc_polygon* clip, gpc_polygon* result)
{
    if (!result) return;
    ClipperLib::ClipType type;
    if (!toClipType(op, type)) {
        *result = copyOfUsable(subject);
        return;
    }

    Workspace& space = workspace();
    gpc_polygon out{0, nullptr, nullptr};
    try {
        space.origins.reset(countVertices(subject) + countVertices(clip));
        ClipperLib::Clipper clipper;
        clipper.StrictlySimple(true);
        addOperand(clipper, subject, ClipperLib::ptSubject, space);
        addOperand(clipper, clip, ClipperLib::ptClip, space);
        space.solution.clear();
        if (!clipper.Execute(type, space.solution, ClipperLib::pftEvenOdd, ClipperLib::pftEvenOdd)) {
            *result = copyOfUsable(subject);
            return;
        }
    } catch (...) {
        *result = copyOfUsable(subject);
        return;
    }

    int capacity = 0;
    std::vector<gpc_vertex>& ring = space.cleaned;
    for (const Path& path : space.solution) {
        ring.clear();
        for (const IntPoint& p : path) {
            gpc_vertex v{0.0, 0.0, 0.0, 0.0};
            space.origins.recall(p, v.x, v.y);
            v.rx = v.x;
            v.ry = v.y;
            if (!ring.empty() && ring.back().x == v.x && ring.back().y == v.y) continue;
            ring.push_back(v);
        }
        while (ring.size() > 1 && ring.back().x == ring.front().x && ring.back().y == ring.front().y) ring.pop_back();
        if (ring.size() < 3) continue;
        // Clipper's orientation names the role; a sliver whose sign turns
        // when its vertices go back to their doubles has no area to keep.
        const bool hole = !ClipperLib::Orientation(path);
        const double area = signedArea(ring);
        if (area == 0.0 || (area > 0.0) != hole) continue;
        appendContour(out, capacity, ring, hole ? 1 : 0);
    }
    if (out.num_contours > 0 && out.num_contours < capacity) {
        out.contour = static_cast<gpc_vertex_list*>(gpc_checked_realloc(out.contour, sizeof(gpc_vertex_list) * std::size_t(out.num_contours)));
        out.hole = static_cast<int*>(gpc_checked_realloc(out.hole, sizeof(int) * std::size_t(out.num_contours)));
    }
    *result = out;
}
