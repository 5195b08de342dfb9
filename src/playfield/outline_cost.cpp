// The sweep that prices an outline before it is made strictly simple.
//
// Bands lie between consecutive distinct vertex heights. Going down band by
// band, the edges that span a band are kept ordered by x: at the band's top
// (ties broken by the band's bottom), then at its bottom. Each swap the
// insertion sort makes to get from one order to the next is one pair of
// edges changing sides, that is one crossing: inside the band for the
// second sort, exactly at the band's top for the first. Edges that only
// touch, meet at a vertex or run along each other never swap. A horizontal
// edge crosses the edges that pass strictly between its ends at its height.
// Insertion sort costs the band's edges plus its swaps, so the whole sweep
// costs the cells plus the crossings, and it stops at the budget.
#include "playfield/outline_cost.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Edge {
    double topX, topY, bottomX, bottomY;
    int topBand, bottomBand;   // indices into the sorted distinct heights
    double xAt(double y) const
    {
        if (y == topY) return topX;
        if (y == bottomY) return bottomX;
        return topX + (y - topY) * (bottomX - topX) / (bottomY - topY);
    }
};

struct Horizontal {
    int band;
    double x0, x1;
};

struct Active {
    int edge;
    double first, second;   // the sort keys of the present step
};

bool usable(const gpc_vertex_list& contour)
{
    if (contour.num_vertices < 3 || !contour.vertex) return false;
    for (int v = 0; v < contour.num_vertices; ++v) {
        const gpc_vertex& p = contour.vertex[v];
        if (!(std::fabs(p.x) <= gpc_coordinate_limit) || !(std::fabs(p.y) <= gpc_coordinate_limit)) return false;
    }
    return true;
}

int bandOf(const std::vector<double>& heights, double y)
{
    return int(std::lower_bound(heights.begin(), heights.end(), y) - heights.begin());
}

// Stable insertion sort by (first, second); every swap is counted. False
// once the count passes limit.
bool sortCounting(std::vector<Active>& list, long long& count, long long limit)
{
    for (std::size_t i = 1; i < list.size(); ++i) {
        const Active item = list[i];
        std::size_t j = i;
        while (j > 0 && (item.first < list[j - 1].first ||
                         (item.first == list[j - 1].first && item.second < list[j - 1].second))) {
            list[j] = list[j - 1];
            --j;
            if (++count > limit) return false;
        }
        list[j] = item;
    }
    return true;
}

}  // namespace

