// Triangle strips by a sweep down the screen (increasing y), even-odd fill.
//
// Between two bounding edges the filled area forms a column of trapezoids,
// and one column is one strip. A column keeps a left and a right list of
// points; the strip alternates them, left first, and the longer list (the
// left, by one at most) ends it.
//
// - A column begins where a filled span appears: at a pointed top (the one
//   point goes on the left list) or along a line (a flat top, or where a
//   span is split or merged: left end on the left list, right end on the
//   right list).
// - While both bounds go on, every y at which either bound passes through
//   one of its own vertices adds a pair: the left bound's point at that y
//   and the right bound's. Vertices elsewhere at the same y add nothing.
// - A column ends where its span closes, is split or merged, or where a
//   bound turns along a horizontal edge (a step): both ends of the span at
//   that y close it, or its one point when the bounds meet there (on the
//   list whose turn it is).
// - Strips come out in the order their columns begin: down the screen, and
//   left to right among columns beginning at the same y.
//
// So the strips depend on the polygon's shape alone: not on where a contour
// starts, the contours' order, or anything made before. Vertices in the
// middle of a horizontal run, and repeated vertices, are no events.
//
// Edges of one contour or of two that cross, or that run along each other,
// leave no clean columns; such a polygon is first made strictly simple on
// the clip's grid, and the sweep runs on that.
//
// A stamp changes a polygon only in a band of y. The sweep keeps its state
// every few y values (checkpoints), and the next polygon's sweep starts at
// the last checkpoint above the first y where the two polygons' edges
// differ: down to there it would read the very same edges in the same order
// and reach the very same state. Below the band, once its state is the
// same as the last sweep's at one of its checkpoints (same edges open, each
// open column's next point due on the same list) and every edge still to
// come is the same, it would again do just what the last sweep did, so it
// takes the rest from it, columns renamed. The strips are exactly those of
// a sweep from the top either way (a unit test holds them to that).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "clip/gpc.h"
#include "clip/gpc_internal.h"

namespace {

// Edges farther out of order than this (px) at either end of a band cross.
constexpr double crossingTolerance = 1e-9;

// How often a tangled polygon is made strictly simple again before it is
// swept as it stands.
constexpr int maxNormalisePasses = 3;

struct Edge {
    double tx, ty;  // top end (smaller y)
    double bx, by;  // bottom end
    double dx;      // x per unit of y
    int next;       // the edge its bound goes on along below (bx, by), or -1
    int previous;   // the edge whose bound goes on along this one, or -1

    double xAt(double y) const
    {
        if (y == ty) return tx;
        if (y == by) return bx;
        return tx + dx * (y - ty);
    }
};

struct Point {
    int column;
    bool right;
    double x, y;
};

struct EdgeAt {
    double y;
    int edge;
    bool operator<(const EdgeAt& o) const { return y < o.y || (y == o.y && edge < o.edge); }
};

// Where emit puts a column's next left and right points.
struct Slot {
    gpc_vertex* vertex;
    int at[2];
};

// The sweep's state after one y, kept so that the next polygon can go on
// from it (see resumeFrom). Edges are kept by their place in tops, which
// two polygons with the same edges down to some y share.
struct Checkpoint {
    double yNext;           // the y swept next
    std::size_t nextTop, nextBottom, points;
    std::size_t columns;
    std::size_t at;         // where its active edges (and spans' columns, counts) are stored
};

// Checkpoints this many y values apart at least, and farther apart when
// many edges are open, so that what they keep stays within a few times
// the count of edges.
constexpr std::size_t checkpointEvery = 8;
constexpr std::size_t openEdgesPerY = 16;

// What one sweep needs; kept between calls so that a stamp allocates little.
struct Sweep {
    std::vector<Edge> edges;
    std::vector<EdgeAt> tops, bottoms;  // every edge by its top y, and by its bottom y
    std::vector<int> rank;        // per edge: its place in tops
    std::vector<Checkpoint> checkpoints;
    std::vector<int> savedActive, savedColumns, savedCounts;  // per checkpoint, from its at
    // The last strict sweep that went through, as it ended, when resumable.
    std::vector<Edge> lastEdges;
    std::vector<EdgeAt> lastTops;
    std::vector<int> lastRank;
    std::vector<Checkpoint> lastCheckpoints;
    std::vector<int> lastSavedActive, lastSavedColumns, lastSavedCounts;
    std::vector<Point> lastPoints;
    std::vector<int> lastLeftCount, lastRightCount;
    std::vector<int> rankMap, columnMap;  // scratch for finishFromLast
    bool resumable = false;
    std::uint64_t forgotten = 0;  // gpc_forget_count when it was kept
    std::vector<int> active;      // edges across the band below the current y, left to right
    std::vector<int> position;    // per edge: its place in active, or -1
    std::vector<int> spanColumn;  // per span (pair of active edges): its column
    std::vector<int> ending, starting, window, windowColumns;
    std::vector<double> top, bottom;  // per edge: x at the top and bottom of the band being ordered
    bool lookedBelow = false;     // an order was settled by edges below its band
    std::vector<int> leftCount, rightCount;  // per column
    std::vector<Point> points;
    std::vector<EdgeAt> sorted;   // scratch for sortEvents
    std::vector<int> buckets, bucketOf;
    std::vector<EdgeAt> goingOn, stopping;  // scratch for the bottoms
    std::vector<Slot> slots;      // scratch for emit
    std::vector<gpc_point> kept, optimal;  // one contour's vertices, runs and repeats left out
    bool tangled = false;         // edges crossed or ran along each other

