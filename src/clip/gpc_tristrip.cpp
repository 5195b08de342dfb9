// Triangle strips from the GLU tessellator (odd winding = even-odd fill).
//
// The tessellator hands out strips, fans and lone triangles. Strips keep
// the order it gives; a fan of n vertices becomes n - 2 strips of three
// (centre, i, i + 1), and each lone triangle a strip of three. Tessellation
// needs no GL context. Contours with a non-finite or out-of-limit coordinate
// are left out, as in clipping.
//
// The plane is cut into square tiles and each tile is tessellated on its
// own: the polygon is clamped onto the tile (parts outside it slide along
// its sides, which leaves the inside unchanged under the odd rule), and the
// strips of all tiles, row by row, make the answer. A stamp changes only the
// tiles under it, so when the polygon came out of a clip of the polygon
// whose strips were made last, only those tiles are done again and the
// others are taken over. The strips of one polygon can therefore differ
// with its history in how the area is cut into triangles, never in the area
// they cover. A tile that the tessellator reports an error for stays empty.
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

#include "clip/gpc.h"
#include "clip/gpc_internal.h"

#ifndef CALLBACK
#define CALLBACK
#endif

namespace {

constexpr double baseTileSize = 64.0;
constexpr long maxTiles = 1024;  // beyond this the tiles grow
constexpr int chunkEdges = 16;   // edges per run with a box of its own
constexpr double nearSide = 1e-6;  // px: closer to a tile side is a hair
constexpr double shallow = 1e-6;   // slope: flatter against a side is a hair

// ---- The tessellator --------------------------------------------------------

struct TessPoint {
    GLdouble xyz[3];
};

// Strips as lengths and one run of vertices.
struct StripList {
    std::vector<int> lengths;
    std::vector<gpc_vertex> vertices;

