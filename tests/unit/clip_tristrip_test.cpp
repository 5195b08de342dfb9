// Triangle strips: exact cover of the polygon, holes left empty, empty and
// broken inputs. Their layout is tested in clip_strip_layout_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "clip/gpc.h"
#include "clip/gpc_internal.h"
#include "clip_testing.h"

using namespace cliptest;

namespace {

// Strips cover the polygon exactly when their area matches and no
// triangle lies outside the polygon (checked at each triangle's centroid).
void expectCover(const gpc_polygon& polygon, const gpc_tristrip& strips, double expectedArea)
{
    EXPECT_NEAR(stripArea(strips), expectedArea, 1e-6 * expectedArea);
    for (int s = 0; s < strips.num_strips; ++s) EXPECT_GE(strips.strip[s].num_vertices, 3) << "strip " << s;
    int outside = 0;
    forEachTriangle(strips, [&](const gpc_vertex& a, const gpc_vertex& b, const gpc_vertex& c) {
        if (triangleArea(a, b, c) < 1e-9) return;
        if (!inside(polygon, (a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3)) ++outside;
    });
    EXPECT_EQ(outside, 0);
}

}  // namespace

TEST(TristripCover, EmptyPolygonGivesNoStrips)
{
    Poly empty;
    Strips strips;
    strips.t.num_strips = 12345;  // overwritten, not read
    gpc_polygon_to_tristrip(&empty, &strips);
    EXPECT_EQ(strips.t.num_strips, 0);
    EXPECT_EQ(strips.t.strip, nullptr);
    gpc_polygon_to_tristrip(nullptr, &strips);
    EXPECT_EQ(strips.t.num_strips, 0);
}

TEST(TristripCover, LoneTriangleIsOneStrip)
{
    Poly triangle;
    triangle.add({{0, 0}, {10, 0}, {0, 10}});
    Strips strips;
    gpc_polygon_to_tristrip(&triangle, &strips);
    ASSERT_EQ(strips.t.num_strips, 1);
    ASSERT_EQ(strips.t.strip[0].num_vertices, 3);
    EXPECT_DOUBLE_EQ(stripArea(strips.t), 50.0);
    // The vertices are the input's, rotated positions set to match.
    for (int i = 0; i < 3; ++i) {
        const gpc_vertex& v = strips.t.strip[0].vertex[i];
        EXPECT_TRUE(hasVertex(triangle.p, v.x, v.y));
        EXPECT_EQ(v.rx, v.x);
        EXPECT_EQ(v.ry, v.y);
    }
}

TEST(TristripCover, HolesStayEmpty)
{
    Poly level, cut, result;
    level.add(rect(100, 400, 900, 500));
    cut.add(rect(450, 420, 470, 480), 1);
    gpc_polygon_clip(GPC_DIFF, &level, &cut, &result);
    Strips strips;
    gpc_polygon_to_tristrip(&result, &strips);
    expectCover(result.p, strips.t, 80000.0 - 1200.0);
    forEachTriangle(strips.t, [&](const gpc_vertex& a, const gpc_vertex& b, const gpc_vertex& c) {
        double cx = (a.x + b.x + c.x) / 3, cy = (a.y + b.y + c.y) / 3;
        EXPECT_FALSE(cx > 450 && cx < 470 && cy > 420 && cy < 480) << "triangle inside the hole";
    });
}

TEST(TristripCover, EvenOddInputWithoutClippingFirst)
{
    // Nested and overlapping contours straight from a file, flags ignored.
    Poly raw;
    raw.add(rect(0, 0, 100, 100), 1);
    raw.add(rect(25, 25, 75, 75), 0);
    raw.add({{200, 0}, {300, 100}, {300, 0}, {200, 100}});  // bow tie: needs combined vertices
    Strips strips;
    gpc_polygon_to_tristrip(&raw, &strips);
    expectCover(raw.p, strips.t, 10000.0 - 2500.0 + 5000.0);
}

TEST(TristripCover, TouchingContoursAndSharedEdges)
{
    Poly pieces;
    pieces.add(rect(0, 0, 100, 100));
    pieces.add(rect(100, 100, 200, 200));  // touches at a corner
    pieces.add(rect(200, 0, 300, 100));
    pieces.add(rect(300, 0, 400, 100));    // shares an edge
    Strips strips;
    gpc_polygon_to_tristrip(&pieces, &strips);
    expectCover(pieces.p, strips.t, 40000.0);
}

TEST(TristripCover, StampedLevelStaysCovered)
{
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> px(200, 824), py(250, 600);
    Poly level;
    level.add(ngon(512, 450, 300, 12));
    for (int step = 0; step < 200; ++step) {
        Poly stamp, next;
        stamp.add(ngon(px(random), py(random), 40, 12), 1);
        gpc_polygon_clip(step % 5 < 3 ? GPC_UNION : GPC_DIFF, &level, &stamp, &next);
        gpc_free_polygon(&level.p);
        level.p = next.p;
        next.p = gpc_polygon{0, nullptr, nullptr};
        if (step % 20 != 19) continue;
        Strips strips;
        gpc_polygon_to_tristrip(&level.p, &strips);
        expectCover(level.p, strips.t, area(level.p));
        if (HasFailure()) break;
    }
}

TEST(TristripRobustness, BrokenContoursAreLeftOut)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Poly p;
    p.add(rect(0, 0, 10, 10));
    p.add({{nan, 0}, {5, 5}, {0, 5}});
    p.add({{0, 0}, {std::numeric_limits<double>::infinity(), 0}, {0, 5}});
    p.add({{0, 0}, {5e6, 0}, {0, 5}});
    p.add({{1, 1}, {2, 2}});
    p.add({{3, 3}, {3, 3}, {3, 3}});
    p.add({{20, 0}, {30, 0}, {40, 0}});  // collinear
    Strips strips;
    gpc_polygon_to_tristrip(&p, &strips);
    EXPECT_NEAR(stripArea(strips.t), 100.0, 1e-9);
    for (int s = 0; s < strips.t.num_strips; ++s)
        for (int i = 0; i < strips.t.strip[s].num_vertices; ++i) {
            EXPECT_TRUE(std::isfinite(strips.t.strip[s].vertex[i].x));
            EXPECT_TRUE(std::isfinite(strips.t.strip[s].vertex[i].y));
        }
}