    // Starts a new set of edges; the last ones are kept for comparison.
    void newEdges()
    {
        edges.swap(lastEdges);
        tops.swap(lastTops);
        rank.swap(lastRank);
        checkpoints.swap(lastCheckpoints);
        savedActive.swap(lastSavedActive);
        savedColumns.swap(lastSavedColumns);
        savedCounts.swap(lastSavedCounts);
        points.swap(lastPoints);
        leftCount.swap(lastLeftCount);
        rightCount.swap(lastRightCount);
        edges.clear();
        tops.clear();
        bottoms.clear();
    }

    // The state before the first y.
    void restart()
    {
        active.clear();
        spanColumn.clear();
        leftCount.clear();
        rightCount.clear();
        points.clear();
        checkpoints.clear();
        savedActive.clear();
        savedColumns.clear();
        savedCounts.clear();
        position.assign(edges.size(), -1);
        tangled = false;
    }
};

// Adds one ring's edges. Vertices repeated in a row count once, and a
// vertex inside a horizontal run (the same y as both neighbours) is none.
template <class Vertex>
void addRing(Sweep& s, const Vertex* ring, int n)
{
    std::vector<gpc_point>& v = s.kept;
    v.resize(std::size_t(n));
    std::size_t count = 0;
    for (int i = 0; i < n; ++i) {
        const gpc_point p{ring[i].x, ring[i].y};
        if (count == 0 || !(p == v[count - 1])) v[count++] = p;
    }
    while (count > 1 && v[0] == v[count - 1]) --count;
    if (count < 3) return;
    std::vector<gpc_point>& w = s.optimal;
    w.resize(count);
    std::size_t m = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double before = v[i == 0 ? count - 1 : i - 1].y, after = v[i + 1 == count ? 0 : i + 1].y;
        if (before != v[i].y || after != v[i].y) w[m++] = v[i];
    }
    if (m < 3) return;
    // Closed: w[m] and w[m + 1] repeat w[0] and w[1], w[-1] is w[m - 1].
    w.resize(m + 2);
    w[m] = w[0];
    w[m + 1] = w[1];

    // Edge i runs from w[i] to w[i + 1]; ids of the non-horizontal ones.
    const int base = int(s.edges.size());
    std::vector<int>& id = s.position;  // borrowed as scratch; reset before the sweep
    id.resize(m + 1);
    for (std::size_t i = 0; i < m; ++i) {
        const gpc_point& a = w[i];
        const gpc_point& b = w[i + 1];
        id[i] = -1;
        if (a.y == b.y) continue;
        id[i] = int(s.edges.size());
        Edge e{};
        if (a.y < b.y) e = Edge{a.x, a.y, b.x, b.y, 0.0, -1, -1};
        else e = Edge{b.x, b.y, a.x, a.y, 0.0, -1, -1};
        e.dx = (e.bx - e.tx) / (e.by - e.ty);
        s.edges.push_back(e);
    }
    // Downward along the ring (a.y < b.y), the bound goes on into edge i + 1
    // when that one keeps going down; upward along it, into edge i - 1.
    id[m] = id[0];
    for (std::size_t i = 0; i < m; ++i) {
        const int e = id[i];
        if (e < 0) continue;
        const gpc_point& a = w[i];
        const gpc_point& b = w[i + 1];
        if (a.y < b.y) {
            if (w[i + 2].y > b.y) s.edges[std::size_t(e)].next = id[i + 1];
        } else {
            const std::size_t previous = i == 0 ? m - 1 : i - 1;
            if (w[previous].y > a.y) s.edges[std::size_t(e)].next = id[previous];
        }
    }
    for (std::size_t e = std::size_t(base); e < s.edges.size(); ++e)
        if (s.edges[e].next >= 0) s.edges[std::size_t(s.edges[e].next)].previous = int(e);
}

int newColumn(Sweep& s)
{
    s.leftCount.push_back(0);
    s.rightCount.push_back(0);
    return int(s.leftCount.size()) - 1;
}

void addPoint(Sweep& s, int column, bool right, double x, double y)
{
    s.points.push_back(Point{column, right, x, y});
    ++(right ? s.rightCount : s.leftCount)[std::size_t(column)];
}

// Sorts events by y, then edge, as std::sort would: by buckets over the y
// range (the edges come in edge order and keep it within a bucket), then
// insertion within each bucket. Falls back to std::sort when the y values
// crowd into few buckets.
void sortEvents(std::vector<EdgeAt>& events, double lo, double hi, std::vector<EdgeAt>& sorted, std::vector<int>& buckets,
                std::vector<int>& bucketOf)
{
    const std::size_t n = events.size();
    if (n < 2) return;
    const std::size_t count = 2 * n;
    const double scale = double(count) / (hi - lo);
    if (!(scale < 1e300)) {  // all at one y, or a range too small to divide
        std::sort(events.begin(), events.end());
        return;
    }
    buckets.assign(count + 1, 0);
    bucketOf.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t b = std::min(count - 1, std::size_t((events[i].y - lo) * scale));
        bucketOf[i] = int(b);
        ++buckets[b + 1];
    }
    int crowd = 0;
    for (std::size_t b = 1; b <= count; ++b) {
        crowd = std::max(crowd, buckets[b]);
        buckets[b] += buckets[b - 1];
    }
    if (crowd > 32) {
        std::sort(events.begin(), events.end());
        return;
    }
    sorted.resize(n);
    for (std::size_t i = 0; i < n; ++i) sorted[std::size_t(buckets[std::size_t(bucketOf[i])]++)] = events[i];
    // Within a bucket the events stand in edge order already, so moving
    // each back only past greater y keeps equal y in edge order.
    for (std::size_t i = 1; i < n; ++i) {
        const EdgeAt e = sorted[i];
        std::size_t j = i;
        for (; j > 0 && e.y < sorted[j - 1].y; --j) sorted[j] = sorted[j - 1];
        sorted[j] = e;
    }
    events.swap(sorted);
}

