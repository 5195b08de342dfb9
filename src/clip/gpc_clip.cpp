// Boolean operations on polygons, computed by Clipper on integers.
//
// Coordinates are scaled by 2^30 and rounded: within the coordinate limit of
// one million pixels that stays below 2^50, inside Clipper's range and exact
// in a double. Every input vertex is remembered under its integer point, so
// a vertex that survives the operation comes back with its original doubles;
// only new intersection points carry the rounding (about 1e-9 px).
//
// Clipper marks holes by orientation: its outer contours have a positive
// signed area, its holes a negative one. We hand them out reversed, so outer
// contours are counter-clockwise on the screen (y down, negative area) and
// holes clockwise, as the simulation's contact normals need.
//
// A stamp is small and the level is large, so a union, difference or xor
// whose subject came out of this function earlier is worked out in a window
// around the clip operand only: the subject's contours are cut at the
// window's sides, Clipper redoes the inside, and the new inside pieces are
// joined to the untouched outside pieces at the cut points. Anything the
// window cannot settle cleanly (a vertex on its side, an edge through its
// corner, pieces that do not pair up) is done again on the whole polygon.
//
// Contours with a non-finite coordinate or one beyond the coordinate limit
// take no part (they cannot come from a level file). Should Clipper fail
// anyway, the result is a copy of the subject's usable contours: a stamp
// that cannot be computed changes nothing.
#include <polyclipping/clipper.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "clip/gpc.h"
#include "clip/gpc_internal.h"

namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;
using Wide = __int128;

constexpr double clipScale = 1073741824.0;      // 2^30
constexpr cInt windowMargin = cInt(1) << 30;   // one pixel round the clip operand
constexpr cInt sideClearance = cInt(1) << 10;  // 1e-6 px kept free of vertices either side of the window's sides
constexpr int maxSideMoves = 16;

// Nearest integer (ties to even) of v * 2^30; |v| <= the coordinate limit
// keeps it below 2^51, where adding and taking away 1.5 * 2^52 rounds.
cInt toInt(double v)
{
    constexpr double roundingShift = 6755399441055744.0;  // 1.5 * 2^52
    const double shifted = v * clipScale + roundingShift;
    return cInt(shifted - roundingShift);
}
double toDouble(cInt v) { return double(v) / clipScale; }

// Where an input vertex stands in the input: subject contours first, in
// order, then the clip's. Output contours are ordered, and each starts, by
// the earliest input vertex they keep, so a polygon that an operation
// leaves alone comes back exactly as it was.
using InputKey = std::uint64_t;
constexpr InputKey newPoint = ~InputKey(0);

struct Keyed {
    double x, y;
    InputKey key;
};

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

    void remember(IntPoint p, double x, double y, InputKey key)
    {
        for (std::size_t i = hash(p);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (!s.used) {
                s = Slot{p.X, p.Y, x, y, key, true};
                return;
            }
            if (s.X == p.X && s.Y == p.Y) return;  // the first vertex at a point wins
        }
    }

    Keyed recall(IntPoint p) const
    {
        for (std::size_t i = hash(p);; i = (i + 1) & mask_) {
            const Slot& s = slots_[i];
            if (!s.used) break;
            if (s.X == p.X && s.Y == p.Y) return Keyed{s.x, s.y, s.key};
        }
        return Keyed{toDouble(p.X), toDouble(p.Y), newPoint};
    }

