// The polygon text format: the writer's exact lines, the reader's spacing
// rules, where it leaves the stream, and what it does with files that lie.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "clip/gpc.h"
#include "clip_testing.h"

using namespace cliptest;

namespace {

// A read-only stream over a string.
struct Input {
    std::string text;
    FILE* file = nullptr;
    explicit Input(std::string t) : text(std::move(t))
    {
        file = fmemopen(text.empty() ? nullptr : text.data(), text.empty() ? 1 : text.size(), "r");
    }
    ~Input()
    {
        if (file) std::fclose(file);
    }
};

std::string written(gpc_polygon* p, int holeFlags)
{
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&buffer, &size);
    gpc_write_polygon(out, holeFlags, p);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

}  // namespace

TEST(PolygonWriter, WritesTheExactLines)
{
    Poly p;
    p.add({{100, 100}, {-300.5, 100}, {300, -0.25}}, 0);
    p.add({{1.0 / 3.0, 2}}, 1);
    EXPECT_EQ(written(&p.p, 1),
              "2\n"
              "3\n"
              "0\n"
              " 100.000000000000000  100.000000000000000\n"
              "-300.500000000000000  100.000000000000000\n"
              " 300.000000000000000 -0.250000000000000\n"
              "1\n"
              "1\n"
              " 0.333333333333333  2.000000000000000\n");
    EXPECT_EQ(written(&p.p, 0),
              "2\n3\n"
              " 100.000000000000000  100.000000000000000\n"
              "-300.500000000000000  100.000000000000000\n"
              " 300.000000000000000 -0.250000000000000\n"
              "1\n"
              " 0.333333333333333  2.000000000000000\n");
    Poly empty;
    EXPECT_EQ(written(&empty.p, 1), "0\n");
}

TEST(PolygonWriter, MatchesPrintfForAnyValueAndIgnoresTheLocale)
{
    // Our writer formats without printf; it must agree with "% .15lf" in the
    // C locale, ties and far digits included, whatever locale is set.
    std::mt19937_64 random(99);
    std::uniform_real_distribution<double> any(-1e6, 1e6);
    std::vector<double> values = {0.0, -0.0, 1.0, -1.0, 0.5, 1e6, -1e6, 1e-20, -1e-20, std::ldexp(1.0, -16),
                                  0.0000000000000005, 0.1234567890123455, 999999.9999999999999, 5e-16};
    for (int i = 0; i < 2000; ++i) values.push_back(any(random));
    for (int i = 0; i < 200; ++i) values.push_back(std::ldexp(double(random() % 100000), -int(random() % 40)));
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "C");
    for (double v : values) {
        Poly p;
        p.add({{v, -v}});
        char expected[800];
        std::snprintf(expected, sizeof expected, "1\n1\n0\n% .15lf % .15lf\n", v, -v);
        ASSERT_EQ(written(&p.p, 1), expected) << v;
    }
    // With a decimal-comma locale, when the machine has one, nothing changes.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        Poly p;
        p.add({{1.5, -2.25}});
        EXPECT_EQ(written(&p.p, 1), "1\n1\n0\n 1.500000000000000 -2.250000000000000\n");
        Input in("1\n1\n0\n1.5 -2.25\n");
        Poly r;
        EXPECT_EQ(gpc_read_polygon(in.file, 1, &r.p), 1);
        EXPECT_EQ(r.p.contour[0].vertex[0].x, 1.5);
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(PolygonReader, RoundTripKeepsFifteenDecimalsAndHoleFlags)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<double> coordinate(-5000, 5000);
    Poly p;
    for (int c = 0; c < 5; ++c) {
        Points pts;
        for (int v = 0; v < 3 + c; ++v) pts.push_back({coordinate(random), coordinate(random)});
        p.add(pts, c % 2);
    }
    Input in(written(&p.p, 1));
    Poly r;
    ASSERT_EQ(gpc_read_polygon(in.file, 1, &r.p), 1);
    ASSERT_EQ(r.p.num_contours, 5);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(r.p.hole[c], c % 2);
        ASSERT_EQ(r.p.contour[c].num_vertices, 3 + c);
        for (int v = 0; v < 3 + c; ++v) {
            const gpc_vertex& a = p.p.contour[c].vertex[v];
            const gpc_vertex& b = r.p.contour[c].vertex[v];
            EXPECT_NEAR(a.x, b.x, 5e-16 * 1e4 + 5e-16);
            EXPECT_NEAR(a.y, b.y, 5e-16 * 1e4 + 5e-16);
            EXPECT_EQ(b.rx, b.x);  // a fresh record is upright until rotated
            EXPECT_EQ(b.ry, b.y);
        }
    }
    // Writing what was read gives the same text again.
    EXPECT_EQ(written(&r.p, 1), in.text);
}