TEST(TristripCover, BigShapesInNegativeCoordinates)
{
    Poly p;
    p.add({{-128, -64}, {256, -64}, {320, 128}, {64, 64}, {0, 256}, {-200, 190}});
    p.add(rect(-64, 0, 0, 64));  // a hole
    Strips strips;
    gpc_polygon_to_tristrip(&p, &strips);
    Poly normal, empty;
    gpc_polygon_clip(GPC_UNION, &p, &empty, &normal);
    expectCover(p.p, strips.t, area(normal.p));
}

TEST(TristripCover, HugePolygon)
{
    const double l = gpc_coordinate_limit;
    Poly p;
    p.add({{-l, -l}, {l, -l}, {l, l}, {-l, l}});
    p.add(ngon(512, 384, 40, 12));
    Strips strips;
    gpc_polygon_to_tristrip(&p, &strips);
    EXPECT_LT(strips.t.num_strips, 40000);
    EXPECT_NEAR(stripArea(strips.t), 4e12 - std::fabs(signedArea(p.p.contour[1])), 1e-6 * 4e12);
}

TEST(TristripRobustness, NearlyRetracedOutlineCoversWhatTheClipSees)
{
    // Found by fuzzing: a level contour that runs over part of itself a
    // second time, once 8e-12 px off. The tessellator alone misjudged the
    // inside by some 60,000 px^2; the strips must cover the even-odd area
    // that clipping sees.
    Poly raw;
    raw.add({{299.952445668390169, 662.216480750159917},
             {434.392746783859366, 739.788050561519640},
             {589.607253216140634, 739.788050561519640},
             {724.047554331609831, 662.216480750159917},
             {801.726157950271270, 434.390000000000000},
             {299.952445668390169, 662.216480750159917},
             {434.392746783859366, 739.788050561519640},
             {589.607253216140634, 739.788050561527480},
             {739.788050561519640, 589.607253216140634}});
    Poly empty, clipped;
    gpc_polygon_clip(GPC_UNION, &raw, &empty, &clipped);
    expectContract(clipped.p);
    Strips strips;
    gpc_polygon_to_tristrip(&raw, &strips);
    EXPECT_NEAR(stripArea(strips.t), area(clipped.p), 1e-6 * area(clipped.p));
    EXPECT_NEAR(area(clipped.p), 37183.7346, 1e-3);
}

