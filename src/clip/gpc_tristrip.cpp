// Triangle strips from the GLU tessellator (odd winding = even-odd fill).
//
// The tessellator hands out strips, fans and lone triangles. Strips keep
// the order it gives; a fan of n vertices becomes n - 2 strips of three
// (centre, i, i + 1), and each lone triangle a strip of three. Tessellation
// needs no GL context. Contours with a non-finite or out-of-limit coordinate
// are left out, as in clipping. If the tessellator reports an error the
// strips come out empty.
#include <GL/glu.h>

#include <cstring>
#include <deque>
#include <vector>

#include "clip/gpc.h"
#include "clip/gpc_internal.h"

#ifndef CALLBACK
#define CALLBACK
#endif

namespace {

struct TessPoint {
    GLdouble xyz[3];
};

struct Tessellation {
    std::deque<TessPoint> points;        // stable addresses: inputs and intersections
    std::vector<gpc_vertex> primitive;   // vertices of the primitive being emitted
    GLenum primitiveType = GL_TRIANGLES;
    gpc_tristrip out{0, nullptr};
    int capacity = 0;
    bool failed = false;
};

void addStrip(Tessellation& t, const gpc_vertex* vertices, int count)
{
    if (t.out.num_strips == t.capacity) {
        t.capacity = t.capacity ? t.capacity * 2 : 16;
        t.out.strip = static_cast<gpc_vertex_list*>(gpc_checked_realloc(t.out.strip, sizeof(gpc_vertex_list) * std::size_t(t.capacity)));
    }
    auto* copy = static_cast<gpc_vertex*>(gpc_checked_malloc(sizeof(gpc_vertex) * std::size_t(count)));
    std::memcpy(copy, vertices, sizeof(gpc_vertex) * std::size_t(count));
    t.out.strip[t.out.num_strips++] = gpc_vertex_list{count, copy};
}

void CALLBACK onBegin(GLenum type, void* data)
{
    auto& t = *static_cast<Tessellation*>(data);
    t.primitiveType = type;
    t.primitive.clear();
}

void CALLBACK onVertex(void* vertex, void* data)
{
    auto& t = *static_cast<Tessellation*>(data);
    const auto* p = static_cast<const TessPoint*>(vertex);
    t.primitive.push_back(gpc_vertex{p->xyz[0], p->xyz[1], p->xyz[0], p->xyz[1]});
}

void CALLBACK onEnd(void* data)
{
    auto& t = *static_cast<Tessellation*>(data);
    const std::vector<gpc_vertex>& v = t.primitive;
    const int n = int(v.size());
    switch (t.primitiveType) {
    case GL_TRIANGLE_STRIP:
        if (n >= 3) addStrip(t, v.data(), n);
        break;
    case GL_TRIANGLE_FAN:
        for (int i = 1; i + 1 < n; ++i) {
            const gpc_vertex triangle[3] = {v[0], v[std::size_t(i)], v[std::size_t(i) + 1]};
            addStrip(t, triangle, 3);
        }
        break;
    default:  // GL_TRIANGLES
        for (int i = 0; i + 2 < n; i += 3) addStrip(t, &v[std::size_t(i)], 3);
        break;
    }
    t.primitive.clear();
}

void CALLBACK onCombine(GLdouble coords[3], void* neighbours[4], GLfloat weights[4], void** outData, void* data)
{
    auto& t = *static_cast<Tessellation*>(data);
    t.points.push_back(TessPoint{{coords[0], coords[1], 0.0}});
    *outData = &t.points.back();
}

void CALLBACK onError(GLenum, void* data)
{
    static_cast<Tessellation*>(data)->failed = true;
}

using TessCallback = void(CALLBACK*)();

GLUtesselator* tessellator()
{
    static GLUtesselator* tess = [] {
        GLUtesselator* made = gluNewTess();
        if (!made) return made;
        gluTessProperty(made, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
        gluTessNormal(made, 0.0, 0.0, 1.0);
        gluTessCallback(made, GLU_TESS_BEGIN_DATA, reinterpret_cast<TessCallback>(onBegin));
        gluTessCallback(made, GLU_TESS_VERTEX_DATA, reinterpret_cast<TessCallback>(onVertex));
        gluTessCallback(made, GLU_TESS_END_DATA, reinterpret_cast<TessCallback>(onEnd));
        gluTessCallback(made, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(onCombine));
        gluTessCallback(made, GLU_TESS_ERROR_DATA, reinterpret_cast<TessCallback>(onError));
        return made;
    }();
    return tess;
}

}  // namespace

void gpc_polygon_to_tristrip(gpc_polygon* polygon, gpc_tristrip* tristrip)
{
    if (!tristrip) return;
    *tristrip = gpc_tristrip{0, nullptr};
    if (!polygon || !polygon->contour || polygon->num_contours <= 0) return;
    GLUtesselator* tess = tessellator();
    if (!tess) return;

    Tessellation t;
    gluTessBeginPolygon(tess, &t);
    for (int c = 0; c < polygon->num_contours; ++c) {
        const gpc_vertex_list& contour = polygon->contour[c];
        if (contour.num_vertices < 3 || !gpc_contour_usable(contour)) continue;
        gluTessBeginContour(tess);
        for (int v = 0; v < contour.num_vertices; ++v) {
            t.points.push_back(TessPoint{{contour.vertex[v].x, contour.vertex[v].y, 0.0}});
            TessPoint& p = t.points.back();
            gluTessVertex(tess, p.xyz, &p);
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);

    if (t.failed) {
        gpc_free_tristrip(&t.out);
        return;
    }
    if (t.out.num_strips > 0 && t.out.num_strips < t.capacity)
        t.out.strip = static_cast<gpc_vertex_list*>(gpc_checked_realloc(t.out.strip, sizeof(gpc_vertex_list) * std::size_t(t.out.num_strips)));
    *tristrip = t.out;
}

void gpc_forget_strips() {}
