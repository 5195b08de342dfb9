// The polygon records and operations the game clips with.
//
// Our own layer: boolean operations on Clipper, triangle strips from a sweep
// of our own, and the polygon text format with hole flags. Every array in
// these records is allocated with malloc and released with free, so records
// from any of the operations below can be freed by gpc_free_polygon and
// gpc_free_tristrip.
//
// Contract the simulation relies on:
// - inputs are filled by the even-odd rule; input hole flags are ignored;
// - outer contours come out counter-clockwise on the screen (y down), i.e.
//   with a negative signed area sum((x[i]*y[i+1] - x[i+1]*y[i]) / 2); holes
//   come out clockwise (positive area) with hole flag 1;
// - input vertices that survive keep their coordinates; no repeated
//   consecutive vertices and no zero-area contours come out; contours that
//   touch at a point come out as separate contours;
// - contours come out in the order of the earliest input vertex they keep
//   (subject first) and start at it, so what an operation leaves alone
//   comes back exactly as it was;
// - the strips cover exactly the polygon's area, holes excluded, and are
//   laid out by the polygon's shape alone;
// - nothing a level file or the editor can produce aborts the program.
//
// Contours with a coordinate that is not finite or lies beyond
// gpc_coordinate_limit take no part in clipping or strips. Running out of
// memory ends the program with a message, as the game's design has it.
//
// The clip remembers the last polygons it made (by content, per thread) so
// that a stamp redoes only the part of the level it touches; the strips go
// on from the last polygon's sweep where the two polygons agree, with the
// very answer a sweep from the top would give.
#pragma once
#include <cstdio>

enum gpc_op {
    GPC_DIFF = 0,
    GPC_INT = 1,
    GPC_XOR = 2,
    GPC_UNION = 3,
};

struct gpc_vertex {
    double x;   // level position: all the clipping computes, all a file stores
    double y;
    double rx;  // rotated (screen) position, written only by rotatePlayfield
    double ry;
};

struct gpc_vertex_list {
    int num_vertices;
    gpc_vertex* vertex;
};

struct gpc_polygon {
    int num_contours;
    int* hole;
    gpc_vertex_list* contour;
};

struct gpc_tristrip {
    int num_strips;
    gpc_vertex_list* strip;
};

// Coordinates beyond this magnitude are refused by the reader.
constexpr double gpc_coordinate_limit = 1000000.0;

// Reads the text format: contour count, then per contour its vertex count,
// its hole flag (when read_hole_flags is non-zero) and its vertices as pairs
// of numbers. Any run of blanks, tabs, carriage returns and line feeds
// separates numbers. The reader trusts no count: it stops at the first count
// or number that is missing, negative, not a number, not finite or beyond
// the coordinate limit, and keeps what it has read, with counts that match
// the arrays: a contour whose count (and flag) were read stays, with the
// whole vertices read so far. Arrays grow as numbers arrive, never ahead of
// them. polygon is overwritten, not freed. Returns 1 when the whole section
// was read, 0 when it stopped early. The stream is left right after the
// last number read, or at the bad token where reading stopped (a partly
// read token is consumed). Numbers are read the same in every locale.
int gpc_read_polygon(FILE* infile, int read_hole_flags, gpc_polygon* polygon);
// Writes "%d\n" counts and flags and "% .15lf % .15lf\n" vertex lines, line
// feeds only, the same in every locale.
void gpc_write_polygon(FILE* outfile, int write_hole_flags, gpc_polygon* polygon);

// Appends a copy of contour to polygon with the given hole flag.
void gpc_add_contour(gpc_polygon* polygon, gpc_vertex_list* contour, int hole);

// result = subject (op) clip. result is overwritten without being freed;
// it may not alias either operand. A null operand counts as empty. Should
// the operation fail (an unknown op, Clipper giving up), result is a copy of
// the subject's usable contours, so a stamp that cannot be made changes
// nothing.
void gpc_polygon_clip(gpc_op op, gpc_polygon* subject, gpc_polygon* clip, gpc_polygon* result);
// Triangle strips covering the polygon (even-odd fill), each of three or
// more vertices: one strip per column of trapezoids between two bounding
// edges, in the order the columns begin down the screen (left to right at
// the same y). A strip alternates its column's left and right points, left
// first; gpc_tristrip.cpp tells where a column begins, takes points and
// ends. The strips are a function of the polygon's shape alone: the same
// whatever vertex a contour starts at, whatever the contours' order, and
// moved with the polygon. Their points are the polygon's vertices and points
// on its edges at the y of a vertex. A polygon whose edges cross or run
// along each other is first made strictly simple on the clip's grid
// (2^-30 px).
void gpc_polygon_to_tristrip(gpc_polygon* polygon, gpc_tristrip* tristrip);

void gpc_free_polygon(gpc_polygon* polygon);
void gpc_free_tristrip(gpc_tristrip* tristrip);

// Signed area of a contour's level positions, sum((x[i]*y[i+1] - x[i+1]*y[i])) / 2:
// negative for a contour running counter-clockwise on the screen (y down).
double gpc_contour_area(const gpc_vertex_list* contour);