TEST(TristripCover, SliverThinnerThanTheGridVanishingFarAway)
{
    // Found by fuzzing: a sliver a million px long and thinner than the
    // clip's grid of 2^-30 px. A small cut at one end made the whole sliver
    // vanish, far outside the cut; the strips must follow.
    Poly raw, empty, level;
    raw.add({{-1000000, 115.200001}, {592, 115.2}, {2.55, 115.2}});
    gpc_polygon_clip(GPC_UNION, &raw.p, &empty.p, &level.p);
    Strips strips;
    gpc_polygon_to_tristrip(&level.p, &strips.t);
    EXPECT_NEAR(stripArea(strips.t), area(level.p), 1e-6);
    for (auto [x, r] : {std::pair{618.27, 300.0}, std::pair{2.55, 0.5}}) {
        Poly stamp, next;
        stamp.add(ngon(x, 115.2, r, 12), 1);
        gpc_polygon_clip(GPC_DIFF, &level.p, &stamp.p, &next.p);
        std::swap(level.p, next.p);
        gpc_free_tristrip(&strips.t);
        gpc_polygon_to_tristrip(&level.p, &strips.t);
        EXPECT_NEAR(stripArea(strips.t), area(level.p), 1e-4) << "cut at " << x;
    }
    EXPECT_EQ(level.p.num_contours, 0);
    EXPECT_EQ(strips.t.num_strips, 0);
}

TEST(TristripCover, VertexAHairFromALine)
{
    // Found by fuzzing: a vertex 1e-15 px off the line y = 0 at the tip of
    // a wedge; 45 px^2 of the wedge were once left empty.
    Poly raw, empty, level;
    raw.add({{100, 10}, {200, 100}, {200, 200}, {100, 200}});
    raw.add({{200, 200}, {100, 200}, {4, 0}, {200, 200}});
    raw.add({{0, 0}, {0.02, 300}, {300, 200100}, {100, 200}, {100.00000000000001, 1.0000000000000001e-15}, {200, 200}, {100, 200},
             {4, 0}, {200, 200}, {100, 200}, {4, 0}, {200, 200}, {1632, 32}, {115.2, 392.000001}},
            1);
    gpc_polygon_clip(GPC_UNION, &raw.p, &empty.p, &level.p);
    Strips strips;
    gpc_polygon_to_tristrip(&level.p, &strips.t);
    EXPECT_NEAR(area(level.p), 10166571.177087948, 1e-4);  // the even-odd area, worked out exactly
    EXPECT_NEAR(stripArea(strips.t), area(level.p), 1e-4);
    for (double y = 1.147; y < 14; y += 3.1)
        for (double x = 100.471; x < 107; x += 3.1) {
            int covering = 0;
            forEachTriangle(strips.t, [&](const gpc_vertex& a, const gpc_vertex& b, const gpc_vertex& c) {
                auto side = [&](const gpc_vertex& p, const gpc_vertex& q) { return (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x); };
                const double d1 = side(a, b), d2 = side(b, c), d3 = side(c, a);
                if (!((d1 < 0 || d2 < 0 || d3 < 0) && (d1 > 0 || d2 > 0 || d3 > 0))) ++covering;
            });
            EXPECT_EQ(covering, inside(level.p, x, y) ? 1 : 0) << x << ", " << y;
        }
}

TEST(TristripCover, EdgesCrossingByMoreThanAHairAreMadeSimple)
{
    // Two quads whose facing sides cross halfway down, 5e-4 px out of order
    // at the bottom: a crossing, not rounding. Where they overlap the
    // even-odd fill is empty.
    Poly raw;
    raw.add({{0, 0}, {100, 0}, {100.0005, 100}, {0, 100}});
    raw.add({{100.0005, 0}, {200, 0}, {200, 100}, {100, 100}});
    Strips strips;
    gpc_polygon_to_tristrip(&raw, &strips);
    EXPECT_NEAR(stripArea(strips.t), 20000.0 - 2 * 0.0125, 1e-6);  // the two areas less the overlap twice
}