private:
    struct Slot {
        cInt X = 0, Y = 0;
        double x = 0.0, y = 0.0;
        InputKey key = newPoint;
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

// ---- Output -----------------------------------------------------------------

template <typename Vertex>
double signedArea(const Vertex* ring, std::size_t n)
{
    // Taken about the first vertex: far from the origin the plain sum loses
    // a tiny ring's area (and even its sign) to rounding.
    double sum = 0.0;
    if (n == 0) return 0.0;
    const double ox = ring[0].x, oy = ring[0].y;
    for (std::size_t i = 0; i < n; ++i) {
        const Vertex& a = ring[i];
        const Vertex& b = ring[(i + 1) % n];
        sum += (a.x - ox) * (b.y - oy) - (b.x - ox) * (a.y - oy);
    }
    return sum * 0.5;
}

// Collects the result's contours, then hands them out in input order.
class Builder {
public:
    Builder() { clear(); }

    void clear()
    {
        vertices_.clear();
        rings_.clear();
        split_ = false;
    }

    // Whether a ring of the last polygon finished was split where it
    // touched itself.
    bool lastSplit() const { return lastSplit_; }

    // A contour copied as it is; its vertices are the inputs from firstKey on.
    void addCopy(const gpc_vertex* v, std::size_t n, int hole, InputKey firstKey)
    {
        rings_.push_back(Ring{vertices_.size(), n, 0, hole, firstKey});
        for (std::size_t i = 0; i < n; ++i) vertices_.push_back(Keyed{v[i].x, v[i].y, firstKey + i});
    }

    // A ring already cleaned, with its role.
    void add(const Keyed* v, std::size_t n, int hole)
    {
        std::size_t start = 0;
        for (std::size_t i = 1; i < n; ++i)
            if (v[i].key < v[start].key) start = i;
        rings_.push_back(Ring{vertices_.size(), n, start, hole, v[start].key});
        vertices_.insert(vertices_.end(), v, v + n);
    }

    // Drops repeated consecutive vertices; where the ring touches itself
    // (mayTouch) it is split there into loops. Each loop with area is kept,
    // the sign of its area naming its role.
    void addRing(std::vector<Keyed>& ring, bool mayTouch)
    {
        std::size_t n = 0;
        for (std::size_t i = 0; i < ring.size(); ++i) {
            if (n > 0 && ring[n - 1].x == ring[i].x && ring[n - 1].y == ring[i].y) continue;
            ring[n++] = ring[i];
        }
        while (n > 1 && ring[n - 1].x == ring[0].x && ring[n - 1].y == ring[0].y) --n;
        ring.resize(n);
        if (n < 3) return;
        if (!mayTouch) {
            addLoop(ring.data(), n);
            return;
        }
        // Walk the ring with a stack; meeting a point already on the stack
        // closes the loop above it.
        stack_.clear();
        at_.clear();
        for (const Keyed& v : ring) {
            const auto found = at_.find(PointKey{v.x, v.y});
            if (found == at_.end()) {
                at_.emplace(PointKey{v.x, v.y}, stack_.size());
                stack_.push_back(v);
                continue;
            }
            const std::size_t from = found->second;
            for (std::size_t k = from + 1; k < stack_.size(); ++k) at_.erase(PointKey{stack_[k].x, stack_[k].y});
            split_ = true;
            addLoop(stack_.data() + from, stack_.size() - from);
            stack_.resize(from + 1);
        }
        addLoop(stack_.data(), stack_.size());
    }

    gpc_polygon finish()
    {
        gpc_polygon polygon{0, nullptr, nullptr};
        if (rings_.empty()) return polygon;
        std::stable_sort(rings_.begin(), rings_.end(), [](const Ring& a, const Ring& b) { return a.key < b.key; });
        const std::size_t count = rings_.size();
        polygon.contour = static_cast<gpc_vertex_list*>(gpc_checked_malloc(sizeof(gpc_vertex_list) * count));
        polygon.hole = static_cast<int*>(gpc_checked_malloc(sizeof(int) * count));
        for (std::size_t r = 0; r < count; ++r) {
            const Ring& ring = rings_[r];
            auto* out = static_cast<gpc_vertex*>(gpc_checked_malloc(sizeof(gpc_vertex) * ring.count));
            for (std::size_t i = 0; i < ring.count; ++i) {
                const Keyed& k = vertices_[ring.offset + (ring.start + i) % ring.count];
                out[i] = gpc_vertex{k.x, k.y, k.x, k.y};
            }
            polygon.contour[r] = gpc_vertex_list{int(ring.count), out};
            polygon.hole[r] = ring.hole;
        }
        polygon.num_contours = int(count);
        const bool split = split_;
        clear();
        lastSplit_ = split;
        return polygon;
    }

private:
    struct Ring {
        std::size_t offset, count, start;
        int hole;
        InputKey key;
    };
    struct PointKey {
        double x, y;
        bool operator==(const PointKey& o) const { return x == o.x && y == o.y; }
    };
    struct PointHash {
        std::size_t operator()(const PointKey& p) const
        {
            std::uint64_t a, b;
            std::memcpy(&a, &p.x, sizeof a);
            std::memcpy(&b, &p.y, sizeof b);
            return std::size_t((a * 0x9E3779B97F4A7C15ULL) ^ (b * 0xC2B2AE3D27D4EB4FULL));
        }
    };

    void addLoop(const Keyed* v, std::size_t n)
    {
        if (n < 3) return;
        const double area = signedArea(v, n);
        if (area == 0.0) return;
        add(v, n, area > 0.0 ? 1 : 0);
    }

    std::vector<Keyed> vertices_;
    std::vector<Ring> rings_;
    bool split_ = false, lastSplit_ = false;
    std::vector<Keyed> stack_;
    std::unordered_map<PointKey, std::size_t, PointHash> at_;
};

Builder& builder()
{
    thread_local Builder b;
    return b;
}

// Copies of the subject's usable contours: the answer when clipping fails.
gpc_polygon copyOfUsable(const gpc_polygon* subject)
{
    Builder& out = builder();
    out.clear();
    InputKey key = 0;
    if (subject && subject->contour)
        for (int c = 0; c < subject->num_contours; ++c) {
            const gpc_vertex_list& contour = subject->contour[c];
            if (gpc_contour_usable(contour)) out.addCopy(contour.vertex, std::size_t(contour.num_vertices), subject->hole ? subject->hole[c] : 0, key);
            if (contour.num_vertices > 0) key += InputKey(contour.num_vertices);
        }
    return out.finish();
}

// ---- Integer rings ------------------------------------------------------------

// Exactly on one line (or a point doubling back on itself): b adds no area.
bool collinear(const IntPoint& a, const IntPoint& b, const IntPoint& c)
{
    Wide cross = Wide(b.X - a.X) * (c.Y - b.Y) - Wide(b.Y - a.Y) * (c.X - b.X);
    return cross == 0;
}

// Drops repeated points and points on a straight line through their
// neighbours, round the ring's end too. Exact on the integers.
void dropCollinear(const Path& path, Path& ring)
{
    ring.clear();
    for (const IntPoint& p : path) {
        if (!ring.empty() && ring.back() == p) continue;
        while (ring.size() >= 2 && collinear(ring[ring.size() - 2], ring.back(), p)) ring.pop_back();
        if (!ring.empty() && ring.back() == p) continue;
        ring.push_back(p);
    }
    std::size_t first = 0;
    bool changed = true;
    while (changed && ring.size() - first >= 3) {
        changed = false;
        if (ring.back() == ring[first]) {
            ring.pop_back();
            changed = true;
        } else if (collinear(ring[ring.size() - 2], ring.back(), ring[first])) {
            ring.pop_back();
            changed = true;
        } else if (collinear(ring.back(), ring[first], ring[first + 1])) {
            ++first;
            changed = true;
        }
    }
    if (first > 0) ring.erase(ring.begin(), ring.begin() + std::ptrdiff_t(first));
    if (ring.size() < 3) ring.clear();
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

// Bounding box of the usable contours, in doubles. False when there are none.
bool usableBounds(const gpc_polygon* polygon, gpc_box& box)
{
    bool any = false;
    if (!polygon || !polygon->contour) return false;
    for (int c = 0; c < polygon->num_contours; ++c) {
        const gpc_vertex_list& contour = polygon->contour[c];
        if (!gpc_contour_usable(contour)) continue;
        for (int v = 0; v < contour.num_vertices; ++v) {
            const gpc_vertex& p = contour.vertex[v];
            if (!any) box = gpc_box{p.x, p.y, p.x, p.y};
            any = true;
            box.x0 = std::min(box.x0, p.x);
            box.y0 = std::min(box.y0, p.y);
            box.x1 = std::max(box.x1, p.x);
            box.y1 = std::max(box.y1, p.y);
        }
    }
    return any;
}

std::size_t countVertices(const gpc_polygon* polygon)
{
    std::size_t n = 0;
    if (!polygon || !polygon->contour) return 0;
    for (int c = 0; c < polygon->num_contours; ++c)
        if (polygon->contour[c].num_vertices > 0) n += std::size_t(polygon->contour[c].num_vertices);
    return n;
}

struct Workspace {
    bool added = false;  // whether Clipper took any path at all
    OriginTable origins;
    Path path;
    Paths solution;
    Path ring;
    std::vector<Keyed> cleaned;
};

Workspace& workspace()
{
    thread_local Workspace space;
    return space;
}

// Adds the usable contours; their vertices get the input keys from firstKey
// on, counted over all contours.
void addUsableContours(ClipperLib::Clipper& clipper, const gpc_polygon* polygon, ClipperLib::PolyType type, Workspace& space,
                       InputKey firstKey)
{
    if (!polygon || !polygon->contour) return;
    InputKey key = firstKey;
    for (int c = 0; c < polygon->num_contours; ++c) {
        const gpc_vertex_list& contour = polygon->contour[c];
        const InputKey contourKey = key;
        if (contour.num_vertices > 0) key += InputKey(contour.num_vertices);
        if (!gpc_contour_usable(contour)) continue;
        space.path.clear();
        for (int v = 0; v < contour.num_vertices; ++v) {
            const gpc_vertex& p = contour.vertex[v];
            IntPoint q(toInt(p.x), toInt(p.y));
            space.origins.remember(q, p.x, p.y, contourKey + InputKey(v));
            space.path.push_back(q);
        }
        if (clipper.AddPath(space.path, type, true)) space.added = true;  // degenerate paths are refused quietly
    }
}

// Twice the signed area of an integer ring, exactly.
Wide shoelace(const Path& ring)
{
    Wide sum = 0;
    for (std::size_t i = 0, n = ring.size(); i < n; ++i) {
        const IntPoint& a = ring[i];
        const IntPoint& b = ring[(i + 1) % n];
        sum += Wide(a.X) * b.Y - Wide(b.X) * a.Y;
    }
    return sum;
}

// Twice the signed area of Clipper's rings, exactly.
Wide areaOf(const Paths& paths)
{
    Wide sum = 0;
    for (const Path& p : paths) sum += shoelace(p);
    return sum;
}

// Gives each ring the turn of its role: outer where it lies inside an even
// number of the other rings, hole where odd. Clipper 6.4.2 sometimes hands
// back a ring turned the wrong way. Whether ring R lies inside ring Q is
// asked only when Q's box holds R's, and answered by a vote of up to nine of
// R's vertices (edge midpoints where a vertex sits on Q), exactly, in
// doubled coordinates. Where the votes differ (the rings cross, as they may
// by a grid step where Clipper rounded a point, or more on wild input) the
// ring keeps the turn Clipper gave it.
void fixTurns(Paths& paths)
{
    auto side = [](cInt ax, cInt ay, cInt bx, cInt by, cInt cx, cInt cy) {
        const Wide cross = Wide(bx - ax) * (cy - ay) - Wide(by - ay) * (cx - ax);
        return cross > 0 ? 1 : cross < 0 ? -1 : 0;
    };
    // 1 inside, 0 outside, -1 on the ring; (tx, ty) in doubled coordinates.
    auto locate = [&](const Path& ring, cInt tx, cInt ty) {
        bool in = false;
        for (std::size_t i = 0, n = ring.size(); i < n; ++i) {
            const cInt ax = 2 * ring[i].X, ay = 2 * ring[i].Y;
            const cInt bx = 2 * ring[(i + 1) % n].X, by = 2 * ring[(i + 1) % n].Y;
            if (side(ax, ay, bx, by, tx, ty) == 0 && tx >= std::min(ax, bx) && tx <= std::max(ax, bx) && ty >= std::min(ay, by) &&
                ty <= std::max(ay, by))
                return -1;
            if ((ay > ty) != (by > ty)) {
                const int s = side(ax, ay, bx, by, tx, ty);  // crossing to the right of the point?
                if ((by > ay) ? s > 0 : s < 0) in = !in;
            }
        }
        return in ? 1 : 0;
    };
    struct Box {
        cInt x0, y0, x1, y1;
    };
    thread_local std::vector<Box> boxes;
    boxes.clear();
    for (const Path& p : paths) {
        Box b{0, 0, -1, -1};
        for (std::size_t i = 0; i < p.size(); ++i) {
            if (i == 0) b = Box{p[i].X, p[i].Y, p[i].X, p[i].Y};
            b.x0 = std::min(b.x0, p[i].X), b.x1 = std::max(b.x1, p[i].X);
            b.y0 = std::min(b.y0, p[i].Y), b.y1 = std::max(b.y1, p[i].Y);
        }
        boxes.push_back(b);
    }
    constexpr cInt slack = 16;  // grid steps a crossing from rounding may stick out
    for (std::size_t r = 0; r < paths.size(); ++r) {
        const Path& ring = paths[r];
        const std::size_t n = ring.size();
        if (n < 3) continue;
        int depth = 0;
        bool sure = true;
        for (std::size_t q = 0; q < paths.size() && sure; ++q) {
            if (q == r || paths[q].size() < 3) continue;
            const Box& a = boxes[r];
            const Box& b = boxes[q];
            if (a.x0 < b.x0 - slack || a.x1 > b.x1 + slack || a.y0 < b.y0 - slack || a.y1 > b.y1 + slack) continue;
            int inside = 0, outside = 0;
            const std::size_t samples = std::min<std::size_t>(n, 9);
            for (std::size_t k = 0; k < samples; ++k) {
                const std::size_t i = k * n / samples;
                int where = locate(paths[q], 2 * ring[i].X, 2 * ring[i].Y);
                if (where < 0) where = locate(paths[q], ring[i].X + ring[(i + 1) % n].X, ring[i].Y + ring[(i + 1) % n].Y);
                if (where > 0) ++inside;
                if (where == 0) ++outside;
            }
            if (inside > 0 && outside > 0) sure = false;
            else if (inside > 0) ++depth;
        }
        if (!sure) continue;
        const bool outer = depth % 2 == 0;
        if ((shoelace(ring) >= 0) != outer) ClipperLib::ReversePath(paths[r]);  // exact, unlike Orientation far out
    }
}

// Runs Clipper; false when it fails or throws. With no path at all (all
// degenerate) Clipper reports failure, but the answer is simply empty.
//
// Clipper 6.4.2 is not always right on degenerate input (edges run over
// twice, overlapping collinear edges): it can hand back a ring turned the
// wrong way, so the rings' signed areas no longer add up to the even-odd
// area. Each ring is therefore turned by its depth. (Putting the answer
// through Clipper again does not help: on some inputs the second answer is
// the wrong one.) Its StrictlySimple mode is worse still (contours with the
// wrong turn), so it is not used: the layer splits rings that touch
// themselves. Crossings a grid step wide, from rounding new points onto the
// grid, are left as they are.
bool execute(ClipperLib::Clipper& clipper, ClipperLib::ClipType type, Paths& solution, bool added, bool keepCollinear = false)
{
    solution.clear();
    if (!added) return true;
    try {
        clipper.StrictlySimple(false);
        clipper.PreserveCollinear(keepCollinear);
        if (!clipper.Execute(type, solution, ClipperLib::pftEvenOdd, ClipperLib::pftEvenOdd)) return false;
        fixTurns(solution);
        return true;
    } catch (...) {
        return false;
    }
}

// Clipper's path without collinear points, reversed into our orientation
// and back in doubles.
void convertPath(const Path& path, Workspace& space, std::vector<Keyed>& ring)
{
    dropCollinear(path, space.ring);
    ring.clear();
    for (auto p = space.ring.rbegin(); p != space.ring.rend(); ++p) ring.push_back(space.origins.recall(*p));
}

// ---- The whole polygon at once ------------------------------------------------------

bool clipWhole(ClipperLib::ClipType type, const gpc_polygon* subject, const gpc_polygon* clip, gpc_polygon& result)
{
    Workspace& space = workspace();
    space.origins.reset(countVertices(subject) + countVertices(clip));
    space.added = false;
    ClipperLib::Clipper clipper;
    try {
        addUsableContours(clipper, subject, ClipperLib::ptSubject, space, 0);
        addUsableContours(clipper, clip, ClipperLib::ptClip, space, InputKey(countVertices(subject)));
    } catch (...) {
        return false;
    }
    if (!execute(clipper, type, space.solution, space.added)) return false;

    Builder& out = builder();
    out.clear();
    for (const Path& path : space.solution) {
        convertPath(path, space, space.cleaned);
        out.addRing(space.cleaned, true);
    }
    result = out.finish();
    return true;
}

// ---- Inside a window round the clip operand ------------------------------------------

struct Window {
    cInt x0, y0, x1, y1;

    bool inside(const IntPoint& p) const { return p.X > x0 && p.X < x1 && p.Y > y0 && p.Y < y1; }
    bool onSide(const IntPoint& p) const
    {
        return p.X >= x0 && p.X <= x1 && p.Y >= y0 && p.Y <= y1 && (p.X == x0 || p.X == x1 || p.Y == y0 || p.Y == y1);
    }
    IntPoint clamp(const IntPoint& p) const
    {
        return IntPoint(std::min(std::max(p.X, x0), x1), std::min(std::max(p.Y, y0), y1));
    }
    // Both points on the same side line of the window.
    bool sameSide(const IntPoint& a, const IntPoint& b) const
    {
        return (a.X == b.X && (a.X == x0 || a.X == x1)) || (a.Y == b.Y && (a.Y == y0 || a.Y == y1));
    }
    bool sameSide(const IntPoint& a, const IntPoint& b, const IntPoint& c) const
    {
        return (a.X == b.X && b.X == c.X && (a.X == x0 || a.X == x1)) || (a.Y == b.Y && b.Y == c.Y && (a.Y == y0 || a.Y == y1));
    }
};

// Nearest integer to n / d, d > 0.
cInt roundDiv(Wide n, Wide d)
{
    Wide q = n / d, r = n % d;
    if (r < 0) {
        r += d;
        q -= 1;
    }
    if (2 * r >= d) q += 1;
    return cInt(q);
}

// Where an edge meets one of the window's four lines (extended).
struct Crossing {
    Wide num = 0, den = 1;  // t = num / den along the edge, den > 0
    IntPoint at;            // the point, clamped onto the window
    int seam = 0;           // +1 enters the window here, -1 leaves, 0 neither
};

// A point where a subject contour enters or leaves the window.
struct Seam {
    IntPoint at;
    bool entry = false;
    int outside = -1;  // the outside piece that starts here (exit) or ends here (entry)
    int inside = -1;   // the new inside piece that starts here (entry) or ends here (exit)
};

struct Piece {
    int from = -1, to = -1;     // seams
    std::size_t first = 0, count = 0;
};

struct Local {
    std::vector<IntPoint> ints;       // the subject's vertices as integers
    std::vector<int> contourStart;    // into ints
    std::vector<char> overlaps;       // contour's box meets the window
    std::vector<char> passThrough;    // contour kept as it is
    Path ring;                        // the contour as Clipper sees it
    std::vector<Crossing> crossings;
    std::vector<Seam> seams;
    std::vector<int> seamOrder;       // seams sorted by point
    std::vector<std::pair<int, int>> events;  // (vertex index, -1) or (-1, seam) along a contour
    std::vector<Piece> outsidePieces, insidePieces;
    std::vector<Keyed> outsideVertices, insideVertices;
    std::vector<char> used;
    std::vector<Keyed> stitched;
    std::vector<gpc_point> insideOfRing;
};

Local& local()
{
    thread_local Local l;
    return l;
}

// The area of a polygon in the contract's form (outer contours negative)
// and the length of its outline measured along the axes.
struct Measure {
    double area = 0.0, outline = 0.0;
};

Measure measure(const gpc_polygon* p)
{
    Measure m;
    if (!p || !p->contour) return m;
    for (int k = 0; k < p->num_contours; ++k) {
        const gpc_vertex_list& l = p->contour[k];
        if (!gpc_contour_usable(l)) continue;
        m.area -= signedArea(l.vertex, std::size_t(l.num_vertices));
        for (int i = 0; i < l.num_vertices; ++i) {
            const gpc_vertex& a = l.vertex[i];
            const gpc_vertex& b = l.vertex[(i + 1) % l.num_vertices];
            m.outline += std::fabs(b.x - a.x) + std::fabs(b.y - a.y);
        }
    }
    return m;
}

// Adds a point to the ring Clipper will see, folding runs along one side.
void pushReduced(Path& ring, const IntPoint& p, const Window& w)
{
    if (!ring.empty() && ring.back() == p) return;
    while (ring.size() >= 2 && w.sameSide(ring[ring.size() - 2], ring.back(), p)) ring.pop_back();
    if (!ring.empty() && ring.back() == p) return;
    ring.push_back(p);
}

void closeReduced(Path& ring, const Window& w)
{
    std::size_t first = 0;
    bool changed = true;
    while (changed && ring.size() - first >= 3) {
        changed = false;
        if (ring.back() == ring[first]) {
            ring.pop_back();
            changed = true;
        } else if (w.sameSide(ring[ring.size() - 2], ring.back(), ring[first])) {
            ring.pop_back();
            changed = true;
        } else if (w.sameSide(ring.back(), ring[first], ring[first + 1])) {
            ++first;
            changed = true;
        }
    }
    if (first > 0) ring.erase(ring.begin(), ring.begin() + std::ptrdiff_t(first));
}

// The crossings of edge u -> v with the window's lines, in order along the
// edge. False for an edge that meets a window corner exactly (or so nearly
// that its cut point rounds onto one): the window is given up.
bool edgeCrossings(const IntPoint& u, const IntPoint& v, const Window& w, std::vector<Crossing>& out)
{
    out.clear();
    auto vertical = [&](cInt X, bool enterMovingRight) {
        if (!((u.X < X && v.X > X) || (u.X > X && v.X < X))) return true;
        Wide dx = Wide(v.X) - u.X, dy = Wide(v.Y) - u.Y;
        Wide num = Wide(X) - u.X, den = dx;
        Wide yn = Wide(u.Y) * dx + dy * (Wide(X) - u.X), yd = dx;
        if (den < 0) num = -num, den = -den, yn = -yn, yd = -yd;
        Crossing c;
        c.num = num;
        c.den = den;
        Wide lo = Wide(w.y0) * yd, hi = Wide(w.y1) * yd;
        if (yn == lo || yn == hi) return false;
        if (yn > lo && yn < hi) {
            cInt y = roundDiv(yn, yd);
            if (y <= w.y0 || y >= w.y1) return false;
            c.at = IntPoint(X, y);
            c.seam = ((v.X > X) == enterMovingRight) ? 1 : -1;
        } else {
            c.at = IntPoint(X, yn < lo ? w.y0 : w.y1);
        }
        out.push_back(c);
        return true;
    };
    auto horizontal = [&](cInt Y, bool enterMovingDown) {
        if (!((u.Y < Y && v.Y > Y) || (u.Y > Y && v.Y < Y))) return true;
        Wide dx = Wide(v.X) - u.X, dy = Wide(v.Y) - u.Y;
        Wide num = Wide(Y) - u.Y, den = dy;
        Wide xn = Wide(u.X) * dy + dx * (Wide(Y) - u.Y), xd = dy;
        if (den < 0) num = -num, den = -den, xn = -xn, xd = -xd;
        Crossing c;
        c.num = num;
        c.den = den;
        Wide lo = Wide(w.x0) * xd, hi = Wide(w.x1) * xd;
        if (xn == lo || xn == hi) return false;
        if (xn > lo && xn < hi) {
            cInt x = roundDiv(xn, xd);
            if (x <= w.x0 || x >= w.x1) return false;
            c.at = IntPoint(x, Y);
            c.seam = ((v.Y > Y) == enterMovingDown) ? 1 : -1;
        } else {
            c.at = IntPoint(xn < lo ? w.x0 : w.x1, Y);
        }
        out.push_back(c);
        return true;
    };
    if (!vertical(w.x0, true) || !vertical(w.x1, false) || !horizontal(w.y0, true) || !horizontal(w.y1, false)) return false;
    std::sort(out.begin(), out.end(), [](const Crossing& a, const Crossing& b) { return a.num * b.den < b.num * a.den; });
    return true;
}

// Finds the seam at a point, or -1.
int findSeam(const Local& l, const IntPoint& p)
{
    auto it = std::lower_bound(l.seamOrder.begin(), l.seamOrder.end(), p, [&](int s, const IntPoint& q) {
        const IntPoint& a = l.seams[std::size_t(s)].at;
        return a.X < q.X || (a.X == q.X && a.Y < q.Y);
    });
    if (it == l.seamOrder.end() || !(l.seams[std::size_t(*it)].at == p)) return -1;
    return *it;
}

// The windowed clip. False when the window cannot settle it; the caller then
// clips the whole polygon.
bool clipLocally(ClipperLib::ClipType type, const gpc_polygon* subject, const gpc_polygon* clip, gpc_polygon& result)
{
    gpc_box clipBox;
    if (!usableBounds(clip, clipBox)) {
        // Nothing to add, cut or flip: the normalised subject stays as it is.
        result = copyOfUsable(subject);
        return true;
    }
    Local& l = local();
    Workspace& space = workspace();
    Window w{toInt(clipBox.x0) - windowMargin, toInt(clipBox.y0) - windowMargin,
             toInt(clipBox.x1) + windowMargin, toInt(clipBox.y1) + windowMargin};

    // The subject as integers; the contours whose boxes meet the window.
    const int contours = subject && subject->contour ? subject->num_contours : 0;
    l.ints.clear();
    l.contourStart.assign(std::size_t(contours) + 1, 0);
    l.overlaps.assign(std::size_t(contours), 0);
    l.passThrough.assign(std::size_t(contours), 1);
    for (int c = 0; c < contours; ++c) {
        const gpc_vertex_list& contour = subject->contour[c];
        l.contourStart[std::size_t(c)] = int(l.ints.size());
        cInt bx0 = 0, by0 = 0, bx1 = -1, by1 = -1;
        for (int v = 0; v < contour.num_vertices; ++v) {
            IntPoint p(toInt(contour.vertex[v].x), toInt(contour.vertex[v].y));
            if (v == 0) bx0 = bx1 = p.X, by0 = by1 = p.Y;
            bx0 = std::min(bx0, p.X), bx1 = std::max(bx1, p.X);
            by0 = std::min(by0, p.Y), by1 = std::max(by1, p.Y);
            l.ints.push_back(p);
        }
        // With room for the sides to move out below.
        const cInt slack = (maxSideMoves + 1) * (2 * sideClearance + 2);
        l.overlaps[std::size_t(c)] = bx0 <= w.x1 + slack && bx1 >= w.x0 - slack && by0 <= w.y1 + slack && by1 >= w.y0 - slack;
    }
    l.contourStart[std::size_t(contours)] = int(l.ints.size());

    // No subject vertex may sit on or next to the window's sides, where the
    // rounded cut points would crowd it: a side with a vertex within the
    // clearance moves out past it.
    std::size_t near = 0;
    for (int attempt = 0;; ++attempt) {
        bool clash = false;
        near = 0;
        for (int c = 0; c < contours; ++c) {
            if (!l.overlaps[std::size_t(c)]) continue;
            for (int i = l.contourStart[std::size_t(c)]; i < l.contourStart[std::size_t(c) + 1]; ++i) {
                const IntPoint& p = l.ints[std::size_t(i)];
                near += w.inside(p);
                const bool acrossX = p.X >= w.x0 - sideClearance && p.X <= w.x1 + sideClearance;
                const bool acrossY = p.Y >= w.y0 - sideClearance && p.Y <= w.y1 + sideClearance;
                if (!acrossX || !acrossY) continue;
                if (std::abs(p.X - w.x0) <= sideClearance) w.x0 = p.X - sideClearance - 1, clash = true;
                if (std::abs(p.X - w.x1) <= sideClearance) w.x1 = p.X + sideClearance + 1, clash = true;
                if (std::abs(p.Y - w.y0) <= sideClearance) w.y0 = p.Y - sideClearance - 1, clash = true;
                if (std::abs(p.Y - w.y1) <= sideClearance) w.y1 = p.Y + sideClearance + 1, clash = true;
            }
        }
        if (!clash) break;
        if (attempt == maxSideMoves) return false;
    }

    space.origins.reset(countVertices(clip) + near);
    space.added = false;
    Wide windowArea = 0;  // twice the signed area of the subject's rings as Clipper sees them
    ClipperLib::Clipper clipper;
    l.seams.clear();
    l.outsidePieces.clear();
    l.outsideVertices.clear();

    try {
        for (int c = 0; c < contours; ++c) {
            if (!l.overlaps[std::size_t(c)]) continue;
            const gpc_vertex_list& contour = subject->contour[c];
            const int n = contour.num_vertices;
            const IntPoint* p = &l.ints[std::size_t(l.contourStart[std::size_t(c)])];
            l.ring.clear();
            l.events.clear();
            const std::size_t firstSeam = l.seams.size();
            bool anyInside = false;
            for (int i = 0; i < n; ++i) {
                const IntPoint& u = p[i];
                const IntPoint& v = p[(i + 1) % n];
                l.events.push_back({i, -1});
                if (w.inside(u)) {
                    anyInside = true;
                    space.origins.remember(u, contour.vertex[i].x, contour.vertex[i].y, InputKey(l.contourStart[std::size_t(c)] + i));
                    pushReduced(l.ring, u, w);
                } else {
                    pushReduced(l.ring, w.clamp(u), w);
                }
                if (!edgeCrossings(u, v, w, l.crossings)) return false;
                for (const Crossing& x : l.crossings) {
                    pushReduced(l.ring, x.at, w);
                    if (x.seam == 0) continue;
                    Seam s;
                    s.at = x.at;
                    s.entry = x.seam > 0;
                    l.events.push_back({-1, int(l.seams.size())});
                    l.seams.push_back(s);
                }
            }
            closeReduced(l.ring, w);
            if (l.ring.size() >= 3) windowArea += shoelace(l.ring);

            if (l.seams.size() == firstSeam) {
                // Wholly inside: Clipper redoes it. Wholly outside: it stays,
                // and it still counts inside the window when it winds round it.
                if (anyInside) l.passThrough[std::size_t(c)] = 0;
                if (l.ring.size() >= 3 && clipper.AddPath(l.ring, ClipperLib::ptSubject, true)) space.added = true;
                continue;
            }
            l.passThrough[std::size_t(c)] = 0;
            if (clipper.AddPath(l.ring, ClipperLib::ptSubject, true)) space.added = true;

            // The outside pieces, each from a seam where the contour leaves
            // the window to the next where it comes back.
            std::size_t start = 0;
            while (start < l.events.size() && !(l.events[start].second >= 0 && !l.seams[std::size_t(l.events[start].second)].entry)) ++start;
            if (start == l.events.size()) return false;
            int open = -1;  // the outside piece being collected
            bool outside = false;
            for (std::size_t k = 0; k < l.events.size(); ++k) {
                const auto& e = l.events[(start + k) % l.events.size()];
                if (e.second >= 0) {
                    Seam& s = l.seams[std::size_t(e.second)];
                    if (s.entry == !outside) return false;  // entries and exits must alternate
                    if (!s.entry) {
                        Piece piece;
                        piece.from = e.second;
                        piece.first = l.outsideVertices.size();
                        open = int(l.outsidePieces.size());
                        l.outsidePieces.push_back(piece);
                        s.outside = open;
                        outside = true;
                    } else {
                        Piece& piece = l.outsidePieces[std::size_t(open)];
                        piece.to = e.second;
                        piece.count = l.outsideVertices.size() - piece.first;
                        s.outside = open;
                        outside = false;
                    }
                } else if (outside) {
                    const gpc_vertex& o = contour.vertex[e.first];
                    l.outsideVertices.push_back(Keyed{o.x, o.y, InputKey(l.contourStart[std::size_t(c)] + e.first)});
                }
            }
            if (outside) return false;
        }
        addUsableContours(clipper, clip, ClipperLib::ptClip, space, InputKey(l.ints.size()));
    } catch (...) {
        return false;
    }

    // Seams by point; two at one point cannot be told apart.
    l.seamOrder.resize(l.seams.size());
    for (std::size_t i = 0; i < l.seams.size(); ++i) l.seamOrder[i] = int(i);
    std::sort(l.seamOrder.begin(), l.seamOrder.end(), [&](int a, int b) {
        const IntPoint& p = l.seams[std::size_t(a)].at;
        const IntPoint& q = l.seams[std::size_t(b)].at;
        return p.X < q.X || (p.X == q.X && p.Y < q.Y);
    });
    for (std::size_t i = 1; i < l.seamOrder.size(); ++i)
        if (l.seams[std::size_t(l.seamOrder[i])].at == l.seams[std::size_t(l.seamOrder[i - 1])].at) return false;

    // Collinear points stay: a cut point may lie in line with the vertices
    // next to it, and the piece must still begin at the cut point's vertex.
    if (!execute(clipper, type, space.solution, space.added, true)) return false;

    // Clipper's answer inside the window: rings wholly inside are new
    // contours; the rest is cut at the window's sides into inside pieces,
    // each from an entry seam to an exit seam. Runs along the sides go.
    Builder& out = builder();
    out.clear();
    std::vector<Keyed>& ring = space.cleaned;
    l.insidePieces.clear();
    l.insideVertices.clear();
    bool ok = true;
    for (const Path& path : space.solution) {
        const Path& q = path;
        const std::size_t m = q.size();
        if (m < 3) continue;
        std::size_t s0 = m;
        for (std::size_t k = 0; k < m; ++k)
            if (w.onSide(q[m - 1 - k])) {
                s0 = k;
                break;
            }
        if (s0 == m) {
            convertPath(path, space, ring);
            out.addRing(ring, true);
            continue;
        }
        // Walk in our orientation: Clipper's order reversed.
        auto at = [&](std::size_t k) -> const IntPoint& { return q[m - 1 - ((s0 + k) % m)]; };
        std::size_t k = 0;
        while (k < m && ok) {
            if (w.sameSide(at(k), at(k + 1))) {
                ++k;
                continue;
            }
            Piece piece;
            piece.from = findSeam(l, at(k));
            piece.first = l.insideVertices.size();
            ++k;
            while (!w.onSide(at(k))) {
                l.insideVertices.push_back(space.origins.recall(at(k)));
                ++k;
                if (k > m) break;
            }
            piece.to = findSeam(l, at(k));
            piece.count = l.insideVertices.size() - piece.first;
            if (piece.from < 0 || piece.to < 0 || k > m) {
                ok = false;
                break;
            }
            Seam& a = l.seams[std::size_t(piece.from)];
            Seam& b = l.seams[std::size_t(piece.to)];
            if (!a.entry || b.entry || a.inside >= 0 || b.inside >= 0) {
                ok = false;
                break;
            }
            a.inside = b.inside = int(l.insidePieces.size());
            l.insidePieces.push_back(piece);
        }
        if (!ok) break;
    }
    for (const Seam& s : l.seams)
        if (s.inside < 0 || s.outside < 0) ok = false;
    if (!ok) {
        out.clear();
        return false;
    }

    // Join the pieces: outside, inside, outside, ... until the ring closes.
    l.used.assign(l.outsidePieces.size(), 0);
    for (std::size_t first = 0; first < l.outsidePieces.size(); ++first) {
        if (l.used[first]) continue;
        l.stitched.clear();
        l.insideOfRing.clear();
        std::size_t current = first;
        for (std::size_t guard = 0;; ++guard) {
            if (guard > l.outsidePieces.size() || l.used[current]) {
                out.clear();
                return false;
            }
            l.used[current] = 1;
            const Piece& outsidePiece = l.outsidePieces[current];
            l.stitched.insert(l.stitched.end(), l.outsideVertices.begin() + std::ptrdiff_t(outsidePiece.first),
                              l.outsideVertices.begin() + std::ptrdiff_t(outsidePiece.first + outsidePiece.count));
            const Piece& insidePiece = l.insidePieces[std::size_t(l.seams[std::size_t(outsidePiece.to)].inside)];
            l.stitched.insert(l.stitched.end(), l.insideVertices.begin() + std::ptrdiff_t(insidePiece.first),
                              l.insideVertices.begin() + std::ptrdiff_t(insidePiece.first + insidePiece.count));
            for (std::size_t k = 0; k < insidePiece.count; ++k) {
                const Keyed& v = l.insideVertices[insidePiece.first + k];
                l.insideOfRing.push_back(gpc_point{v.x, v.y});
            }
            current = std::size_t(l.seams[std::size_t(insidePiece.to)].outside);
            if (current == first) break;
        }
        // The outside pieces come from a polygon that does not touch itself,
        // and they cannot meet the inside ones: only inside vertices can
        // repeat.
        std::sort(l.insideOfRing.begin(), l.insideOfRing.end(),
                  [](const gpc_point& a, const gpc_point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
        const bool touches = std::adjacent_find(l.insideOfRing.begin(), l.insideOfRing.end()) != l.insideOfRing.end();
        out.addRing(l.stitched, touches);
    }

    // The untouched contours, as they were.
    for (int c = 0; c < contours; ++c) {
        if (!l.passThrough[std::size_t(c)]) continue;
        const gpc_vertex_list& contour = subject->contour[c];
        if (contour.num_vertices >= 3)
            out.addCopy(contour.vertex, std::size_t(contour.num_vertices), subject->hole ? subject->hole[c] : 0,
                        InputKey(l.contourStart[std::size_t(c)]));
    }
    result = out.finish();

    // The joins are checked by the areas: the result must hold the subject's
    // area outside the window plus Clipper's answer inside it. A vertex lost
    // at a join (Clipper drops points it finds in line, and a rounded cut
    // point can put one in line with its neighbours) shows up here, and the
    // whole polygon is clipped instead.
    const double unit2 = 1.0 / (clipScale * clipScale);
    const Measure before = measure(subject), after = measure(&result);
    const double expected = before.area + double(windowArea) * 0.5 * unit2 + double(areaOf(space.solution)) * 0.5 * unit2;
    const double allowed = 1e-9 * (std::fabs(before.area) + std::fabs(after.area)) + 1e-9 * (before.outline + after.outline) + 1e-12;
    if (!(std::fabs(after.area - expected) <= allowed)) {
        gpc_free_polygon(&result);
        return false;
    }
    return true;
}

// ---- A result that does not add up ------------------------------------------------

// How far a result's signed area lies from the area its strips cover, which
// is its even-odd area, measured exactly by the sweep (crossings resolved).
double mismatch(gpc_polygon& polygon, gpc_tristrip& strips)
{
    double covered = 0.0;
    for (int s = 0; s < strips.num_strips; ++s) {
        const gpc_vertex* v = strips.strip[s].vertex;
        for (int i = 0; i + 2 < strips.strip[s].num_vertices; ++i)
            covered += std::fabs((v[i + 1].x - v[i].x) * (v[i + 2].y - v[i].y) - (v[i + 2].x - v[i].x) * (v[i + 1].y - v[i].y)) / 2.0;
    }
    const Measure m = measure(&polygon);
    const double allowed = 1e-9 * std::fabs(covered) + 4e-9 * m.outline + 1e-12;
    const double off = std::fabs(m.area - covered);
    return off <= allowed ? 0.0 : off;
}

// A result with a ring that touched itself can hold loops that overlap one
// another or turn the wrong way (Clipper 6.4.2 on badly degenerate input,
// edges run over several times): its rings' signed areas then no longer add
// up to the area they enclose by the even-odd rule, and its hole flags lie.
// Such a result is built again from its own strips, whose triangles do not
// overlap and which Clipper unites cleanly; the new outline's points lie on
// the clip's grid. The rebuilt polygon is kept only when it adds up better.
void settle(gpc_polygon& result)
{
    gpc_tristrip strips;
    gpc_polygon_to_tristrip(&result, &strips);
    const double before = mismatch(result, strips);
    if (before == 0.0) {
        gpc_free_tristrip(&strips);
        return;
    }
    Workspace& space = workspace();
    std::size_t points = 0;
    for (int s = 0; s < strips.num_strips; ++s) points += std::size_t(strips.strip[s].num_vertices);
    space.origins.reset(points);
    space.added = false;
    ClipperLib::Clipper clipper;
    bool ok = true;
    try {
        InputKey key = 0;
        for (int s = 0; s < strips.num_strips; ++s) {
            const gpc_vertex* v = strips.strip[s].vertex;
            for (int i = 0; i + 2 < strips.strip[s].num_vertices; ++i, ++key) {
                space.path.clear();
                for (int k = 0; k < 3; ++k) {
                    const IntPoint q(toInt(v[i + k].x), toInt(v[i + k].y));
                    space.origins.remember(q, v[i + k].x, v[i + k].y, key);
                    space.path.push_back(q);
                }
                if (clipper.AddPath(space.path, ClipperLib::ptSubject, true)) space.added = true;
            }
        }
        space.solution.clear();
        if (space.added) {
            ok = clipper.Execute(ClipperLib::ctUnion, space.solution, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
            if (ok) fixTurns(space.solution);
        }
    } catch (...) {
        ok = false;
    }
    gpc_free_tristrip(&strips);
    if (!ok) return;
    Builder& out = builder();
    out.clear();
    for (const Path& path : space.solution) {
        dropCollinear(path, space.ring);
        space.cleaned.clear();
        for (auto p = space.ring.rbegin(); p != space.ring.rend(); ++p) space.cleaned.push_back(Keyed{toDouble(p->X), toDouble(p->Y), newPoint});
        out.addRing(space.cleaned, true);
    }
    gpc_polygon rebuilt = out.finish();
    gpc_polygon_to_tristrip(&rebuilt, &strips);
    const double after = mismatch(rebuilt, strips);
    gpc_free_tristrip(&strips);
    if (after < before) {
        gpc_free_polygon(&result);
        result = rebuilt;
    } else {
        gpc_free_polygon(&rebuilt);
    }
}

}  // namespace

void gpc_polygon_clip_whole(gpc_op op, gpc_polygon* subject, gpc_polygon* clip, gpc_polygon* result)
{
    if (!result) return;
    ClipperLib::ClipType type;
    gpc_polygon out{0, nullptr, nullptr};
    if (!toClipType(op, type) || !clipWhole(type, subject, clip, out)) {
        *result = copyOfUsable(subject);
        return;
    }
    ++gpc_counters_now().clipFull;
    if (builder().lastSplit()) settle(out);
    gpc_remember_normalised(gpc_polygon_digest(&out));
    *result = out;
}

void gpc_polygon_clip(gpc_op op, gpc_polygon* subject, gpc_polygon* clip, gpc_polygon* result)
{
    if (!result) return;
    ClipperLib::ClipType type;
    if (op != GPC_INT && toClipType(op, type)) {
        const std::uint64_t subjectDigest = gpc_polygon_digest(subject);
        if (gpc_is_normalised(subjectDigest)) {
            gpc_polygon out{0, nullptr, nullptr};
            if (clipLocally(type, subject, clip, out)) {
                ++gpc_counters_now().clipLocal;
                if (builder().lastSplit()) settle(out);
                gpc_remember_normalised(gpc_polygon_digest(&out));
                *result = out;
                return;
            }
            ++gpc_counters_now().clipFallback;
        }
    }
    gpc_polygon_clip_whole(op, subject, clip, result);
}

bool gpc_normalise_rings(const std::vector<gpc_point>& points, const std::vector<int>& lengths,
                         std::vector<gpc_point>& outPoints, std::vector<int>& outLengths)
{
    outPoints.clear();
    outLengths.clear();
    Workspace& space = workspace();
    space.origins.reset(points.size());
    space.added = false;
    ClipperLib::Clipper clipper;
    try {
        std::size_t at = 0;
        for (int n : lengths) {
            space.path.clear();
            for (int k = 0; k < n; ++k, ++at) {
                IntPoint q(toInt(points[at].x), toInt(points[at].y));
                space.origins.remember(q, points[at].x, points[at].y, InputKey(at));
                space.path.push_back(q);
            }
            if (clipper.AddPath(space.path, ClipperLib::ptSubject, true)) space.added = true;
        }
    } catch (...) {
        return false;
    }
    if (!execute(clipper, ClipperLib::ctUnion, space.solution, space.added)) return false;
    for (const Path& path : space.solution) {
        dropCollinear(path, space.ring);
        if (space.ring.size() < 3) continue;
        // Points on the grid, not their original doubles: the tessellator
        // is to see exactly the strictly simple rings Clipper made.
        for (const IntPoint& p : space.ring) outPoints.push_back(gpc_point{toDouble(p.X), toDouble(p.Y)});
        outLengths.push_back(int(space.ring.size()));
    }
    return true;
}
