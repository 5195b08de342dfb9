// level-composer: builds level files from short readable descriptions.
//
//   level-composer DESCRIPTIONS OUTPUT_FOLDER [LEVEL_NAME...]
//   level-composer --table DESCRIPTIONS      prints the level table (Markdown)
//
// The descriptions file holds one block per level (see levels.txt beside this
// file). Each shape is united with or cut from the level by the game's own
// clipping layer, the seven balls are placed, and the level is written by the
// game's own saveLevel, so the files are exactly what the game writes. With
// level names given, only those levels are written.
//
// A block:
//   level NAME                      starts a level; the file is NAME.lv
//   idea TEXT                       one line for the level table
//   detail PIXELS                   from here on, shapes get corners at most
//                                   PIXELS apart along their edges (see
//                                   subdivided() for why)
//   add|cut [mirrored] SHAPE        unite or cut; mirrored also takes the
//                                   shape's mirror image about x = 512
//   white X Y | white X rest [Y0]   the white ball, at a point or dropped
//   red X Y   | red X rest [Y0]     a red ball (six of them)
//   balance X0 Y0 X1 Y1 [RMAX [K [A]]]
//                                   design aid: searches the box for a disc
//                                   to add, or a hole to cut well inside the
//                                   playfield (radius up to RMAX, 40), that
//                                   brings the playfield, balls held, nearest
//                                   to the angle A (0) while its stiffness
//                                   stays above K (3000); prints it and adds
//                                   it. Copy the printed disc into the
//                                   description when done.
//   end                             ends the level
// Shapes:
//   rect X0 Y0 X1 Y1                axis-parallel rectangle
//   poly X,Y X,Y X,Y ...            any simple polygon
//   disc CX CY R                    a 24-gon of circumradius R
//   ngon CX CY R N [DEGREES]        a regular N-gon, turned by DEGREES
//   ellipse CX CY RX RY [N [DEG]]   an ellipse as an N-gon (32 by default),
//                                   turned by DEG (clockwise on the screen)
//   cup X [R [SINK [Y0]]]           a disc of radius R (26) centred SINK (6)
//                                   below the playfield's top at x = X, the
//                                   first solid point down from Y0 (0): cut,
//                                   it leaves a cup for a ball
// "rest" drops the ball straight down from Y0 (default 0) until it touches
// the outline, so it starts resting on the playfield.
//
// For each level written the composer reports how the playfield hangs; with
// COMPOSER_CURVE set in the environment it also prints the moment of the
// playfield's own weight from -0.3 to 0.3 rad.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/loop.h"
#include "clip/gpc.h"
#include "clip/gpc_internal.h"
#include "physics/ball.h"
#include "playfield/levelfile.h"
#include "playfield/playfield.h"