TEST(PolygonReader, AnySpacingReadsTheSame)
{
    const char* forms[] = {
        "1\n4\n0\n 100.0 100.0\n 300.0 100.0\n 300.0 300.0\n 100.0 300.0\n",
        "1\r\n4\r\n0\r\n 100.0 100.0\r\n 300.0 100.0\r\n 300.0 300.0\r\n 100.0 300.0\r\n",
        "  1 4\t0 100 100 300 1e2 +3E2 300.000 100. 3.0e+2",
        "\n\n1\r\r4\v0\f100\t\t100\n300\n100\n300\n300\n100\n300",
    };
    for (const char* text : forms) {
        Input in(text);
        Poly r;
        EXPECT_EQ(gpc_read_polygon(in.file, 1, &r.p), 1) << text;
        ASSERT_EQ(r.p.num_contours, 1) << text;
        EXPECT_EQ(r.p.hole[0], 0);
        ASSERT_EQ(r.p.contour[0].num_vertices, 4);
        EXPECT_EQ(r.p.contour[0].vertex[1].x, 300.0);
        EXPECT_EQ(r.p.contour[0].vertex[1].y, 100.0);
        EXPECT_EQ(r.p.contour[0].vertex[3].y, 300.0);
    }
}

TEST(PolygonReader, LeavesTheStreamRightAfterTheLastNumber)
{
    // The level loader reads the balls with "%f" after the polygon.
    Input in("1\n3\n1\n0 0\n10 0\n0 10\n632.000000\n115.200005\nend");
    Poly r;
    ASSERT_EQ(gpc_read_polygon(in.file, 1, &r.p), 1);
    EXPECT_EQ(r.p.hole[0], 1);
    EXPECT_EQ(std::fgetc(in.file), '\n');
    float x = 0, y = 0;
    EXPECT_EQ(std::fscanf(in.file, "%f", &x), 1);
    EXPECT_EQ(std::fscanf(in.file, "%f", &y), 1);
    EXPECT_FLOAT_EQ(x, 632.0f);
    EXPECT_FLOAT_EQ(y, 115.200005f);

    // Without hole flags the third number is a coordinate.
    Input plain("1 3 0 0 10 0 0 10 7");
    Poly q;
    ASSERT_EQ(gpc_read_polygon(plain.file, 0, &q.p), 1);
    EXPECT_EQ(q.p.hole[0], 0);
    EXPECT_EQ(q.p.contour[0].vertex[0].x, 0.0);
    EXPECT_EQ(q.p.contour[0].vertex[2].y, 10.0);
    EXPECT_EQ(std::fscanf(plain.file, "%f", &x), 1);
    EXPECT_FLOAT_EQ(x, 7.0f);
}

TEST(PolygonReader, EmptyAndZeroSections)
{
    Input empty("");
    Poly a;
    EXPECT_EQ(gpc_read_polygon(empty.file, 1, &a.p), 0);
    EXPECT_EQ(a.p.num_contours, 0);
    EXPECT_EQ(a.p.contour, nullptr);

    Input zero("0\n632.0\n");
    Poly b;
    EXPECT_EQ(gpc_read_polygon(zero.file, 1, &b.p), 1);
    EXPECT_EQ(b.p.num_contours, 0);
    EXPECT_EQ(b.p.contour, nullptr);
    EXPECT_EQ(b.p.hole, nullptr);

    Poly c;
    EXPECT_EQ(gpc_read_polygon(nullptr, 1, &c.p), 0);
    EXPECT_EQ(c.p.num_contours, 0);
    EXPECT_EQ(gpc_read_polygon(zero.file, 1, nullptr), 0);
}

TEST(PolygonReader, CountsThatLieStopTheReadingAndKeepWhatWasRead)
{
    struct Case {
        const char* text;
        int contours;      // kept
        int lastVertices;  // vertices of the last kept contour
        int complete = 0;
    } cases[] = {
        {"3\n3\n0\n0 0\n1 0\n0 1\n", 1, 3},                   // more contours promised than held
        {"1\n5\n0\n0 0\n1 0\n0 1\n", 1, 3},                   // more vertices promised
        {"1\n3\n0\n0 0\n1 0\n0", 1, 2},                       // half a vertex at the end
        {"2\n3\n0\n0 0\n1 0\n0 1\n-3\n0\n", 1, 3},            // negative vertex count
        {"-1\n3\n0\n0 0\n1 0\n0 1\n", 0, 0},                  // negative contour count
        {"2\n3\n0\n0 0\n1 0\n0 1\n3\n", 1, 3},                // hole flag missing
        {"2147483647\n2147483647\n0\n1 2\n", 1, 1},           // absurd counts
        {"99999999999\n", 0, 0},                              // beyond int
        {"1\n3\n0\n0 0\nabc 0\n0 1\n", 1, 1},                 // a word
        {"1\n3\n0\n0 0\n1 0\n0 nan\n", 1, 2},                 // NaN
        {"1\n3\n0\n0 0\ninf 0\n0 1\n", 1, 1},                 // infinity
        {"1\n3\n0\n0 0\n1 0\n0 1e400\n", 1, 2},               // overflows a double
        {"1\n3\n0\n0 0\n1000000.5 0\n0 1\n", 1, 1},           // beyond the coordinate limit
        {"1\n3\n0\n0 0\n1 -1e7\n0 1\n", 1, 1},
        {"1\n3\n0\n0 0\n1 0\n0 1e\n", 1, 2},                  // exponent without digits
        {"1\n3\n0\n0 0\n1 0\n0 .\n", 1, 2},                   // a lone point
        {"1\n3\n0\n0 0\n1 0\n0 0x10\n", 1, 3, 1},             // hex is not read: "0", then "x10" is left
        {"x", 0, 0},
    };
    for (const Case& c : cases) {
        Input in(c.text);
        Poly r;
        int complete = gpc_read_polygon(in.file, 1, &r.p);
        EXPECT_EQ(r.p.num_contours, c.contours) << c.text;
        if (r.p.num_contours > 0) {
            EXPECT_EQ(r.p.contour[r.p.num_contours - 1].num_vertices, c.lastVertices) << c.text;
        }
        EXPECT_EQ(complete, c.complete) << c.text;
        // Whatever was kept is a consistent record that the layer can use.
        for (int k = 0; k < r.p.num_contours; ++k) {
            EXPECT_EQ(r.p.contour[k].vertex == nullptr, r.p.contour[k].num_vertices == 0);
            for (int v = 0; v < r.p.contour[k].num_vertices; ++v) {
                EXPECT_TRUE(std::isfinite(r.p.contour[k].vertex[v].x));
                EXPECT_LE(std::fabs(r.p.contour[k].vertex[v].y), gpc_coordinate_limit);
            }
        }
        Poly empty, clipped;
        Strips strips;
        gpc_polygon_clip(GPC_UNION, &r.p, &empty.p, &clipped.p);
        gpc_polygon_to_tristrip(&r.p, &strips.t);
    }
}