bool outlineWithinBudget(const gpc_polygon& polygon, const OutlineBudget& budget, OutlineCost& cost)
{
    cost = OutlineCost{};
    std::vector<double> heights;
    for (int c = 0; c < polygon.num_contours && polygon.contour; ++c) {
        const gpc_vertex_list& contour = polygon.contour[c];
        if (!usable(contour)) continue;
        for (int v = 0; v < contour.num_vertices; ++v) heights.push_back(contour.vertex[v].y);
    }
    std::sort(heights.begin(), heights.end());
    heights.erase(std::unique(heights.begin(), heights.end()), heights.end());

    std::vector<Edge> edges;
    std::vector<Horizontal> horizontals;
    for (int c = 0; c < polygon.num_contours && polygon.contour; ++c) {
        const gpc_vertex_list& contour = polygon.contour[c];
        if (!usable(contour)) continue;
        for (int v = 0; v < contour.num_vertices; ++v) {
            const gpc_vertex& a = contour.vertex[v];
            const gpc_vertex& b = contour.vertex[(v + 1) % contour.num_vertices];
            if (a.y == b.y) {
                if (a.x != b.x) horizontals.push_back(Horizontal{bandOf(heights, a.y), std::min(a.x, b.x), std::max(a.x, b.x)});
                continue;
            }
            const gpc_vertex& top = a.y < b.y ? a : b;
            const gpc_vertex& bottom = a.y < b.y ? b : a;
            Edge e{top.x, top.y, bottom.x, bottom.y, bandOf(heights, top.y), bandOf(heights, bottom.y)};
            cost.cells += e.bottomBand - e.topBand;
            edges.push_back(e);
        }
    }
    // Edges and horizontal edges by the height they start at.
    const int bands = int(heights.size());
    std::vector<int> startsAt(bands + 1, 0), horizontalsAt(bands + 1, 0), endsAt(bands + 1, 0);
    for (const Edge& e : edges) {
        ++startsAt[e.topBand + 1];
        ++endsAt[e.bottomBand + 1];
    }
    for (const Horizontal& h : horizontals) ++horizontalsAt[h.band + 1];
    // A sweep places each edge that starts or ends at a height, and each
    // horizontal edge there, among all the edges at that height: many edges
    // through one point or along one line cost their number squared.
    // Placing an edge is a short walk, measured here at about an eighth of
    // the time a sweep spends on an edge in a band.
    constexpr long long placementsPerCell = 8;
    long long touching = 0, placements = 0;
    for (int i = 0; i < bands && cost.cells + placements / placementsPerCell <= budget.cells; ++i) {
        const long long starting = startsAt[i + 1], ending = endsAt[i + 1], flat = horizontalsAt[i + 1];
        touching += starting;
        placements += (starting + ending + flat) * (touching + flat);
        touching -= ending;
        startsAt[i + 1] += startsAt[i];
        horizontalsAt[i + 1] += horizontalsAt[i];
    }
    cost.cells += placements / placementsPerCell;
    if (cost.cells > budget.cells) return false;
    std::vector<int> byStart(edges.size());
    {
        std::vector<int> next(startsAt.begin(), startsAt.end() - 1);
        for (int i = 0; i < int(edges.size()); ++i) byStart[next[edges[i].topBand]++] = i;
    }
    std::vector<const Horizontal*> horizontalsByBand(horizontals.size());
    {
        std::vector<int> next(horizontalsAt.begin(), horizontalsAt.end() - 1);
        for (const Horizontal& h : horizontals) horizontalsByBand[next[h.band]++] = &h;
    }

    std::vector<Active> active, fresh, merged;
    long long& crossings = cost.crossings;
    for (int j = 0; j < bands; ++j) {
        const double y = heights[j];
        const double below = j + 1 < bands ? heights[j + 1] : y;
        // Edges that end here leave; the others are ordered at this height,
        // and those tied here by where they go next.
        std::size_t kept = 0;
        for (const Active& a : active) {
            if (edges[a.edge].bottomBand <= j) continue;
            active[kept++] = Active{a.edge, edges[a.edge].xAt(y), edges[a.edge].xAt(below)};
        }
        active.resize(kept);
        if (!sortCounting(active, crossings, budget.crossings)) return false;

        for (int h = horizontalsAt[j]; h < horizontalsAt[j + 1]; ++h) {
            const Horizontal& line = *horizontalsByBand[h];
            const auto from = std::upper_bound(active.begin(), active.end(), line.x0,
                                               [](double x, const Active& a) { return x < a.first; });
            const auto to = std::lower_bound(active.begin(), active.end(), line.x1,
                                             [](const Active& a, double x) { return a.first < x; });
            if (to > from) crossings += to - from;
            if (crossings > budget.crossings) return false;
        }
        if (j + 1 >= bands) break;

        fresh.clear();
        for (int s = startsAt[j]; s < startsAt[j + 1]; ++s) {
            const Edge& e = edges[byStart[s]];
            fresh.push_back(Active{byStart[s], e.topX, e.xAt(below)});
        }
        const auto byKeys = [](const Active& a, const Active& b) {
            return a.first < b.first || (a.first == b.first && a.second < b.second);
        };
        if (!fresh.empty()) {
            std::sort(fresh.begin(), fresh.end(), byKeys);
            merged.clear();
            std::merge(active.begin(), active.end(), fresh.begin(), fresh.end(), std::back_inserter(merged), byKeys);
            active.swap(merged);
        }
        // Down to the next height: every swap is a crossing inside the band.
        for (Active& a : active) {
            a.first = a.second;
            a.second = 0.0;
        }
        if (!sortCounting(active, crossings, budget.crossings)) return false;
    }
    return true;
}