namespace {

constexpr double mirrorAxis = 512.0;
constexpr int discCorners = 24;
constexpr int ellipseCorners = 32;
constexpr double cupRadius = 26.0;
constexpr double cupSink = 6.0;

struct Point {
    double x, y;
};

struct ComposeError {
    int line;
    std::string message;
};

std::vector<std::string> words(const std::string& text)
{
    std::string line = text.substr(0, text.find('#'));
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

std::string trimmed(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    size_t b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

double number(const std::string& word, int line)
{
    char* end = nullptr;
    double value = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || !std::isfinite(value))
        throw ComposeError{line, "not a number: '" + word + "'"};
    return value;
}

Point pointPair(const std::string& word, int line)
{
    size_t comma = word.find(',');
    if (comma == std::string::npos) throw ComposeError{line, "expected X,Y but found '" + word + "'"};
    return {number(word.substr(0, comma), line), number(word.substr(comma + 1), line)};
}

std::vector<Point> regularPolygon(double cx, double cy, double r, int n, double degrees)
{
    std::vector<Point> pts;
    const double turn = degrees * M_PI / 180.0;
    for (int i = 0; i < n; ++i) {
        double a = turn + 2.0 * M_PI * i / n;
        pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return pts;
}

// Even-odd over all contours, as the clipping layer reads a polygon.
bool insideSolid(const gpc_polygon& level, Point p)
{
    bool inside = false;
    for (int c = 0; c < level.num_contours; ++c) {
        const gpc_vertex_list& v = level.contour[c];
        for (int i = 0, j = v.num_vertices - 1; i < v.num_vertices; j = i++) {
            const gpc_vertex& a = v.vertex[i];
            const gpc_vertex& b = v.vertex[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
        }
    }
    return inside;
}

// The first solid point straight down the line x from y0.
double surfaceBelow(const gpc_polygon& level, double x, double y0, int line)
{
    for (double y = y0; y < 768.0; y += 0.25)
        if (insideSolid(level, {x, y})) return y;
    throw ComposeError{line, "no playfield below x = " + std::to_string(x)};
}

// The outline of one shape from its words (w[first] is the shape's name).
std::vector<Point> shapeOutline(const gpc_polygon& level, const std::vector<std::string>& w, size_t first, int line)
{
    if (first >= w.size()) throw ComposeError{line, "a shape is missing"};
    const std::string& kind = w[first];
    auto args = [&](size_t lo, size_t hi) {
        size_t n = w.size() - first - 1;
        if (n < lo || n > hi) throw ComposeError{line, "wrong number of values for '" + kind + "'"};
        std::vector<double> v;
        for (size_t i = first + 1; i < w.size(); ++i) v.push_back(number(w[i], line));
        return v;
    };
    if (kind == "rect") {
        auto v = args(4, 4);
        if (v[0] == v[2] || v[1] == v[3]) throw ComposeError{line, "a rectangle without area"};
        return {{v[0], v[1]}, {v[2], v[1]}, {v[2], v[3]}, {v[0], v[3]}};
    }
    if (kind == "disc") {
        auto v = args(3, 3);
        if (v[2] <= 0) throw ComposeError{line, "a disc needs a positive radius"};
        return regularPolygon(v[0], v[1], v[2], discCorners, 0.0);
    }
    if (kind == "cup") {
        auto v = args(1, 4);
        const double r = v.size() > 1 ? v[1] : cupRadius;
        const double sink = v.size() > 2 ? v[2] : cupSink;
        const double from = v.size() > 3 ? v[3] : 0.0;
        if (r <= 0) throw ComposeError{line, "a cup needs a positive radius"};
        return regularPolygon(v[0], surfaceBelow(level, v[0], from, line) + sink, r, discCorners, 0.0);
    }
    if (kind == "ellipse") {
        auto v = args(4, 6);
        int n = v.size() > 4 ? static_cast<int>(v[4]) : ellipseCorners;
        if (v[2] <= 0 || v[3] <= 0 || n < 8) throw ComposeError{line, "an ellipse needs positive radii and at least 8 corners"};
        const double turn = v.size() > 5 ? v[5] * M_PI / 180.0 : 0.0;
        std::vector<Point> pts;
        for (int i = 0; i < n; ++i) {
            double a = 2.0 * M_PI * i / n;
            double ex = v[2] * std::cos(a), ey = v[3] * std::sin(a);
            pts.push_back({v[0] + ex * std::cos(turn) - ey * std::sin(turn), v[1] + ex * std::sin(turn) + ey * std::cos(turn)});
        }
        return pts;
    }
    if (kind == "ngon") {
        auto v = args(4, 5);
        int n = static_cast<int>(v[3]);
        if (n < 3 || n != v[3] || v[2] <= 0) throw ComposeError{line, "an ngon needs N >= 3 and a positive radius"};
        return regularPolygon(v[0], v[1], v[2], n, v.size() == 5 ? v[4] : 0.0);
    }
    if (kind == "poly") {
        std::vector<Point> pts;
        for (size_t i = first + 1; i < w.size(); ++i) pts.push_back(pointPair(w[i], line));
        if (pts.size() < 3) throw ComposeError{line, "a polygon needs at least three points"};
        return pts;
    }
    throw ComposeError{line, "unknown shape '" + kind + "'"};
}

// A one-contour polygon owned by the caller (free with gpc_free_polygon).
gpc_polygon polygonOf(const std::vector<Point>& pts)
{
    gpc_polygon p{0, nullptr, nullptr};
    std::vector<gpc_vertex> v;
    for (const Point& q : pts) v.push_back({q.x, q.y, q.x, q.y});
    gpc_vertex_list list{static_cast<int>(v.size()), v.data()};
    gpc_add_contour(&p, &list, 0);
    return p;
}

std::vector<Point> mirrored(const std::vector<Point>& pts)
{
    std::vector<Point> out;
    for (const Point& q : pts) out.push_back({2.0 * mirrorAxis - q.x, q.y});
    return out;
}

// The clip operations that built a level, in order. The clipping layer's
// output (its vertex order, and so the strips and the weights the tilt sees)
// may depend on the operations before, so a level is judged by replaying
// all of them.
using Step = std::pair<gpc_op, std::vector<Point>>;

// Breaks every edge longer than `spacing` into pieces, the new corners
// nudged off the line by a hundredth of a pixel in turn, so that the
// clipping layer keeps them (it drops corners that lie exactly on a line).
// A ball cannot feel the nudge, but the tessellator then cuts the area into
// narrow, even triangles instead of fans of long slivers, whose weight
// swings wildly as the playfield turns.
std::vector<Point> subdivided(const std::vector<Point>& pts, double spacing)
{
    if (spacing <= 0) return pts;
    std::vector<Point> out;
    int turn = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        const Point a = pts[i], b = pts[(i + 1) % pts.size()];
        out.push_back(a);
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        const int pieces = static_cast<int>(std::ceil(len / spacing));
        const double nx = -(b.y - a.y) / len, ny = (b.x - a.x) / len;
        for (int k = 1; k < pieces; ++k) {
            const double t = double(k) / pieces;
            const double nudge = (turn++ % 2 ? 0.01 : -0.01);
            out.push_back({a.x + (b.x - a.x) * t + nx * nudge, a.y + (b.y - a.y) * t + ny * nudge});
        }
    }
    return out;
}

// level = level (op) shape, through the game's clipping layer.
void applyShape(gpc_polygon& level, gpc_op op, const std::vector<Point>& pts)
{
    gpc_polygon shape = polygonOf(pts);
    gpc_polygon result{0, nullptr, nullptr};
    gpc_polygon_clip(op, &level, &shape, &result);
    gpc_free_polygon(&level);
    gpc_free_polygon(&shape);
    level = result;
}

double segmentDistance(Point p, Point a, Point b)
{
    double ex = b.x - a.x, ey = b.y - a.y;
    double len2 = ex * ex + ey * ey;
    double t = len2 > 0 ? ((p.x - a.x) * ex + (p.y - a.y) * ey) / len2 : 0.0;
    t = std::fmax(0.0, std::fmin(1.0, t));
    double dx = p.x - (a.x + t * ex), dy = p.y - (a.y + t * ey);
    return std::sqrt(dx * dx + dy * dy);
}

double outlineDistance(const gpc_polygon& level, Point p)
{
    double best = 1e30;
    for (int c = 0; c < level.num_contours; ++c) {
        const gpc_vertex_list& v = level.contour[c];
        for (int i = 0; i < v.num_vertices; ++i) {
            const gpc_vertex& a = v.vertex[i];
            const gpc_vertex& b = v.vertex[(i + 1) % v.num_vertices];
            best = std::fmin(best, segmentDistance(p, {a.x, a.y}, {b.x, b.y}));
        }
    }
    return best;
}

// Drops a ball down the line x from y0 until it touches the outline.
double restingHeight(const gpc_polygon& level, double x, double y0, int line)
{
    const double r = ballRadius;
    double y = y0;
    if (outlineDistance(level, {x, y}) <= r) throw ComposeError{line, "the ball touches the playfield where it starts its drop"};
    const double step = 0.5;
    while (y < 768.0 && outlineDistance(level, {x, y + step}) > r) y += step;
    if (y >= 768.0) throw ComposeError{line, "nothing below the ball to rest on"};
    double lo = y, hi = y + step;   // distance > r at lo, <= r at hi
    for (int i = 0; i < 60; ++i) {
        double mid = 0.5 * (lo + hi);
        if (outlineDistance(level, {x, mid}) > r) lo = mid; else hi = mid;
    }
    return lo;
}

double signedArea(const gpc_vertex_list& v) { return gpc_contour_area(&v); }

// The playfield weighed as the tilt weighs it: the disjoint corner triples
// of each strip, each with the truncated sum e2.x*e1.y + e2.y*e1.x as its
// weight, at the strips' positions turned to a given angle. That measure is
// not the area and changes as the playfield turns, so the only way to know
// how a shape hangs is to weigh it at many angles.
class Weighing {
public:
    // The strips as a freshly started game makes them from the level file:
    // the clipping layer's memory of earlier polygons (which lets it redo
    // only what a stamp changed, in an order that can differ) is cleared.
    explicit Weighing(gpc_polygon& polygon)
    {
        gpc_forget_all();
        gpc_polygon_to_tristrip(&polygon, &strips_);
    }
    ~Weighing() { gpc_free_tristrip(&strips_); }
    Weighing(const Weighing&) = delete;
    Weighing& operator=(const Weighing&) = delete;

    int strips() const { return strips_.num_strips; }

    // The moment of the playfield's own weight at angle a.
    double moment(double a) const
    {
        const double s = static_cast<float>(std::sin(a)), c = static_cast<float>(std::cos(a));
        const double px = pivot.x, py = pivot.y;
        double total = 0.0;
        for (int i = 0; i < strips_.num_strips; ++i) {
            const gpc_vertex_list& st = strips_.strip[i];
            for (int j = 2; j < st.num_vertices; j += 3) {
                double x[3], y[3];
                for (int k = 0; k < 3; ++k) {
                    const gpc_vertex& v = st.vertex[j - 2 + k];
                    const double dx = v.x - px, dy = v.y - py;
                    x[k] = static_cast<float>(px + dx * c + dy * s);
                    y[k] = static_cast<float>(py - dx * s + dy * c);
                }
                const double e1x = x[1] - x[0], e1y = y[1] - y[0], e2x = x[2] - x[0], e2y = y[2] - y[0];
                const double weight = std::fabs(std::trunc(e2x * e1y + e2y * e1x)) * 0.5;
                const double cx = (x[0] + x[1] + x[2]) * 0.3333;
                total += (cx - px) * weight * 0.001;
            }
        }
        return total;
    }

    // The moment of balls held where they are on the playfield at angle a.
    static double ballMoment(const std::vector<Point>& held, double a)
    {
        const double s = std::sin(a), c = std::cos(a);
        double total = 0.0;
        for (const Point& p : held) total += ((p.x - pivot.x) * c + (p.y - pivot.y) * s) * 2.0;
        return total;
    }

    // The angle at which the playfield hangs still with the given balls
    // held on it, followed from upright the way the tilt moves it; NAN when
    // it turns past a quarter turn.
    double restingAngle(const std::vector<Point>& held) const
    {
        double a = 0.0;
        for (int i = 0; i < 20000; ++i) {
            const double next = a - (moment(a) + ballMoment(held, a)) * 0.000004;
            if (std::fabs(next) > M_PI / 2) return NAN;
            if (std::fabs(next - a) < 1e-8) return next;
            a = next;
        }
        return a;
    }

    // The least growth of the moment per radian between steps of 0.025 rad
    // from -range to +range: the playfield's resistance to a rolling ball.
    // Negative where turning further makes it turn more.
    double leastStiffness(double range) const
    {
        double least = 1e30;
        double before = moment(-range);
        for (double a = -range + 0.025; a <= range + 1e-9; a += 0.025) {
            const double now = moment(a);
            least = std::fmin(least, (now - before) / 0.025);
            before = now;
        }
        return least;
    }

private:
    gpc_tristrip strips_{0, nullptr};
};

std::string angleText(double a)
{
    if (std::isnan(a)) return "none (it topples)";
    char text[64];
    std::snprintf(text, sizeof text, "%.4f rad", a);
    return text;
}

// Where the moment of the playfield with the balls held on it crosses zero
// going up, nearest to upright, sampled every 0.025 rad within 0.3 rad;
// NAN when it does not.
double crossingNearUpright(const Weighing& w, const std::vector<Point>& held)
{
    double best = NAN;
    double a0 = -0.3, m0 = w.moment(a0) + Weighing::ballMoment(held, a0);
    for (int k = -11; k <= 12; ++k) {
        const double a1 = k * 0.025, m1 = w.moment(a1) + Weighing::ballMoment(held, a1);
        if (m0 <= 0 && m1 > 0) {
            const double at = a0 + (a1 - a0) * (-m0) / (m1 - m0);
            if (std::isnan(best) || std::fabs(at) < std::fabs(best)) best = at;
        }
        a0 = a1;
        m0 = m1;
    }
    return best;
}

// The ballast search: a disc added in the box (a weight), or cut from deep
// inside it (a lightening hole), that brings the playfield, with the balls
// held, to hang nearest to the target angle while it stays stiff.
// Returns the disc as "add|cut disc X Y R" words, or an empty list.
std::vector<std::string> findBallast(const gpc_polygon& level, const std::vector<Step>& history,
                                     const std::vector<Point>& balls, double x0, double y0,
                                     double x1, double y1, double rmax, double wantedStiffness, double target,
                                     double detail)
{
    struct Choice {
        bool cut;
        double x, y, r, rest, stiffness;
    };
    bool found = false;
    Choice best{false, 0, 0, 0, 0, 0};
    auto better = [&](const Choice& c) {
        if (!found) return true;
        const bool stiff = c.stiffness >= wantedStiffness, bestStiff = best.stiffness >= wantedStiffness;
        if (stiff != bestStiff) return stiff;
        if (!stiff) return c.stiffness > best.stiffness;
        return std::fabs(c.rest - target) < std::fabs(best.rest - target);
    };
    for (int cut = 0; cut < 2; ++cut) {
        for (double r = 8; r <= rmax + 1e-9; r += 6) {
            for (double y = std::fmin(y0, y1); y <= std::fmax(y0, y1) + 1e-9; y += 8) {
                for (double x = std::fmin(x0, x1); x <= std::fmax(x0, x1) + 1e-9; x += 8) {
                    bool clear = true;
                    for (const Point& b : balls)
                        if (std::hypot(b.x - x, b.y - y) < r + ballRadius + 2) clear = false;
                    if (!clear) continue;
                    const bool inside = insideSolid(level, {x, y});
                    const double edge = outlineDistance(level, {x, y});
                    // A weight sticks to the playfield; a lightening hole stays
                    // well inside it, away from every outline.
                    if (!cut && !inside && edge > r * 0.5) continue;
                    if (cut && (!inside || edge < r + 12)) continue;
                    gpc_polygon candidate{0, nullptr, nullptr};
                    gpc_forget_all();
                    for (const Step& step : history) applyShape(candidate, step.first, step.second);
                    applyShape(candidate, cut ? GPC_DIFF : GPC_UNION,
                               subdivided(regularPolygon(x, y, r, discCorners, 0.0), detail));
                    const Weighing w(candidate);
                    const Choice c{cut == 1, x, y, r, crossingNearUpright(w, balls), w.leastStiffness(0.25)};
                    gpc_free_polygon(&candidate);
                    if (std::isnan(c.rest)) continue;
                    if (better(c)) {
                        best = c;
                        found = true;
                    }
                }
            }
        }
    }
    if (!found) return {};
    char text[3][32];
    std::snprintf(text[0], sizeof text[0], "%g", best.x);
    std::snprintf(text[1], sizeof text[1], "%g", best.y);
    std::snprintf(text[2], sizeof text[2], "%g", best.r);
    const char* op = best.cut ? "cut" : "add";
    std::printf("      balance: %s disc %s %s %s   (rests near %.4f rad, least stiffness %.0f per rad)\n", op, text[0],
                text[1], text[2], best.rest, best.stiffness);
    return {op, "disc", text[0], text[1], text[2]};
}

struct Level {
    std::string name;
    std::string idea;
    int line = 0;
    gpc_polygon polygon{0, nullptr, nullptr};
    std::vector<Point> balls;   // white first
    bool white = false;
    double detail = 0.0;   // longest edge of a shape, 0 for no limit
    std::vector<Step> history;
};

// Checks and writes one level; prints a line about it.
void writeLevel(Level& lv, const std::string& folder)
{
    if (!lv.white) throw ComposeError{lv.line, "level " + lv.name + " has no white ball"};
    if (lv.balls.size() != ballCount) throw ComposeError{lv.line, "level " + lv.name + " needs six red balls"};
    if (lv.polygon.num_contours == 0) throw ComposeError{lv.line, "level " + lv.name + " is empty"};
    for (size_t i = 0; i < lv.balls.size(); ++i) {
        const Point& p = lv.balls[i];
        if (p.x < 0 || p.x > 1024 || p.y < 0 || p.y > 768)
            throw ComposeError{lv.line, "level " + lv.name + ": ball " + std::to_string(i) + " starts off the screen"};
        for (size_t k = 0; k < i; ++k) {
            double d = std::hypot(p.x - lv.balls[k].x, p.y - lv.balls[k].y);
            if (d < 2.0 * ballRadius - 1e-6)
                throw ComposeError{lv.line, "level " + lv.name + ": balls " + std::to_string(k) + " and " +
                                                std::to_string(i) + " overlap"};
        }
    }
    for (int c = 0; c < lv.polygon.num_contours; ++c) {
        double a = signedArea(lv.polygon.contour[c]);
        if ((lv.polygon.hole[c] ? a <= 0 : a >= 0))
            throw ComposeError{lv.line, "level " + lv.name + ": contour " + std::to_string(c) + " runs the wrong way"};
    }

    // Built once more from the start, so that what is written does not
    // depend on whatever else the clipping layer did meanwhile (a ballast
    // search, say).
    gpc_free_polygon(&lv.polygon);
    gpc_forget_all();
    for (const Step& step : lv.history) applyShape(lv.polygon, step.first, step.second);
    angle = 0.0f;
    replaceLevelPolygon(lv.polygon);
    for (int i = 0; i < ballCount; ++i) {
        balls[i].position = Vec2(lv.balls[i].x, lv.balls[i].y);
        balls[i].velocity = Vec2();
    }
    const std::string path = folder + "/" + lv.name + ".lv";
    if (!saveLevel(path.c_str())) throw ComposeError{lv.line, "could not write " + path};

    int vertices = 0, holes = 0;
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        vertices += levelPolygon.contour[c].num_vertices;
        holes += levelPolygon.hole[c];
    }
    double ballMoment = 0.0;
    for (const Point& p : lv.balls) ballMoment += (p.x - pivot.x) * 2.0;
    const Weighing weighing(levelPolygon);
    const std::vector<Point> reds(lv.balls.begin() + 1, lv.balls.end());
    std::printf("%-5s contours %d (holes %d), vertices %d, strips %d\n", (lv.name + ".lv").c_str(),
                levelPolygon.num_contours, holes, vertices, levelStrips.num_strips);
    std::printf("      moment upright: field %.1f, balls %.1f; least stiffness within 0.25 rad %.0f per rad\n",
                weighing.moment(0.0), ballMoment, weighing.leastStiffness(0.25));
    std::printf("      rests at: bare %s, with the balls held %s, with the reds alone %s\n",
                angleText(weighing.restingAngle({})).c_str(), angleText(weighing.restingAngle(lv.balls)).c_str(),
                angleText(weighing.restingAngle(reds)).c_str());
    if (std::getenv("COMPOSER_CURVE")) {
        std::printf("      field moment from -0.3 to 0.3 rad:");
        for (int k = -12; k <= 12; ++k) std::printf(" %.0f", weighing.moment(k * 0.025));
        std::printf("\n");
    }
    angle = 0.0f;
    rotatePlayfield();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: level-composer DESCRIPTIONS OUTPUT_FOLDER [LEVEL_NAME...]\n"
                             "       level-composer --table DESCRIPTIONS\n");
        return 2;
    }
    const bool tableOnly = std::string(argv[1]) == "--table";
    const char* descriptions = tableOnly ? argv[2] : argv[1];
    std::ifstream in(descriptions);
    if (!in) {
        std::fprintf(stderr, "level-composer: cannot read %s\n", descriptions);
        return 2;
    }
    const std::string folder = tableOnly ? std::string() : argv[2];
    std::set<std::string> wanted;
    if (!tableOnly) wanted.insert(argv + 3, argv + argc);
    if (tableOnly) std::printf("| Level file | Idea |\n|---|---|\n");

