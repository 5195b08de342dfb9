// Helpers shared by the clipping layer's own files; not for the game.
#pragma once
#include <cmath>
#include <cstddef>

#include "clip/gpc.h"

// malloc and realloc that end the program with a message when memory runs
// out, the one failure the layer does not survive.
void* gpc_checked_malloc(std::size_t bytes);
void* gpc_checked_realloc(void* block, std::size_t bytes);

// A contour takes part in clipping and tessellation only when every
// coordinate is finite and within gpc_coordinate_limit.
inline bool gpc_contour_usable(const gpc_vertex_list& contour)
{
    if (contour.num_vertices <= 0 || !contour.vertex) return false;
    for (int v = 0; v < contour.num_vertices; ++v) {
        const gpc_vertex& p = contour.vertex[v];
        if (!(std::fabs(p.x) <= gpc_coordinate_limit) || !(std::fabs(p.y) <= gpc_coordinate_limit)) return false;
    }
    return true;
}
