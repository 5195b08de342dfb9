#include "clip/gpc.h"

#include <cstdio>
#include <cstdlib>

#include "clip/gpc_internal.h"

namespace {
[[noreturn]] void outOfMemory(std::size_t bytes)
{
    std::fprintf(stderr, "gpc: out of memory (%zu bytes)\n", bytes);
    std::exit(1);
}
}  // namespace

void* gpc_checked_malloc(std::size_t bytes)
{
    void* block = std::malloc(bytes ? bytes : 1);
    if (!block) outOfMemory(bytes);
    return block;
}

void* gpc_checked_realloc(void* block, std::size_t bytes)
{
    void* grown = std::realloc(block, bytes ? bytes : 1);
    if (!grown) outOfMemory(bytes);
    return grown;
}

void gpc_free_polygon(gpc_polygon* polygon)
{
    if (!polygon) return;
    if (polygon->contour)
        for (int c = 0; c < polygon->num_contours; ++c) std::free(polygon->contour[c].vertex);
    std::free(polygon->contour);
    std::free(polygon->hole);
    polygon->contour = nullptr;
    polygon->hole = nullptr;
    polygon->num_contours = 0;
}

void gpc_free_tristrip(gpc_tristrip* tristrip)
{
    if (!tristrip) return;
    if (tristrip->strip)
        for (int s = 0; s < tristrip->num_strips; ++s) std::free(tristrip->strip[s].vertex);
    std::free(tristrip->strip);
    tristrip->strip = nullptr;
    tristrip->num_strips = 0;
}

double gpc_contour_area(const gpc_vertex_list* contour)
{
    double s = 0.0;
    const int n = contour->num_vertices;
    for (int i = 0; i < n; ++i) {
        const gpc_vertex& a = contour->vertex[i];
        const gpc_vertex& b = contour->vertex[(i + 1) % n];
        s += a.x * b.y - b.x * a.y;
    }
    return s * 0.5;
}
