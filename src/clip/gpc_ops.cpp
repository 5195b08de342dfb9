// PLACEHOLDER until the clipping layer lands: to be replaced whole.
#include "clip/gpc.h"
void gpc_polygon_clip(gpc_op, gpc_polygon*, gpc_polygon*, gpc_polygon* result) { *result = {0, nullptr, nullptr}; }
void gpc_polygon_to_tristrip(gpc_polygon*, gpc_tristrip* t) { *t = {0, nullptr}; }
void gpc_add_contour(gpc_polygon*, gpc_vertex_list*, int) {}
int gpc_read_polygon(FILE*, int, gpc_polygon* p) { *p = {0, nullptr, nullptr}; return 0; }
void gpc_write_polygon(FILE*, int, gpc_polygon*) {}
