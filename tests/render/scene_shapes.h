// Hand-made playfield geometry for the drawing tests. The records are
// allocated the way the clipping layer allocates them, so freePlayfield
// releases them.
#pragma once
#include <cstdlib>
#include <utility>
#include <vector>

#include "playfield/playfield.h"

// Vertices as (x, y) level positions; rx, ry are the same shifted by (dx, dy).
inline gpc_vertex_list makeVertexList(const std::vector<std::pair<double, double>>& points, double dx = 0.0,
                                      double dy = 0.0)
{
    gpc_vertex_list list;
    list.num_vertices = int(points.size());
    list.vertex = static_cast<gpc_vertex*>(std::malloc(sizeof(gpc_vertex) * (points.size() + 1)));
    for (size_t i = 0; i < points.size(); ++i)
        list.vertex[i] = {points[i].first, points[i].second, points[i].first + dx, points[i].second + dy};
    return list;
}

inline void addStrip(const std::vector<std::pair<double, double>>& points, double dx = 0.0, double dy = 0.0)
{
    const int n = levelStrips.num_strips;
    levelStrips.strip = static_cast<gpc_vertex_list*>(std::realloc(levelStrips.strip, sizeof(gpc_vertex_list) * size_t(n + 1)));
    levelStrips.strip[n] = makeVertexList(points, dx, dy);
    levelStrips.num_strips = n + 1;
}

inline void addContour(const std::vector<std::pair<double, double>>& points, int hole = 0)
{
    const int n = levelPolygon.num_contours;
    levelPolygon.contour =
        static_cast<gpc_vertex_list*>(std::realloc(levelPolygon.contour, sizeof(gpc_vertex_list) * size_t(n + 1)));
    levelPolygon.hole = static_cast<int*>(std::realloc(levelPolygon.hole, sizeof(int) * size_t(n + 1)));
    levelPolygon.contour[n] = makeVertexList(points);
    levelPolygon.hole[n] = hole;
    levelPolygon.num_contours = n + 1;
}

// One strip covering the rectangle in level coordinates, drawn shifted.
inline void setRectangleStrip(double x0, double y0, double x1, double y1, double dx, double dy)
{
    freePlayfield();
    addStrip({{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}}, dx, dy);
}

// One square contour and no strips.
inline void setSquareContour(double x0, double y0, double x1, double y1)
{
    freePlayfield();
    addContour({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

inline void addEmptyContour() { addContour({}); }
