#include "clip/gpc.h"

#include <cstdlib>

void gpc_free_polygon(gpc_polygon* polygon)
{
    if (!polygon) return;
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
    for (int s = 0; s < tristrip->num_strips; ++s) std::free(tristrip->strip[s].vertex);
    std::free(tristrip->strip);
    tristrip->strip = nullptr;
    tristrip->num_strips = 0;
}