// How many edges down each bound the order of two edges is looked for
// when they run within a hair of each other.
constexpr int maxPartingSteps = 8;

// Whether edge a goes left of edge b across the band from y to yNext (both
// cross all of it), by their x at the band's two ends: at the end where
// they lie farther apart, since a hair's crossing at the other end is the
// rounding of points cut on a grid, not a change of order. (Their x in the
// middle of a band would not do: on a nearly flat edge a rounding in y is a
// large step in x.) Where they lie within a hair of each other at both
// ends, it is where they part: below the band, following both bounds down
// (looking at edges below the band marks the sweep as not to be gone on
// from, see resumeFrom), or else above it.
bool goesLeftOf(Sweep& s, int a, int b)
{
    const Edge& l = s.edges[std::size_t(a)];
    const Edge& r = s.edges[std::size_t(b)];
    const double top = s.top[std::size_t(b)] - s.top[std::size_t(a)];
    const double bottom = s.bottom[std::size_t(b)] - s.bottom[std::size_t(a)];
    const double apart = std::fabs(top) >= std::fabs(bottom) ? top : bottom;
    if (std::fabs(apart) > crossingTolerance) return apart > 0;
    int p = a, q = b;
    for (int step = 0; step < maxPartingSteps && p >= 0 && q >= 0; ++step) {
        const Edge& left = s.edges[std::size_t(p)];
        const Edge& right = s.edges[std::size_t(q)];
        const double end = std::min(left.by, right.by);
        const double there = right.xAt(end) - left.xAt(end);
        if (step > 0) s.lookedBelow = true;
        if (std::fabs(there) > crossingTolerance) return there > 0;
        if (left.by == end) p = left.next;
        if (right.by == end) q = right.next;
    }
    const double start = std::max(l.ty, r.ty);
    const double above = r.xAt(start) - l.xAt(start);
    if (std::fabs(above) > crossingTolerance) return above > 0;
    if (apart != 0) return apart > 0;
    return l.ty < r.ty || (l.ty == r.ty && l.by <= r.by);  // along each other: any fixed order
}

// Puts edges in their order across the band from y to yNext.
void orderBand(Sweep& s, int* band, std::size_t count, double y, double yNext)
{
    for (std::size_t i = 0; i < count; ++i) {
        const Edge& e = s.edges[std::size_t(band[i])];
        s.top[std::size_t(band[i])] = e.xAt(y);
        s.bottom[std::size_t(band[i])] = e.xAt(yNext);
    }
    for (std::size_t i = 1; i < count; ++i) {
        const int e = band[i];
        std::size_t j = i;
        while (j > 0 && !goesLeftOf(s, band[j - 1], e)) {
            band[j] = band[j - 1];
            --j;
        }
        band[j] = e;
    }
}

// Whether edge a, left of edge b at y, stays left of it down to where
// either ends; edges that run along each other do not count as in order.
bool inOrder(const Sweep& s, int a, int b, double y)
{
    const Edge& l = s.edges[std::size_t(a)];
    const Edge& r = s.edges[std::size_t(b)];
    const double end = std::min(l.by, r.by);
    const double top = r.xAt(y) - l.xAt(y), bottom = r.xAt(end) - l.xAt(end);
    return top >= -crossingTolerance && bottom >= -crossingTolerance && !(top == 0 && bottom == 0);
}

