// Fuzzes the polygon reader, the writer's round trip, and the clip and the
// strips of whatever was read: the whole-polygon clip against the windowed
// one along a few stamps centred on the polygon's own vertices.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "clip/gpc.h"
#include "fuzz_support.h"

using namespace fuzzcheck;

namespace {

gpc_polygon readFrom(std::string& text, int flags, int& complete)
{
    FILE* in = fmemopen(text.data(), text.size(), "r");
    require(in != nullptr, "memory stream opens");
    gpc_polygon p;
    complete = gpc_read_polygon(in, flags, &p);
    std::fclose(in);
    return p;
}

void checkRoundTrip(gpc_polygon& p, int flags)
{
    char* buffer = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&buffer, &length);
    gpc_write_polygon(out, flags, &p);
    std::fclose(out);
    std::string text(buffer, length);
    std::free(buffer);
    int complete = 0;
    gpc_polygon q = readFrom(text, flags, complete);
    require(complete == 1, "what was written reads back whole");
    require(q.num_contours == p.num_contours, "same contour count");
    for (int c = 0; c < p.num_contours; ++c) {
        require(q.contour[c].num_vertices == p.contour[c].num_vertices, "same vertex count");
        require(!flags || q.hole[c] == p.hole[c], "same hole flag");
        for (int v = 0; v < p.contour[c].num_vertices; ++v) {
            require(std::fabs(q.contour[c].vertex[v].x - p.contour[c].vertex[v].x) <= 1e-15, "x to 15 decimals");
            require(std::fabs(q.contour[c].vertex[v].y - p.contour[c].vertex[v].y) <= 1e-15, "y to 15 decimals");
        }
    }
    gpc_free_polygon(&q);
}

void checkStrips(gpc_polygon& p, double area)
{
    gpc_tristrip t;
    gpc_polygon_to_tristrip(&p, &t);
    const double covered = stripArea(t);
    require(std::fabs(covered - area) <= areaTolerance(area, p), "strips cover the polygon's area");
    checkLayout(t);
    gpc_free_tristrip(&t);
}

void replace(gpc_polygon& into, gpc_polygon& from)
{
    gpc_free_polygon(&into);
    into = from;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    if (text.empty()) text = " ";
    std::uint64_t seed = 1469598103934665603ULL;
    for (std::size_t i = 0; i < size; ++i) seed = (seed ^ data[i]) * 1099511628211ULL;

    for (int flags : {1, 0}) {
        int complete = -1;
        gpc_polygon p = readFrom(text, flags, complete);
        require(complete == 0 || complete == 1, "reader answers 0 or 1");
        checkRecord(p, true);
        checkRoundTrip(p, flags);
        if (flags == 0) {
            gpc_free_polygon(&p);
            continue;
        }

        // The strips of the raw polygon: no area to compare with, but they
        // must be readable, finite and laid out in columns.
        gpc_tristrip raw;
        gpc_polygon_to_tristrip(&p, &raw);
        stripArea(raw);
        checkLayout(raw);
        gpc_free_tristrip(&raw);

        gpc_polygon empty{0, nullptr, nullptr};
        gpc_polygon windowed, whole;
        gpc_polygon_clip(GPC_UNION, &p, &empty, &windowed);
        gpc_polygon_clip_whole(GPC_UNION, &p, &empty, &whole);
        const double areaNormalised = checkClipped(windowed);
        bool checking = clipperAgrees(whole, checkClipped(whole));
        if (checking) checkStrips(windowed, areaNormalised);

        // Stamps on the polygon's own vertices: the window's sides run close
        // to other vertices and edges there.
        static const double radii[] = {0.5, 1.0, 7.0, 40.0, 300.0, 1e-9};
        static const gpc_op ops[] = {GPC_UNION, GPC_DIFF, GPC_XOR, GPC_DIFF};
        for (int k = 0; k < 4 && windowed.num_contours > 0; ++k) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            const gpc_vertex_list& c = windowed.contour[(seed >> 33) % std::uint64_t(windowed.num_contours)];
            const gpc_vertex& at = c.vertex[(seed >> 17) % std::uint64_t(c.num_vertices)];
            const double r = radii[(seed >> 8) % 6];
            Stamp stamp(at.x + double((seed >> 40) % 3) - 1.0, at.y, r);
            const gpc_op op = ops[k];
            gpc_polygon a, b;
            gpc_polygon_clip(op, &windowed, &stamp.polygon, &a);
            gpc_polygon_clip_whole(op, &whole, &stamp.polygon, &b);
            replace(windowed, a);
            replace(whole, b);
            const double areaWindowed = checkClipped(windowed);
            const double areaWhole = checkClipped(whole);
            checking = checking && clipperAgrees(whole, areaWhole) && clipperAgrees(windowed, areaWindowed);
            if (!checking) continue;
            const double stampArea = 3.2 * r * r;
            require(std::fabs(areaWindowed - areaWhole) <= areaTolerance(areaWhole + stampArea, whole) + areaTolerance(0, stamp.polygon),
                    "windowed clip matches the whole-polygon clip");
            checkStrips(windowed, areaWindowed);
        }
        gpc_free_polygon(&windowed);
        gpc_free_polygon(&whole);
        gpc_free_polygon(&p);
    }
    return 0;
}
