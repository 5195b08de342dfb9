// The layer's short memory of the polygons it produced (see gpc_internal.h).
#include <cstring>

#include "clip/gpc_internal.h"

namespace {

constexpr int remembered = 8;

struct Memo {
    std::uint64_t normalised[remembered] = {};
    bool normalisedUsed[remembered] = {};
    int nextNormalised = 0;
    gpc_counters counters;
    std::uint64_t forgotten = 0;
};

Memo& memo()
{
    thread_local Memo m;
    return m;
}

inline std::uint64_t mix(std::uint64_t h, std::uint64_t v)
{
    h ^= v + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
    h *= 0xBF58476D1CE4E5B9ULL;
    return h ^ (h >> 31);
}

inline std::uint64_t lane(std::uint64_t h, std::uint64_t v)
{
    h ^= v * 0x9E3779B97F4A7C15ULL;
    h = (h << 27) | (h >> 37);
    return h * 0xC2B2AE3D27D4EB4FULL + 0x165667B19E3779F9ULL;
}

inline std::uint64_t bits(double d)
{
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

}  // namespace

std::uint64_t gpc_polygon_digest(const gpc_polygon* polygon)
{
    // Two independent lanes, x and y, so the multiplications overlap.
    std::uint64_t a = 0x243F6A8885A308D3ULL, b = 0x13198A2E03707344ULL;
    if (!polygon || !polygon->contour || polygon->num_contours <= 0) return mix(a, b);
    a = mix(a, std::uint64_t(polygon->num_contours));
    for (int c = 0; c < polygon->num_contours; ++c) {
        const gpc_vertex_list& contour = polygon->contour[c];
        const int n = contour.vertex ? contour.num_vertices : 0;
        a = mix(a, std::uint64_t(std::uint32_t(n)) << 32 | std::uint32_t(polygon->hole ? polygon->hole[c] : 0));
        for (int v = 0; v < n; ++v) {
            a = lane(a, bits(contour.vertex[v].x));
            b = lane(b, bits(contour.vertex[v].y));
        }
    }
    return mix(a, b);
}

void gpc_remember_normalised(std::uint64_t digest)
{
    Memo& m = memo();
    if (gpc_is_normalised(digest)) return;
    m.normalised[m.nextNormalised] = digest;
    m.normalisedUsed[m.nextNormalised] = true;
    m.nextNormalised = (m.nextNormalised + 1) % remembered;
}

bool gpc_is_normalised(std::uint64_t digest)
{
    const Memo& m = memo();
    for (int i = 0; i < remembered; ++i)
        if (m.normalisedUsed[i] && m.normalised[i] == digest) return true;
    return false;
}

void gpc_forget_all()
{
    gpc_counters keep = memo().counters;
    const std::uint64_t forgotten = memo().forgotten + 1;
    memo() = Memo{};
    memo().counters = keep;
    memo().forgotten = forgotten;
}

std::uint64_t gpc_forget_count() { return memo().forgotten; }

gpc_counters& gpc_counters_now() { return memo().counters; }