// The first place in active whose edge lies at or right of x at y.
std::size_t firstAtOrRight(const Sweep& s, double x, double y)
{
    std::size_t lo = 0, hi = s.active.size();
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (s.edges[std::size_t(s.active[mid])].xAt(y) < x) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

// The edges added as events: by top y (then edge) and by bottom y.
void prepare(Sweep& s)
{
    s.tops.resize(s.edges.size());
    s.bottoms.resize(s.edges.size());
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (int e = 0; e < int(s.edges.size()); ++e) {
        const Edge& edge = s.edges[std::size_t(e)];
        s.tops[std::size_t(e)] = EdgeAt{edge.ty, e};
        lo = std::min(lo, edge.ty);
        hi = std::max(hi, edge.by);
    }
    sortEvents(s.tops, lo, hi, s.sorted, s.buckets, s.bucketOf);
    // Bottoms by y (the order among equal y does not matter to the sweep):
    // an edge whose bound goes on ends where the next edge begins, so those
    // come in the order of tops; the others are sorted apart and merged in.
    s.goingOn.clear();
    s.stopping.clear();
    for (const EdgeAt& top : s.tops) {
        const int previous = s.edges[std::size_t(top.edge)].previous;
        if (previous >= 0) s.goingOn.push_back(EdgeAt{top.y, previous});
    }
    for (int e = 0; e < int(s.edges.size()); ++e)
        if (s.edges[std::size_t(e)].next < 0) s.stopping.push_back(EdgeAt{s.edges[std::size_t(e)].by, e});
    sortEvents(s.stopping, lo, hi, s.sorted, s.buckets, s.bucketOf);
    std::merge(s.goingOn.begin(), s.goingOn.end(), s.stopping.begin(), s.stopping.end(), s.bottoms.begin(),
               [](const EdgeAt& a, const EdgeAt& b) { return a.y < b.y; });
    s.rank.resize(s.edges.size());
    for (std::size_t i = 0; i < s.tops.size(); ++i) s.rank[std::size_t(s.tops[i].edge)] = int(i);
    s.top.resize(s.edges.size());
    s.bottom.resize(s.edges.size());
    // Room for the sweep's per-y lists, which it fills by hand.
    s.ending.resize(s.edges.size() + 1);
    s.starting.resize(s.edges.size() + 1);
    s.window.resize(2 * s.edges.size() + 2);
    s.windowColumns.resize(s.edges.size() + 1);
}

// Whether edge e of the last polygon and edge f of this one are the same
// to the sweep: the same ends, the same bound above and below.
bool sameEdge(const Sweep& s, int e, int f)
{
    const Edge& a = s.lastEdges[std::size_t(e)];
    const Edge& b = s.edges[std::size_t(f)];
    if (std::memcmp(&a.tx, &b.tx, 4 * sizeof(double)) != 0 || (a.previous < 0) != (b.previous < 0)) return false;
    if ((a.next < 0) != (b.next < 0)) return false;
    return a.next < 0 || s.lastRank[std::size_t(a.next)] == s.rank[std::size_t(b.next)];
}

// The last checkpoint of the last sweep that this polygon's sweep passes
// through as well, or -1. Down to the first y at which the two polygons'
// edges differ (tops compared in order: same ends, same bounds), the sweep
// reads the same edges in the same order, so its state there is the same,
// edges renamed by their place in tops. A checkpoint counts when the y
// swept after it still lies above that y.
long resumeFrom(const Sweep& s)
{
    if (!s.resumable || s.lastCheckpoints.empty()) return -1;
    const std::size_t common = std::min(s.lastTops.size(), s.tops.size());
    std::size_t same = 0;
    while (same < common && sameEdge(s, s.lastTops[same].edge, s.tops[same].edge)) ++same;
    double differs = HUGE_VAL;
    if (same < s.lastTops.size()) differs = s.lastTops[same].y;
    if (same < s.tops.size()) differs = std::min(differs, s.tops[same].y);
    long found = -1;
    for (std::size_t c = 0; c < s.lastCheckpoints.size() && s.lastCheckpoints[c].yNext < differs; ++c) found = long(c);
    return found;
}

// How many of the last tops, counted from the end, are the same as this
// polygon's (as sameEdge, the bounds below renamed by the shift between
// the two tops' places).
std::size_t sameTail(const Sweep& s)
{
    if (!s.resumable) return 0;
    const std::size_t common = std::min(s.lastTops.size(), s.tops.size());
    const long shift = long(s.tops.size()) - long(s.lastTops.size());
    std::size_t same = 0;
    for (; same < common; ++same) {
        const Edge& a = s.lastEdges[std::size_t(s.lastTops[s.lastTops.size() - 1 - same].edge)];
        const Edge& b = s.edges[std::size_t(s.tops[s.tops.size() - 1 - same].edge)];
        if (std::memcmp(&a.tx, &b.tx, 4 * sizeof(double)) != 0 || (a.previous < 0) != (b.previous < 0)) break;
        if ((a.next < 0) != (b.next < 0)) break;
        if (a.next >= 0 && s.lastRank[std::size_t(a.next)] + shift != s.rank[std::size_t(b.next)]) break;
    }
    return same;
}

void saveCheckpoint(Sweep& s, double yNext, std::size_t nextTop, std::size_t nextBottom)
{
    s.checkpoints.push_back(
        Checkpoint{yNext, nextTop, nextBottom, s.points.size(), s.leftCount.size(), s.savedActive.size()});
    const std::size_t at = s.savedActive.size(), spans = s.spanColumn.size();
    s.savedActive.resize(at + s.active.size());
    s.savedColumns.resize(at / 2 + spans);
    s.savedCounts.resize(at + 2 * spans);
    int* active = s.savedActive.data() + at;
    for (std::size_t i = 0; i < s.active.size(); ++i) active[i] = s.rank[std::size_t(s.active[i])];
    std::copy(s.spanColumn.begin(), s.spanColumn.end(), s.savedColumns.begin() + std::ptrdiff_t(at / 2));
    int* counts = s.savedCounts.data() + at;
    for (std::size_t span = 0; span < spans; ++span) {
        const std::size_t column = std::size_t(s.spanColumn[span]);
        counts[2 * span] = s.leftCount[column];
        counts[2 * span + 1] = s.rightCount[column];
    }
}

// Puts the state back as it was at checkpoint c, edges renamed to this
// polygon's by their place in tops; later checkpoints are dropped.
void restore(Sweep& s, std::size_t c, std::size_t& nextTop, std::size_t& nextBottom)
{
    const Checkpoint k = s.lastCheckpoints[c];
    const std::size_t end = c + 1 < s.lastCheckpoints.size() ? s.lastCheckpoints[c + 1].at : s.lastSavedActive.size();
    s.position.assign(s.edges.size(), -1);
    s.active.clear();
    for (std::size_t i = k.at; i < end; ++i) {
        const int e = s.tops[std::size_t(s.lastSavedActive[i])].edge;
        s.position[std::size_t(e)] = int(s.active.size());
        s.active.push_back(e);
    }
    s.spanColumn.assign(s.lastSavedColumns.begin() + std::ptrdiff_t(k.at / 2),
                        s.lastSavedColumns.begin() + std::ptrdiff_t(end / 2));
    s.points.assign(s.lastPoints.begin(), s.lastPoints.begin() + std::ptrdiff_t(k.points));
    s.leftCount.assign(s.lastLeftCount.begin(), s.lastLeftCount.begin() + std::ptrdiff_t(k.columns));
    s.rightCount.assign(s.lastRightCount.begin(), s.lastRightCount.begin() + std::ptrdiff_t(k.columns));
    for (std::size_t span = 0; span < s.spanColumn.size(); ++span) {
        const std::size_t column = std::size_t(s.spanColumn[span]);
        s.leftCount[column] = s.lastSavedCounts[k.at + 2 * span];
        s.rightCount[column] = s.lastSavedCounts[k.at + 2 * span + 1];
    }
    s.checkpoints.assign(s.lastCheckpoints.begin(), s.lastCheckpoints.begin() + std::ptrdiff_t(c + 1));
    s.savedActive.assign(s.lastSavedActive.begin(), s.lastSavedActive.begin() + std::ptrdiff_t(end));
    s.savedColumns.assign(s.lastSavedColumns.begin(), s.lastSavedColumns.begin() + std::ptrdiff_t(end / 2));
    s.savedCounts.assign(s.lastSavedCounts.begin(), s.lastSavedCounts.begin() + std::ptrdiff_t(end));
    s.tangled = false;
    nextTop = k.nextTop;
    nextBottom = k.nextBottom;
}

// Whether this sweep, having just swept down to the same place in the
// same tail of edges as the last sweep's checkpoint k (shift: the
// difference of their places in tops), has the same state there: the same
// active edges, bounds below renamed by the shift, and in each span a
// column whose next point goes on the same list. From there on it would
// read the same edges in the same order as the last sweep did.
bool caughtUp(const Sweep& s, const Checkpoint& k, std::size_t end, long shift)
{
    if (end - k.at != s.active.size()) return false;
    for (std::size_t i = 0; i < s.active.size(); ++i) {
        const Edge& a = s.lastEdges[std::size_t(s.lastTops[std::size_t(s.lastSavedActive[k.at + i])].edge)];
        const Edge& b = s.edges[std::size_t(s.active[i])];
        if (std::memcmp(&a.tx, &b.tx, 4 * sizeof(double)) != 0) return false;
        if ((a.next < 0) != (b.next < 0)) return false;
        if (a.next >= 0 && s.lastRank[std::size_t(a.next)] + shift != s.rank[std::size_t(b.next)]) return false;
    }
    for (std::size_t span = 0; span < s.spanColumn.size(); ++span) {
        const std::size_t column = std::size_t(s.spanColumn[span]);
        const bool lastLeftAhead = s.lastSavedCounts[k.at + 2 * span] > s.lastSavedCounts[k.at + 2 * span + 1];
        if ((s.leftCount[column] > s.rightCount[column]) != lastLeftAhead) return false;
    }
    return true;
}

// Finishes this sweep from the last one's, caught up at its checkpoint c:
// the last sweep's later points and checkpoints, its columns renamed (those
// open at c to this sweep's open ones, later ones after this sweep's) and
// its edges too (open ones likewise, later ones by the shift in tops).
void finishFromLast(Sweep& s, std::size_t c, long shift)
{
    const Checkpoint k = s.lastCheckpoints[c];
    const std::size_t end = c + 1 < s.lastCheckpoints.size() ? s.lastCheckpoints[c + 1].at : s.lastSavedActive.size();
    const std::size_t columns = s.leftCount.size(), points = s.points.size();
    s.columnMap.assign(k.columns, -1);
    for (std::size_t span = 0; span < s.spanColumn.size(); ++span) {
        const int column = s.spanColumn[span];
        s.columnMap[std::size_t(s.lastSavedColumns[k.at / 2 + span])] = column;
    }
    s.rankMap.assign(s.lastTops.size(), -1);
    for (std::size_t i = k.at; i < end; ++i) s.rankMap[std::size_t(s.lastSavedActive[i])] = s.rank[std::size_t(s.active[i - k.at])];
    auto column = [&](int last) {
        return std::size_t(last) < k.columns ? s.columnMap[std::size_t(last)] : int(std::size_t(last) - k.columns + columns);
    };
    auto rankOf = [&](int last) { return last >= int(k.nextTop) ? int(long(last) + shift) : s.rankMap[std::size_t(last)]; };

    // Counts the open columns had at c in the last sweep, to carry later
    // counts over as differences.
    std::vector<int>& before = s.buckets;  // scratch: per column of this sweep open at c
    before.assign(2 * columns, 0);
    for (std::size_t span = 0; span < s.spanColumn.size(); ++span) {
        const std::size_t mine = std::size_t(s.spanColumn[span]);
        before[2 * mine] = s.leftCount[mine] - s.lastSavedCounts[k.at + 2 * span];
        before[2 * mine + 1] = s.rightCount[mine] - s.lastSavedCounts[k.at + 2 * span + 1];
    }

    // The points: open columns gain what they gained in the last sweep,
    // later ones have what they had.
    for (std::size_t span = 0; span < s.spanColumn.size(); ++span) {
        const std::size_t last = std::size_t(s.lastSavedColumns[k.at / 2 + span]);
        const std::size_t mine = std::size_t(s.spanColumn[span]);
        s.leftCount[mine] += s.lastLeftCount[last] - s.lastSavedCounts[k.at + 2 * span];
        s.rightCount[mine] += s.lastRightCount[last] - s.lastSavedCounts[k.at + 2 * span + 1];
    }
    s.leftCount.insert(s.leftCount.end(), s.lastLeftCount.begin() + std::ptrdiff_t(k.columns), s.lastLeftCount.end());
    s.rightCount.insert(s.rightCount.end(), s.lastRightCount.begin() + std::ptrdiff_t(k.columns), s.lastRightCount.end());
    s.points.resize(points + (s.lastPoints.size() - k.points));
    Point* to = s.points.data() + points;
    for (std::size_t i = k.points; i < s.lastPoints.size(); ++i, ++to) {
        *to = s.lastPoints[i];
        to->column = column(to->column);
    }

    // The later checkpoints, stored after the ones kept.
    const std::size_t at = s.savedActive.size();
    const long moved = long(at) - long(end);
    for (std::size_t later = c + 1; later < s.lastCheckpoints.size(); ++later) {
        const Checkpoint& l = s.lastCheckpoints[later];
        s.checkpoints.push_back(Checkpoint{l.yNext, std::size_t(long(l.nextTop) + shift), std::size_t(long(l.nextBottom) + shift),
                                           l.points - k.points + points,
                                           l.columns - k.columns + columns, std::size_t(long(l.at) + moved)});
    }
    const std::size_t count = s.lastSavedActive.size() - end;
    s.savedActive.resize(at + count);
    s.savedColumns.resize((at + count) / 2);
    s.savedCounts.resize(at + count);
    int* active = s.savedActive.data() + at;
    for (std::size_t i = 0; i < count; ++i) active[i] = rankOf(s.lastSavedActive[end + i]);
    int* spanColumns = s.savedColumns.data() + at / 2;
    int* counts = s.savedCounts.data() + at;
    for (std::size_t span = 0; span < count / 2; ++span) {
        const int last = s.lastSavedColumns[end / 2 + span];
        const int mine = column(last);
        spanColumns[span] = mine;
        const bool open = std::size_t(last) < k.columns;
        counts[2 * span] = s.lastSavedCounts[end + 2 * span] + (open ? before[2 * std::size_t(mine)] : 0);
        counts[2 * span + 1] = s.lastSavedCounts[end + 2 * span + 1] + (open ? before[2 * std::size_t(mine) + 1] : 0);
    }
}

// The sweep over the edges prepared. At each y only the spans whose bounds
// end there, or that new edges fall into, are looked at again: a span left
// alone goes on and takes no points. When edges cross or run along each
// other (found as neighbours, where two edges first meet in the sweep), a
// strict sweep gives up (false); otherwise it goes on as well as it can.
//
// It starts from the top or from the last sweep's checkpoint resume (>= 0).
// A strict sweep keeps checkpoints, and once past the edges
// that differ from the last polygon's (the last tail edges are the same),
// it looks for the last sweep's checkpoint at the same place to catch up
// with and take the rest from.
bool sweep(Sweep& s, bool strict, long resume, std::size_t tail)
{
    std::size_t nextTop = 0, nextBottom = 0, sinceCheckpoint = 0;
    if (resume >= 0) restore(s, std::size_t(resume), nextTop, nextBottom);
    else s.restart();
    const std::size_t topCount = s.tops.size(), bottomCount = s.bottoms.size();
    const long shift = long(topCount) - long(s.lastTops.size());
    std::size_t look = resume >= 0 ? std::size_t(resume) + 1 : 0;  // the last sweep's checkpoint to catch up with
    if (!strict || tail == 0) look = s.lastCheckpoints.size();
    const Edge* edges = s.edges.data();
    const EdgeAt* tops = s.tops.data();
    const EdgeAt* bottoms = s.bottoms.data();
    int* ending = s.ending.data();
    int* starting = s.starting.data();
    int* window = s.window.data();
    int* windowColumns = s.windowColumns.data();
    while (nextBottom < bottomCount) {
        double y = bottoms[nextBottom].y;
        if (nextTop < topCount) y = std::min(y, tops[nextTop].y);
        std::size_t endingCount = 0, startingCount = 0;
        while (nextBottom < bottomCount && bottoms[nextBottom].y == y) ending[endingCount++] = bottoms[nextBottom++].edge;
        for (; nextTop < topCount && tops[nextTop].y == y; ++nextTop)
            if (edges[tops[nextTop].edge].previous < 0) starting[startingCount++] = tops[nextTop].edge;
        double yNext = nextBottom < bottomCount ? bottoms[nextBottom].y : y;
        if (nextTop < topCount) yNext = std::min(yNext, tops[nextTop].y);

        // The window: whole spans of active, from lo to hi, around every edge
        // that ends here and every place a new edge goes.
        const std::size_t activeCount = s.active.size();
        std::size_t lo = activeCount, hi = 0;
        for (std::size_t k = 0; k < endingCount; ++k) {
            const int at = s.position[std::size_t(ending[k])];
            if (at < 0) continue;  // left out of a tangle
            lo = std::min(lo, std::size_t(at) & ~std::size_t(1));
            hi = std::max(hi, (std::size_t(at) | 1) + 1);
        }
        for (std::size_t k = 0; k < startingCount && activeCount > 0; ++k) {
            const double x = edges[starting[k]].tx;
            const std::size_t first = firstAtOrRight(s, x - crossingTolerance, y);
            std::size_t last = first;
            while (last < activeCount && edges[s.active[last]].xAt(y) <= x + crossingTolerance) ++last;
            const std::size_t from = first > 0 ? first - 1 : 0, to = std::min(last, activeCount - 1);
            lo = std::min(lo, from & ~std::size_t(1));
            hi = std::max(hi, (to | 1) + 1);
        }
        hi = std::min(hi, activeCount);
        if (lo > hi) lo = hi = activeCount & ~std::size_t(1);

        // The window's edges below y: those going on through y, the ones
        // their bounds go on along, and the bounds that begin at y.
        std::size_t n = 0;
        for (std::size_t i = lo; i < hi; ++i) {
            const int e = s.active[i];
            const Edge& edge = edges[e];
            if (edge.by > y) window[n++] = e;
            else if (edge.next >= 0) window[n++] = edge.next;
        }
        for (std::size_t k = 0; k < startingCount; ++k) window[n++] = starting[k];
        if (yNext > y) orderBand(s, window, n, y, yNext);
        else n = 0;  // nothing goes on below the last y

        // New neighbours must not cross or run along each other.
        const int before = lo > 0 ? s.active[lo - 1] : -1;
        const int after = hi < activeCount ? s.active[hi] : -1;
        int left = before;
        for (std::size_t i = 0; i <= n; ++i) {
            const int right = i < n ? window[i] : after;
            if (left >= 0 && right >= 0 && !inOrder(s, left, right, y)) s.tangled = true;
            left = right;
        }
        if (n % 2 != 0) {  // cannot happen for closed rings
            s.tangled = true;
            --n;
        }
        if (s.tangled && strict) return false;

        // The window's spans above y go on into a span below, or end here.
        for (std::size_t i = 0; i < n; ++i) s.position[std::size_t(window[i])] = int(i);
        const std::size_t spans = n / 2;
        std::fill(windowColumns, windowColumns + spans, -1);
        for (std::size_t span = lo / 2; span < hi / 2; ++span) {
            const int column = s.spanColumn[span];
            const int l = s.active[2 * span], r = s.active[2 * span + 1];
            const Edge& leftEdge = edges[l];
            const Edge& rightEdge = edges[r];
            const int goesLeft = leftEdge.by > y ? l : leftEdge.next;
            const int goesRight = rightEdge.by > y ? r : rightEdge.next;
            const double xl = leftEdge.xAt(y), xr = rightEdge.xAt(y);
            bool goesOn = false;
            if (goesLeft >= 0 && goesRight >= 0) {
                const int at = s.position[std::size_t(goesLeft)];
                goesOn = at >= 0 && at % 2 == 0 && std::size_t(at + 1) < n && window[at] == goesLeft &&
                         window[at + 1] == goesRight;
                if (goesOn) windowColumns[at / 2] = column;
            }
            if (goesOn) {
                if (leftEdge.by == y || rightEdge.by == y) {  // a vertex on a bound
                    addPoint(s, column, false, xl, y);
                    addPoint(s, column, true, xr, y);
                }
            } else if (xl == xr) {  // pointed bottom: on the list whose turn it is
                const bool rightsTurn = s.leftCount[std::size_t(column)] > s.rightCount[std::size_t(column)];
                addPoint(s, column, rightsTurn, xl, y);
            } else {
                addPoint(s, column, false, xl, y);
                addPoint(s, column, true, xr, y);
            }
        }
        // Spans below y that no column goes on into begin one, left to right.
        for (std::size_t span = 0; span < spans; ++span) {
            if (windowColumns[span] >= 0) continue;
            const int column = newColumn(s);
            windowColumns[span] = column;
            const double xl = edges[window[2 * span]].xAt(y);
            const double xr = edges[window[2 * span + 1]].xAt(y);
            addPoint(s, column, false, xl, y);
            if (xl != xr) addPoint(s, column, true, xr, y);
        }

        // The window replaces its part of active; the places after it are
        // renumbered only when the count of edges changed.
        for (std::size_t i = lo; i < hi; ++i) s.position[std::size_t(s.active[i])] = -1;
        if (n == hi - lo) {
            std::copy(window, window + n, s.active.begin() + std::ptrdiff_t(lo));
            std::copy(windowColumns, windowColumns + spans, s.spanColumn.begin() + std::ptrdiff_t(lo / 2));
            for (std::size_t i = lo; i < hi; ++i) s.position[std::size_t(s.active[i])] = int(i);
        } else {
            s.active.erase(s.active.begin() + std::ptrdiff_t(lo), s.active.begin() + std::ptrdiff_t(hi));
            s.active.insert(s.active.begin() + std::ptrdiff_t(lo), window, window + n);
            s.spanColumn.erase(s.spanColumn.begin() + std::ptrdiff_t(lo / 2), s.spanColumn.begin() + std::ptrdiff_t(hi / 2));
            s.spanColumn.insert(s.spanColumn.begin() + std::ptrdiff_t(lo / 2), windowColumns, windowColumns + spans);
            for (std::size_t i = lo; i < s.active.size(); ++i) s.position[std::size_t(s.active[i])] = int(i);
        }
        // (After the last y, what comes next is nothing: a polygon with
        // more below cannot go on from there.)
        if (strict && ++sinceCheckpoint >= std::max(checkpointEvery, s.active.size() / openEdgesPerY)) {
            saveCheckpoint(s, nextBottom < bottomCount ? yNext : HUGE_VAL, nextTop, nextBottom);
            sinceCheckpoint = 0;
        }

        if (look < s.lastCheckpoints.size() && nextTop + tail >= topCount && nextBottom < bottomCount) {
            const long top = long(nextTop) - shift, bottom = long(nextBottom) - shift;
            while (look < s.lastCheckpoints.size() &&
                   (long(s.lastCheckpoints[look].nextTop) < top ||
                    (long(s.lastCheckpoints[look].nextTop) == top && long(s.lastCheckpoints[look].nextBottom) < bottom)))
                ++look;
            if (look < s.lastCheckpoints.size()) {
                const Checkpoint& k = s.lastCheckpoints[look];
                const std::size_t end =
                    look + 1 < s.lastCheckpoints.size() ? s.lastCheckpoints[look + 1].at : s.lastSavedActive.size();
                if (long(k.nextTop) == top && long(k.nextBottom) == bottom && k.yNext == yNext && caughtUp(s, k, end, shift)) {
                    ++gpc_counters_now().stripsCaughtUp;
                    finishFromLast(s, look, shift);
                    return true;
                }
            }
        }
    }
    return !s.tangled;
}

// Collects the usable contours as rings.
void usableRings(const gpc_polygon& polygon, std::vector<gpc_point>& points, std::vector<int>& lengths)
{
    points.clear();
    lengths.clear();
    for (int c = 0; c < polygon.num_contours; ++c) {
        const gpc_vertex_list& contour = polygon.contour[c];
        if (!gpc_contour_usable(contour)) continue;
        for (int v = 0; v < contour.num_vertices; ++v) points.push_back({contour.vertex[v].x, contour.vertex[v].y});
        lengths.push_back(contour.num_vertices);
    }
}

// A strict sweep goes on from the last one's state where it can, and can
// be gone on from in turn when it goes through.
template <class AddRings>
bool sweepRings(Sweep& s, bool strict, AddRings addRings)
{
    s.newEdges();
    addRings();
    prepare(s);
    if (s.forgotten != gpc_forget_count()) s.resumable = false;
    s.forgotten = gpc_forget_count();
    const long resume = strict ? resumeFrom(s) : -1;
    if (resume >= 0) ++gpc_counters_now().stripsResumed;
    s.lookedBelow = false;
    const bool through = sweep(s, strict, resume, strict ? sameTail(s) : 0);
    s.resumable = strict && through && !s.lookedBelow;
    return through;
}

void emit(Sweep& s, gpc_tristrip* tristrip)
{
    const std::size_t columns = s.leftCount.size();
    int strips = 0;
    for (std::size_t c = 0; c < columns; ++c)
        if (s.leftCount[c] + s.rightCount[c] >= 3) ++strips;
    tristrip->num_strips = strips;
    tristrip->strip = nullptr;
    if (strips == 0) return;
    tristrip->strip = static_cast<gpc_vertex_list*>(gpc_checked_malloc(sizeof(gpc_vertex_list) * std::size_t(strips)));
    // Per column, where its strip's vertices go (none for a column of fewer
    // than three points): the left list takes the even places, the right
    // list the odd ones.
    s.slots.resize(columns);
    gpc_vertex_list* list = tristrip->strip;
    for (std::size_t c = 0; c < columns; ++c) {
        const int n = s.leftCount[c] + s.rightCount[c];
        Slot& slot = s.slots[c];
        slot = Slot{nullptr, {0, 1}};
        if (n < 3) continue;
        list->num_vertices = n;
        list->vertex = static_cast<gpc_vertex*>(gpc_checked_malloc(sizeof(gpc_vertex) * std::size_t(n)));
        slot.vertex = list->vertex;
        ++list;
    }
    for (const Point& p : s.points) {
        Slot& slot = s.slots[std::size_t(p.column)];
        if (!slot.vertex) continue;
        int& at = slot.at[p.right ? 1 : 0];
        slot.vertex[at] = gpc_vertex{p.x, p.y, p.x, p.y};
        at += 2;
    }
}

}  // namespace