    void clear()
    {
        lengths.clear();
        vertices.clear();
    }
    void add(const gpc_vertex* v, int n)
    {
        lengths.push_back(n);
        vertices.insert(vertices.end(), v, v + n);
    }
};

struct Tessellation {
    std::deque<TessPoint> points;        // stable addresses: inputs and intersections
    std::vector<gpc_vertex> primitive;   // vertices of the primitive being emitted
    GLenum primitiveType = GL_TRIANGLES;
    StripList* out = nullptr;
    bool failed = false;
};

void CALLBACK onBegin(GLenum type, void* data)
{
    auto& t = *static_cast<Tessellation*>(data);
    t.primitiveType = type;
    t.primitive.clear();
}

void CALLBACK onVertex(void* vertex, void* data)
{
    auto& t = *static_cast<Tessellation*>(data);
    const auto* p = static_cast<const TessPoint*>(vertex);
    t.primitive.push_back(gpc_vertex{p->xyz[0], p->xyz[1], p->xyz[0], p->xyz[1]});
}

void CALLBACK onEnd(void* data)
{
    auto& t = *static_cast<Tessellation*>(data);
    const std::vector<gpc_vertex>& v = t.primitive;
    const int n = int(v.size());
    switch (t.primitiveType) {
    case GL_TRIANGLE_STRIP:
        if (n >= 3) t.out->add(v.data(), n);
        break;
    case GL_TRIANGLE_FAN:
        for (int i = 1; i + 1 < n; ++i) {
            const gpc_vertex triangle[3] = {v[0], v[std::size_t(i)], v[std::size_t(i) + 1]};
            t.out->add(triangle, 3);
        }
        break;
    default:  // GL_TRIANGLES
        for (int i = 0; i + 2 < n; i += 3) t.out->add(&v[std::size_t(i)], 3);
        break;
    }
    t.primitive.clear();
}

void CALLBACK onCombine(GLdouble coords[3], void* neighbours[4], GLfloat weights[4], void** outData, void* data)
{
    auto& t = *static_cast<Tessellation*>(data);
    t.points.push_back(TessPoint{{coords[0], coords[1], 0.0}});
    *outData = &t.points.back();
}

void CALLBACK onError(GLenum, void* data)
{
    static_cast<Tessellation*>(data)->failed = true;
}

using TessCallback = void(CALLBACK*)();

GLUtesselator* tessellator()
{
    static GLUtesselator* tess = [] {
        GLUtesselator* made = gluNewTess();
        if (!made) return made;
        gluTessProperty(made, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
        gluTessNormal(made, 0.0, 0.0, 1.0);
        gluTessCallback(made, GLU_TESS_BEGIN_DATA, reinterpret_cast<TessCallback>(onBegin));
        gluTessCallback(made, GLU_TESS_VERTEX_DATA, reinterpret_cast<TessCallback>(onVertex));
        gluTessCallback(made, GLU_TESS_END_DATA, reinterpret_cast<TessCallback>(onEnd));
        gluTessCallback(made, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(onCombine));
        gluTessCallback(made, GLU_TESS_ERROR_DATA, reinterpret_cast<TessCallback>(onError));
        return made;
    }();
    return tess;
}

// Tessellates rings given as runs of (x, y) into out. On an error out is
// left empty.
void tessellate(const std::vector<gpc_point>& points, const std::vector<int>& ringLengths, StripList& out)
{
    out.clear();
    GLUtesselator* tess = tessellator();
    if (!tess || ringLengths.empty()) return;
    Tessellation t;
    t.out = &out;
    gluTessBeginPolygon(tess, &t);
    std::size_t at = 0;
    for (int n : ringLengths) {
        gluTessBeginContour(tess);
        for (int v = 0; v < n; ++v, ++at) {
            t.points.push_back(TessPoint{{points[at].x, points[at].y, 0.0}});
            TessPoint& p = t.points.back();
            gluTessVertex(tess, p.xyz, &p);
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    if (t.failed) out.clear();
}

// ---- Tiles ------------------------------------------------------------------

struct Bounds {
    double x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    bool empty() const { return x0 > x1; }
    void add(double x, double y)
    {
        if (empty()) {
            x0 = x1 = x;
            y0 = y1 = y;
            return;
        }
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
};

struct TileRange {
    long i0 = 0, j0 = 0, i1 = -1, j1 = -1;  // inclusive
    long count() const { return i1 < i0 || j1 < j0 ? 0 : (i1 - i0 + 1) * (j1 - j0 + 1); }
};

TileRange tilesOver(double x0, double y0, double x1, double y1, double size)
{
    if (x0 > x1 || y0 > y1) return TileRange{};
    return TileRange{long(std::floor(x0 / size)), long(std::floor(y0 / size)), long(std::floor(x1 / size)),
                     long(std::floor(y1 / size))};
}

struct Clamp {
    double x0, y0, x1, y1;

    gpc_point operator()(double x, double y) const
    {
        return {std::min(std::max(x, x0), x1), std::min(std::max(y, y0), y1)};
    }
    bool sameSide(const gpc_point& a, const gpc_point& b,
                  const gpc_point& c) const
    {
        return (a.x == b.x && b.x == c.x && (a.x == x0 || a.x == x1)) ||
               (a.y == b.y && b.y == c.y && (a.y == y0 || a.y == y1));
    }
};

struct Tiler {
    std::vector<gpc_point> points;  // rings of the tile being built
    std::vector<int> ringLengths;
    std::vector<gpc_point> cleanPoints;  // the same, strictly simple
    std::vector<int> cleanLengths;
    std::vector<gpc_point> ring;
    struct Cut {
        double t;
        gpc_point at;
    };
    std::vector<Cut> cuts;
    std::vector<const gpc_vertex_list*> contours;
    std::vector<Bounds> contourBounds;
    std::vector<std::size_t> firstChunk;  // per contour, into chunkBounds
    std::vector<Bounds> chunkBounds;      // per run of chunkEdges edges
    bool risky = false;                   // the tile needs Clipper's help
};

void pushReduced(std::vector<gpc_point>& ring, const gpc_point& p, const Clamp& clamp)
{
    if (!ring.empty() && ring.back() == p) return;
    while (ring.size() >= 2 && clamp.sameSide(ring[ring.size() - 2], ring.back(), p)) ring.pop_back();
    if (!ring.empty() && ring.back() == p) return;
    ring.push_back(p);
}

// Where edge u -> v crosses the line x = X (or y = Y when vertical is false),
// computed from the edge's endpoints in a fixed order so that the two tiles
// sharing the line agree to the bit.
double crossingOther(const gpc_vertex& u, const gpc_vertex& v, double line, bool vertical)
{
    const gpc_vertex* a = &u;
    const gpc_vertex* b = &v;
    if (b->x < a->x || (b->x == a->x && b->y < a->y)) std::swap(a, b);
    if (vertical) return a->y + (line - a->x) / (b->x - a->x) * (b->y - a->y);
    return a->x + (line - a->y) / (b->y - a->y) * (b->x - a->x);
}

// The polygon clamped onto one tile, tessellated.
void buildTile(Tiler& tiler, const Clamp& box, StripList& out)
{
    tiler.points.clear();
    tiler.ringLengths.clear();
    tiler.risky = false;
    for (std::size_t c = 0; c < tiler.contours.size(); ++c) {
        const Bounds& b = tiler.contourBounds[c];
        if (b.x1 < box.x0 || b.x0 > box.x1 || b.y1 < box.y0 || b.y0 > box.y1) continue;
        const gpc_vertex_list& contour = *tiler.contours[c];
        const int n = contour.num_vertices;
        auto& ring = tiler.ring;
        ring.clear();
        auto outcode = [&](const gpc_vertex& p) {
            return (p.x < box.x0 ? 1 : 0) | (p.x > box.x1 ? 2 : 0) | (p.y < box.y0 ? 4 : 0) | (p.y > box.y1 ? 8 : 0);
        };
        const Bounds* chunk = &tiler.chunkBounds[tiler.firstChunk[c]];
        int i = 0;
        // The tessellator sees the polygon on the clip's grid, where it is
        // known to be strictly simple; in its own doubles a vertex may sit a
        // hair off an edge it touches.
        auto snapped = [&](int k) {
            const gpc_vertex& p = contour.vertex[k];
            const double x = gpc_snap(p.x), y = gpc_snap(p.y);
            return gpc_vertex{x, y, x, y};
        };
        gpc_vertex next = snapped(0);
        int codeV = outcode(next);
        while (i < n) {
            if (i % chunkEdges == 0) {
                // A run of edges wholly beyond one side of the tile folds
                // onto that side: its first point stands for all of it.
                const Bounds& r = chunk[i / chunkEdges];
                if (r.x1 < box.x0 || r.x0 > box.x1 || r.y1 < box.y0 || r.y0 > box.y1) {
                    pushReduced(ring, box(next.x, next.y), box);
                    i += chunkEdges;
                    if (i < n) {
                        next = snapped(i);
                        codeV = outcode(next);
                    }
                    continue;
                }
            }
            const gpc_vertex u = next;
            next = snapped((i + 1) % n);
            const gpc_vertex& v = next;
            const int codeU = codeV;
            codeV = outcode(v);
            ++i;
            pushReduced(ring, box(u.x, u.y), box);
            if (codeU == 0 && (u.x - box.x0 < nearSide || box.x1 - u.x < nearSide || u.y - box.y0 < nearSide || box.y1 - u.y < nearSide))
                tiler.risky = true;
            // Both ends beyond the same side: the clamped edge runs along
            // that side and its cuts would all fold away.
            if (codeU & codeV) continue;
            tiler.cuts.clear();
            for (double X : {box.x0, box.x1})
                if ((u.x < X && v.x > X) || (u.x > X && v.x < X)) {
                    const gpc_point at = box(X, crossingOther(u, v, X, true));
                    tiler.cuts.push_back({(X - u.x) / (v.x - u.x), at});
                    if (std::fabs(v.x - u.x) < shallow * std::fabs(v.y - u.y) || at.y - box.y0 < nearSide || box.y1 - at.y < nearSide)
                        tiler.risky = true;
                }
            for (double Y : {box.y0, box.y1})
                if ((u.y < Y && v.y > Y) || (u.y > Y && v.y < Y)) {
                    const gpc_point at = box(crossingOther(u, v, Y, false), Y);
                    tiler.cuts.push_back({(Y - u.y) / (v.y - u.y), at});
                    if (std::fabs(v.y - u.y) < shallow * std::fabs(v.x - u.x) || at.x - box.x0 < nearSide || box.x1 - at.x < nearSide)
                        tiler.risky = true;
                }
            if (tiler.cuts.size() > 1)
                std::sort(tiler.cuts.begin(), tiler.cuts.end(), [](const Tiler::Cut& a, const Tiler::Cut& b) { return a.t < b.t; });
            for (const Tiler::Cut& cut : tiler.cuts) pushReduced(ring, cut.at, box);
        }
        // Fold the ring's two ends into each other as well.
        std::size_t first = 0;
        bool changed = true;
        while (changed && ring.size() - first >= 3) {
            changed = false;
            if (ring.back() == ring[first]) {
                ring.pop_back();
                changed = true;
            } else if (box.sameSide(ring[ring.size() - 2], ring.back(), ring[first])) {
                ring.pop_back();
                changed = true;
            } else if (box.sameSide(ring.back(), ring[first], ring[first + 1])) {
                ++first;
                changed = true;
            }
        }
        if (ring.size() - first < 3) continue;
        tiler.points.insert(tiler.points.end(), ring.begin() + std::ptrdiff_t(first), ring.end());
        tiler.ringLengths.push_back(int(ring.size() - first));
    }
    // Rings that lie wholly on the tile's sides wind round the whole tile:
    // the tile is solid when they wind an odd number of times.
    bool allOnSides = true;
    std::size_t start = 0;
    for (int n : tiler.ringLengths) {
        for (int k = 0; k < n && allOnSides; ++k) {
            const gpc_point& a = tiler.points[start + std::size_t(k)];
            const gpc_point& b = tiler.points[start + std::size_t((k + 1) % n)];
            allOnSides = (a.x == b.x && (a.x == box.x0 || a.x == box.x1)) || (a.y == b.y && (a.y == box.y0 || a.y == box.y1));
        }
        start += std::size_t(n);
    }
    if (allOnSides) {
        out.clear();
        double sum = 0.0;
        std::size_t at = 0;
        for (int n : tiler.ringLengths) {
            for (int k = 0; k < n; ++k) {
                const gpc_point& a = tiler.points[at + std::size_t(k)];
                const gpc_point& b = tiler.points[at + std::size_t((k + 1) % n)];
                sum += (a.x - box.x0) * (b.y - box.y0) - (b.x - box.x0) * (a.y - box.y0);
            }
            at += std::size_t(n);
        }
        const long windings = std::lround(std::fabs(sum * 0.5) / ((box.x1 - box.x0) * (box.y1 - box.y0)));
        if (windings % 2 == 1) {
            const gpc_vertex a{box.x0, box.y0, box.x0, box.y0}, b{box.x1, box.y0, box.x1, box.y0};
            const gpc_vertex c{box.x1, box.y1, box.x1, box.y1}, d{box.x0, box.y1, box.x0, box.y1};
            const gpc_vertex first[3] = {a, b, c}, second[3] = {a, c, d};
            out.add(first, 3);
            out.add(second, 3);
        }
        return;
    }

    // Clamping leaves exact runs along the tile's sides, which the
    // tessellator takes in its stride. A vertex within a hair of a side, or
    // an edge meeting a side at a hair's angle or next to a corner, is
    // another matter: such a tile is first made strictly simple by Clipper.
    if (tiler.risky && gpc_normalise_rings(tiler.points, tiler.ringLengths, tiler.cleanPoints, tiler.cleanLengths))
        tessellate(tiler.cleanPoints, tiler.cleanLengths, out);
    else
        tessellate(tiler.points, tiler.ringLengths, out);
}

struct StripCache {
    bool valid = false;
    std::uint64_t digest = 0;
    double tileSize = baseTileSize;
    std::map<std::pair<long, long>, StripList> tiles;  // (row, column): strips come out row by row
};

StripCache& cache()
{
    thread_local StripCache c;
    return c;
}

Tiler& tiler()
{
    thread_local Tiler t;
    return t;
}

void buildTiles(Tiler& t, StripCache& c, const TileRange& range)
{
    StripList made;
    for (long j = range.j0; j <= range.j1; ++j)
        for (long i = range.i0; i <= range.i1; ++i) {
            const Clamp box{double(i) * c.tileSize, double(j) * c.tileSize, double(i + 1) * c.tileSize, double(j + 1) * c.tileSize};
            buildTile(t, box, made);
            ++gpc_counters_now().stripsTiles;
            if (!made.lengths.empty()) c.tiles[{j, i}] = std::move(made);
            made = StripList{};
        }
}

// The area of a polygon in the contract's form (outer contours negative)
// and the length of its outline measured along the axes.
struct Measure {
    double area = 0.0, outline = 0.0;
};

Measure measure(const gpc_polygon& p)
{
    Measure m;
    for (int k = 0; k < p.num_contours; ++k) {
        const gpc_vertex_list& l = p.contour[k];
        if (!gpc_contour_usable(l)) continue;
        double sum = 0.0;
        const double ox = l.vertex[0].x, oy = l.vertex[0].y;  // about the first vertex, for precision
        for (int i = 0; i < l.num_vertices; ++i) {
            const gpc_vertex& a = l.vertex[i];
            const gpc_vertex& b = l.vertex[(i + 1) % l.num_vertices];
            sum += (a.x - ox) * (b.y - oy) - (b.x - ox) * (a.y - oy);
            m.outline += std::fabs(b.x - a.x) + std::fabs(b.y - a.y);
        }
        m.area -= sum * 0.5;
    }
    return m;
}

double stripsArea(const StripCache& c)
{
    double sum = 0.0;
    for (const auto& [key, list] : c.tiles) {
        const gpc_vertex* v = list.vertices.data();
        for (int n : list.lengths) {
            for (int i = 0; i + 2 < n; ++i)
                sum += std::fabs((v[i + 1].x - v[i].x) * (v[i + 2].y - v[i].y) - (v[i + 2].x - v[i].x) * (v[i + 1].y - v[i].y));
            v += n;
        }
    }
    return sum * 0.5;
}

void emit(const StripCache& c, gpc_tristrip* tristrip)
{
    std::size_t strips = 0;
    for (const auto& [key, list] : c.tiles) strips += list.lengths.size();
    if (strips == 0) return;
    tristrip->strip = static_cast<gpc_vertex_list*>(gpc_checked_malloc(sizeof(gpc_vertex_list) * strips));
    int s = 0;
    for (const auto& [key, list] : c.tiles) {
        const gpc_vertex* v = list.vertices.data();
        for (int n : list.lengths) {
            auto* copy = static_cast<gpc_vertex*>(gpc_checked_malloc(sizeof(gpc_vertex) * std::size_t(n)));
            std::memcpy(copy, v, sizeof(gpc_vertex) * std::size_t(n));
            tristrip->strip[s++] = gpc_vertex_list{n, copy};
            v += n;
        }
    }
    tristrip->num_strips = s;
}

}  // namespace

void gpc_polygon_to_tristrip(gpc_polygon* polygon, gpc_tristrip* tristrip)
{
    if (!tristrip) return;
    *tristrip = gpc_tristrip{0, nullptr};
    StripCache& c = cache();
    const std::uint64_t digest = gpc_polygon_digest(polygon);
    if (c.valid && c.digest == digest) {
        emit(c, tristrip);
        return;
    }

    // A polygon that did not come out of a clip (a level file, say) is
    // first made strictly simple as a whole, as a clip would see it.
    gpc_polygon normalised{0, nullptr, nullptr};
    if (!gpc_is_normalised(digest)) {
        gpc_polygon empty{0, nullptr, nullptr};
        gpc_polygon_clip_whole(GPC_UNION, polygon, &empty, &normalised);
        polygon = &normalised;
    }

    Tiler& t = tiler();
    t.contours.clear();
    t.contourBounds.clear();
    t.firstChunk.clear();
    t.chunkBounds.clear();
    Bounds all;
    if (polygon && polygon->contour)
        for (int k = 0; k < polygon->num_contours; ++k) {
            const gpc_vertex_list& contour = polygon->contour[k];
            if (!gpc_contour_usable(contour)) continue;
            Bounds b;
            t.firstChunk.push_back(t.chunkBounds.size());
            const int n = contour.num_vertices;
            for (int first = 0; first < n; first += chunkEdges) {
                Bounds run;
                for (int v = first; v <= first + chunkEdges && v <= n; ++v) run.add(contour.vertex[v % n].x, contour.vertex[v % n].y);
                t.chunkBounds.push_back(run);
                b.add(run.x0, run.y0);
                b.add(run.x1, run.y1);
            }
            t.contours.push_back(&contour);
            t.contourBounds.push_back(b);
            all.add(b.x0, b.y0);
            all.add(b.x1, b.y1);
        }

    // Which tiles to make: those under the last change when the previous
    // strips are the ones it started from, else all of them.
    std::uint64_t before = 0;
    gpc_box changed{};
    const bool incremental = c.valid && gpc_find_change(digest, before, changed) && before == c.digest &&
                             tilesOver(all.x0, all.y0, all.x1, all.y1, c.tileSize).count() <= maxTiles;
    if (incremental) {
        const TileRange under = tilesOver(changed.x0, changed.y0, changed.x1, changed.y1, c.tileSize);
        for (auto it = c.tiles.begin(); it != c.tiles.end();) {
            const long j = it->first.first, i = it->first.second;
            if (i >= under.i0 && i <= under.i1 && j >= under.j0 && j <= under.j1) it = c.tiles.erase(it);
            else ++it;
        }
        const TileRange over = tilesOver(all.x0, all.y0, all.x1, all.y1, c.tileSize);
        gpc_counters_now().stripsReused += long(c.tiles.size());
        buildTiles(t, c, TileRange{std::max(under.i0, over.i0), std::max(under.j0, over.j0), std::min(under.i1, over.i1),
                                   std::min(under.j1, over.j1)});
        // A clip changes the level only near the stamp, up to its grid of
        // 2^-30 px; where the level is thinner than that grid, a whole
        // sliver far away can vanish. The areas tell: if the strips no
        // longer match the polygon, all tiles are made afresh.
        const Measure m = measure(*polygon);
        if (std::fabs(stripsArea(c) - m.area) > 1e-7 * std::fabs(m.area) + 2e-9 * m.outline) {
            ++gpc_counters_now().stripsRedone;
            c.tiles.clear();
            buildTiles(t, c, tilesOver(all.x0, all.y0, all.x1, all.y1, c.tileSize));
        }
    } else {
        c.tiles.clear();
        c.tileSize = baseTileSize;
        while (tilesOver(all.x0, all.y0, all.x1, all.y1, c.tileSize).count() > maxTiles) c.tileSize *= 2.0;
        buildTiles(t, c, tilesOver(all.x0, all.y0, all.x1, all.y1, c.tileSize));
    }
    c.valid = true;
    c.digest = digest;
    emit(c, tristrip);
    gpc_free_polygon(&normalised);
}

void gpc_forget_strips()
{
    cache() = StripCache{};
}
