#include "soak.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/loop.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/playfield.h"
#include "runner.h"

namespace {

bool failed = false;
long passes = 0;
long polygonChanges = 0;
int largestVertexCount = 0;
long peakRssKb = 0;
long rssAtLastGrowthKb = 0;
const gpc_vertex_list* lastContours = nullptr;
int lastContourCount = -1;
int lastVertexCount = -1;

long residentKb()
{
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    long size = 0, resident = 0;
    if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void broken(const char* what)
{
    if (!failed) {
        std::fprintf(stderr, "soak: after pass %ld: %s\n", passes, what);
        printState();
    }
    failed = true;
}

// The clipping layer's contract on the level as it stands.
void checkPolygon()
{
    double area = 0.0, scale = 0.0;
    int vertices = 0;
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        const gpc_vertex_list& contour = levelPolygon.contour[c];
        vertices += contour.num_vertices;
        if (contour.num_vertices < 3) return broken("a contour with fewer than three vertices");
        for (int i = 0; i < contour.num_vertices; ++i) {
            const gpc_vertex& a = contour.vertex[i];
            const gpc_vertex& b = contour.vertex[(i + 1) % contour.num_vertices];
            if (!std::isfinite(a.x) || !std::isfinite(a.y)) return broken("a vertex is not finite");
            if (a.x == b.x && a.y == b.y) return broken("repeated consecutive vertices");
        }
        const double a = gpc_contour_area(&contour);
        if (levelPolygon.hole[c] == 1) {
            if (!(a > 0.0)) return broken("a hole that is not clockwise on the screen");
        } else if (levelPolygon.hole[c] == 0) {
            if (!(a < 0.0)) return broken("an outer contour that is not counter-clockwise on the screen");
        } else {
            return broken("a hole flag other than 0 or 1");
        }
        area -= a;
        scale += std::fabs(a);
    }
    double stripArea = 0.0;
    for (int s = 0; s < levelStrips.num_strips; ++s) {
        const gpc_vertex_list& strip = levelStrips.strip[s];
        if (strip.num_vertices < 3) return broken("a strip with fewer than three vertices");
        for (int j = 0; j + 2 < strip.num_vertices; ++j) {
            const gpc_vertex& p = strip.vertex[j];
            const gpc_vertex& q = strip.vertex[j + 1];
            const gpc_vertex& r = strip.vertex[j + 2];
            stripArea += std::fabs((q.x - p.x) * (r.y - p.y) - (r.x - p.x) * (q.y - p.y)) * 0.5;
        }
    }
    if (std::fabs(stripArea - area) > 1e-6 * scale + 1e-3) {
        char text[160];
        std::snprintf(text, sizeof text, "the strips cover %.6f but the polygon has %.6f", stripArea, area);
        return broken(text);
    }
    if (vertices > largestVertexCount) {
        largestVertexCount = vertices;
        rssAtLastGrowthKb = residentKb();
    }
}

void checkAfterPass()
{
    ++passes;
    for (int i = 0; i < ballCount; ++i) {
        const Ball& b = balls[i];
        if (!std::isfinite(b.position.x) || !std::isfinite(b.position.y) || !std::isfinite(b.velocity.x) ||
            !std::isfinite(b.velocity.y))
            return broken("a ball's position or velocity is not finite");
    }
    if (!std::isfinite(angle) || !std::isfinite(angularVelocity)) return broken("the angle is not finite");

    int vertices = 0;
    for (int c = 0; c < levelPolygon.num_contours; ++c) vertices += levelPolygon.contour[c].num_vertices;
    if (levelPolygon.contour != lastContours || levelPolygon.num_contours != lastContourCount ||
        vertices != lastVertexCount) {
        lastContours = levelPolygon.contour;
        lastContourCount = levelPolygon.num_contours;
        lastVertexCount = vertices;
        ++polygonChanges;
        checkPolygon();
    }
    if (passes % 3750 == 0) {   // about once a minute of game time
        long rss = residentKb();
        if (rss > peakRssKb) peakRssKb = rss;
    }
}

class Player {
public:
    explicit Player(uint32_t seed) : rng(seed)
    {
        char dir[] = "/tmp/tiltmoor-soak-XXXXXX";
        if (mkdtemp(dir)) folder = dir;
    }
    ~Player()
    {
        if (!folder.empty()) {
            std::remove((folder + "/edited.lv").c_str());
            rmdir(folder.c_str());
        }
    }

    void act()
    {
        switch (gameState) {
        case Title: title(); break;
        case Playing: playing(); break;
        case LevelComplete:
        case LevelFailed: result(); break;
        case Editor: editor(); break;
        default: run("wait 16"); break;
        }
    }

private:
    std::mt19937 rng;
    std::string folder;