void gpc_polygon_to_tristrip(gpc_polygon* polygon, gpc_tristrip* tristrip)
{
    if (!tristrip) return;
    tristrip->num_strips = 0;
    tristrip->strip = nullptr;
    if (!polygon || polygon->num_contours <= 0 || !polygon->contour) return;

    thread_local Sweep s;
    thread_local std::vector<gpc_point> points, cleanPoints;
    thread_local std::vector<int> lengths, cleanLengths;
    auto contours = [&] {
        for (int c = 0; c < polygon->num_contours; ++c) {
            const gpc_vertex_list& contour = polygon->contour[c];
            if (gpc_contour_usable(contour)) addRing(s, contour.vertex, contour.num_vertices);
        }
    };
    auto rings = [&](const std::vector<gpc_point>& ringPoints, const std::vector<int>& ringLengths) {
        return [&] {
            std::size_t at = 0;
            for (int n : ringLengths) {
                addRing(s, ringPoints.data() + at, n);
                at += std::size_t(n);
            }
        };
    };
    if (!sweepRings(s, true, contours)) {
        // Crossing or overlapping edges: sweep the same area made strictly
        // simple. Clipper's answer to a badly degenerate outline can itself
        // still hold edges that run along each other, and a second pass
        // settles them; should it still be tangled (or Clipper fail), the
        // last rings are swept as well as they can be.
        usableRings(*polygon, points, lengths);
        bool clean = false;
        for (int pass = 0; pass < maxNormalisePasses && !clean; ++pass) {
            if (!gpc_normalise_rings(points, lengths, cleanPoints, cleanLengths)) break;
            points.swap(cleanPoints);
            lengths.swap(cleanLengths);
            clean = sweepRings(s, true, rings(points, lengths));
        }
        if (!clean) sweepRings(s, false, rings(points, lengths));
    }
    emit(s, tristrip);
}