    initScreen();
    pivot = Vec2(screenRect.w * 0.5, screenRect.h * 0.5);
    createBalls();

    std::set<std::string> seen;
    int written = 0;
    try {
        Level lv;
        bool open = false;
        std::string text;
        int lineNo = 0;
        while (std::getline(in, text)) {
            ++lineNo;
            std::vector<std::string> w = words(text);
            if (w.empty()) continue;
            const std::string& cmd = w[0];
            if (cmd == "level") {
                if (open) throw ComposeError{lineNo, "level " + lv.name + " has no 'end'"};
                if (w.size() != 2) throw ComposeError{lineNo, "'level' takes a name"};
                if (!seen.insert(w[1]).second) throw ComposeError{lineNo, "level " + w[1] + " is described twice"};
                lv = Level();
                lv.name = w[1];
                lv.line = lineNo;
                lv.balls.assign(1, Point{0, 0});
                open = true;
                continue;
            }
            if (!open) throw ComposeError{lineNo, "'" + cmd + "' outside a level"};
            if (cmd == "idea") {
                size_t at = text.find("idea") + 4;
                lv.idea = text.substr(at);
            } else if (cmd == "add" || cmd == "cut") {
                const gpc_op op = cmd == "add" ? GPC_UNION : GPC_DIFF;
                bool mirror = w.size() > 1 && w[1] == "mirrored";
                std::vector<Point> pts = subdivided(shapeOutline(lv.polygon, w, mirror ? 2 : 1, lineNo), lv.detail);
                applyShape(lv.polygon, op, pts);
                lv.history.push_back({op, pts});
                if (mirror) {
                    applyShape(lv.polygon, op, mirrored(pts));
                    lv.history.push_back({op, mirrored(pts)});
                }
            } else if (cmd == "detail") {
                if (w.size() != 2) throw ComposeError{lineNo, "'detail' takes the longest edge in pixels"};
                lv.detail = number(w[1], lineNo);
                if (lv.detail < 0) throw ComposeError{lineNo, "'detail' cannot be negative"};
            } else if (cmd == "balance") {
                if (w.size() < 5 || w.size() > 8)
                    throw ComposeError{lineNo, "'balance' takes X0 Y0 X1 Y1 [RMAX [STIFFNESS [ANGLE]]]"};
                if (!lv.white || lv.balls.size() != ballCount) throw ComposeError{lineNo, "'balance' comes after the balls"};
                std::vector<double> v;
                for (size_t i = 1; i < w.size(); ++i) v.push_back(number(w[i], lineNo));
                std::vector<std::string> add = findBallast(lv.polygon, lv.history, lv.balls, v[0], v[1], v[2], v[3],
                                                           v.size() > 4 ? v[4] : 40.0, v.size() > 5 ? v[5] : 3000.0,
                                                           v.size() > 6 ? v[6] : 0.0, lv.detail);
                if (add.empty()) throw ComposeError{lineNo, "no ballast in that box keeps the playfield hanging"};
                const gpc_op op = add[0] == "cut" ? GPC_DIFF : GPC_UNION;
                std::vector<Point> pts = subdivided(shapeOutline(lv.polygon, add, 1, lineNo), lv.detail);
                applyShape(lv.polygon, op, pts);
                lv.history.push_back({op, pts});
            } else if (cmd == "white" || cmd == "red") {
                if (w.size() < 3 || w.size() > 4) throw ComposeError{lineNo, "'" + cmd + "' takes X Y or X rest [Y0]"};
                Point p{number(w[1], lineNo), 0};
                if (w[2] == "rest") {
                    double y0 = w.size() == 4 ? number(w[3], lineNo) : 0.0;
                    p.y = restingHeight(lv.polygon, p.x, y0, lineNo);
                } else {
                    if (w.size() != 3) throw ComposeError{lineNo, "'" + cmd + " X Y' takes two numbers"};
                    p.y = number(w[2], lineNo);
                }
                if (cmd == "white") {
                    if (lv.white) throw ComposeError{lineNo, "a second white ball"};
                    lv.white = true;
                    lv.balls[0] = p;
                } else {
                    if (lv.balls.size() >= ballCount) throw ComposeError{lineNo, "more than six red balls"};
                    lv.balls.push_back(p);
                }
            } else if (cmd == "end") {
                open = false;
                if (tableOnly) {
                    std::printf("| data/%s.lv | %s |\n", lv.name.c_str(), trimmed(lv.idea).c_str());
                } else if (wanted.empty() || wanted.count(lv.name)) {
                    writeLevel(lv, folder);
                    ++written;
                }
                gpc_free_polygon(&lv.polygon);
            } else {
                throw ComposeError{lineNo, "unknown command '" + cmd + "'"};
            }
        }
        if (open) throw ComposeError{lineNo, "level " + lv.name + " has no 'end'"};
    } catch (const ComposeError& e) {
        std::fprintf(stderr, "level-composer: %s:%d: %s\n", descriptions, e.line, e.message.c_str());
        return 1;
    }
    for (const std::string& name : wanted)
        if (!seen.count(name)) {
            std::fprintf(stderr, "level-composer: no level named %s\n", name.c_str());
            return 1;
        }
    if (!tableOnly) std::printf("%d level(s) written to %s\n", written, folder.c_str());
    return 0;
}