TEST(PolygonReader, ExactLimitsAreAccepted)
{
    Input in("1 3 0 -1000000 1000000 1000000.0 -1e6 0 0");
    Poly r;
    ASSERT_EQ(gpc_read_polygon(in.file, 1, &r.p), 1);
    EXPECT_EQ(r.p.contour[0].vertex[0].x, -1e6);
    EXPECT_EQ(r.p.contour[0].vertex[1].y, -1e6);
}

TEST(PolygonReader, StopsAtABadTokenWithoutSwallowingWhatFollows)
{
    Input in("1\n3\n0\n1 2\nx 4\n");
    Poly r;
    EXPECT_EQ(gpc_read_polygon(in.file, 1, &r.p), 0);
    EXPECT_EQ(std::fgetc(in.file), 'x');
}

TEST(PolygonReader, ManyVerticesGrowAsTheyArrive)
{
    std::string text = "1\n20000\n1\n";
    for (int i = 0; i < 20000; ++i) text += std::to_string(i % 1000) + " " + std::to_string(i / 1000) + "\n";
    Input in(text);
    Poly r;
    ASSERT_EQ(gpc_read_polygon(in.file, 1, &r.p), 1);
    ASSERT_EQ(r.p.contour[0].num_vertices, 20000);
    EXPECT_EQ(r.p.contour[0].vertex[19999].x, 999.0);
    EXPECT_EQ(r.p.contour[0].vertex[19999].y, 19.0);
    EXPECT_EQ(r.p.hole[0], 1);
}

TEST(PolygonAddContour, AppendsACopy)
{
    Poly p;
    gpc_vertex v[3] = {{1, 2, 0, 0}, {3, 4, 0, 0}, {5, 6, 0, 0}};
    gpc_vertex_list list{3, v};
    gpc_add_contour(&p.p, &list, 1);
    v[0].x = 99;  // the polygon holds its own copy
    gpc_add_contour(&p.p, &list, 0);
    ASSERT_EQ(p.p.num_contours, 2);
    EXPECT_EQ(p.p.hole[0], 1);
    EXPECT_EQ(p.p.hole[1], 0);
    EXPECT_EQ(p.p.contour[0].vertex[0].x, 1.0);
    EXPECT_EQ(p.p.contour[1].vertex[0].x, 99.0);
    EXPECT_EQ(p.p.contour[1].vertex[2].y, 6.0);

    gpc_vertex_list none{0, nullptr};
    gpc_add_contour(&p.p, &none, 0);
    EXPECT_EQ(p.p.num_contours, 3);
    EXPECT_EQ(p.p.contour[2].vertex, nullptr);
    gpc_vertex_list bad{-4, nullptr};
    gpc_add_contour(&p.p, &bad, 0);
    gpc_add_contour(&p.p, nullptr, 0);
    gpc_add_contour(nullptr, &list, 0);
    EXPECT_EQ(p.p.num_contours, 3);
}

TEST(PolygonFree, ReleasingTwiceIsHarmless)
{
    Poly p;
    p.add(rect(0, 0, 1, 1));
    gpc_free_polygon(&p.p);
    gpc_free_polygon(&p.p);
    EXPECT_EQ(p.p.num_contours, 0);
    gpc_free_polygon(nullptr);
    Strips s;
    gpc_free_tristrip(&s.t);
    gpc_free_tristrip(nullptr);
    EXPECT_EQ(s.t.num_strips, 0);
}