    int pick(int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); }
    bool chance(int percent) { return pick(100) < percent; }
    void run(const std::string& line) { runCommand(words(line), 0); }
    void waitSome(int most) { run("wait " + std::to_string(16 + pick(most))); }
    void moveAnywhere() { run("move " + std::to_string(pick(1024)) + " " + std::to_string(pick(768))); }
    void moveToBall()
    {
        const Ball& b = balls[pick(ballCount)];
        const int x = static_cast<int>(std::fmin(std::fmax(b.position.x + pick(30) - 15, 0.0f), 1023.0f));
        const int y = static_cast<int>(std::fmin(std::fmax(b.position.y + pick(30) - 15, 0.0f), 767.0f));
        run("move " + std::to_string(x) + " " + std::to_string(y));
    }

    void title()
    {
        if (chance(15)) {
            run("key f2");
        } else {
            moveAnywhere();
            run(chance(50) ? "click left" : "click right");
        }
        waitSome(100);
    }

    void playing()
    {
        const int roll = pick(100);
        if (roll < 35) {
            if (chance(30)) moveToBall(); else moveAnywhere();
            run("click left");
        } else if (roll < 60) {
            moveAnywhere();
            run("click right");
        } else if (roll < 64) {
            moveAnywhere();
            run("press left");
            run("press right");
            waitSome(200);
            run("release right");
            run("release left");
        } else if (roll < 68) {
            moveToBall();   // held over a ball: refused, retried every pass
            run("press left");
            waitSome(600);
            run("release left");
        } else if (roll < 69) {
            run("key escape");
        } else if (roll < 71) {
            run(chance(50) ? "key z" : "key x");
        }
        waitSome(400);
    }

    void result()
    {
        waitSome(700);
        run(chance(70) ? "click left" : (chance(50) ? "key return" : "key escape"));
        waitSome(50);
    }

    void editor()
    {
        const int roll = pick(100);
        const std::string file = folder + "/edited.lv";
        if (roll < 8) {
            run(chance(50) ? "key left" : "key right");
        } else if (roll < 20) {
            // The wheel far past zero in either direction.
            const std::string notch = chance(50) ? "click wheelup" : "click wheeldown";
            for (int n = pick(30); n >= 0; --n) run(notch);
        } else if (roll < 45) {
            moveAnywhere();
            const bool mirrored = chance(40);
            if (mirrored) run("keydown space");
            run(chance(60) ? "click left" : "click right");
            if (mirrored) run("keyup space");
        } else if (roll < 55) {
            moveToBall();   // pick a ball up, carry it, put it down
            run("click left");
            waitSome(100);
            moveAnywhere();
            waitSome(100);
            run("click left");
        } else if (roll < 58) {
            run("key c");
        } else if (roll < 64 && !folder.empty()) {
            run("dialog " + file);
            run(chance(50) ? "key f12" : "key f11");
        } else if (roll < 68) {
            run(chance(70) && !folder.empty() ? "dialog " + file : std::string("dialog"));
            run("key f2");
        } else if (roll < 71) {
            run("dialog /nonexistent-folder/level");   // a save that cannot be written
            run("key f12");
        } else if (roll < 78) {
            run("key escape");
        }
        waitSome(150);
    }
};

}  // namespace

int runSoak(uint32_t seed, long minutes)
{
    afterPass = checkAfterPass;
    Player player(seed);
    const long endMs = minutes * 60000L;
    long elapsed = 0;
    lastContours = levelPolygon.contour;
    lastContourCount = levelPolygon.num_contours;
    checkPolygon();
    try {
        while (elapsed < endMs && !failed) {
            const long before = passes;
            player.act();
            elapsed += (passes - before) * static_cast<long>(fixedFrameMs);
        }
    } catch (const ScriptError& e) {
        std::fprintf(stderr, "soak: bad generated command: %s\n", e.message.c_str());
        failed = true;
    }
    afterPass = nullptr;
    const long rss = residentKb();
    if (rss > peakRssKb) peakRssKb = rss;
#if !defined(__SANITIZE_ADDRESS__)
    // Once the geometry stops growing, so does the memory (a little slack
    // for the allocator's own bookkeeping).
    if (!failed && rss > rssAtLastGrowthKb + 16 * 1024) {
        std::fprintf(stderr, "soak: resident memory grew from %ld kB to %ld kB after the geometry stopped growing\n",
                     rssAtLastGrowthKb, rss);
        failed = true;
    }
#endif
    std::printf("soak: seed %u, %.3f game hours, %ld passes, %ld polygon changes, largest vertex count %d, "
                "peak resident memory %ld kB: %s\n",
                seed, double(elapsed) / 3600000.0, passes, polygonChanges, largestVertexCount, peakRssKb,
                failed ? "FAILED" : "ok");
    return failed ? 1 : 0;
}
