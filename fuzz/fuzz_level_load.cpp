// Fuzzes the level loader as the game calls it: the bytes become a level
// file, loadLevel reads it, and a stamp at the white ball follows, with the
// strips rebuilt and the playfield rotated as a stamp does.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "clip/gpc.h"
#include "fuzz_support.h"
#include "physics/ball.h"
#include "playfield/levelfile.h"
#include "playfield/playfield.h"

using namespace fuzzcheck;

namespace {

// The level file has the same name in every run (in a folder of its own,
// the working directory): the loader reads its name too, and a random one
// would make two runs cover different code.
const char* const levelPath = "level.lv";
std::string folder;

void removeLevelFile()
{
    if (folder.empty()) return;
    unlink((folder + "/" + levelPath).c_str());
    rmdir(folder.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char name[] = "/tmp/tiltmoor-fuzz-level-XXXXXX";
    if (!mkdtemp(name) || chdir(name) != 0) {
        std::perror("fuzz folder");
        std::exit(1);
    }
    folder = name;
    std::atexit(removeLevelFile);
    pivot = Vec2(512.0f, 384.0f);
    createBalls();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FILE* file = std::fopen(levelPath, "wb");
    require(file != nullptr, "the level file can be written");
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);

    angle = float(size % 7) * 0.3f;
    loadLevel(levelPath);

    checkRecord(levelPolygon, true);
    stripArea(levelStrips);
    for (int b = 0; b < ballCount; ++b)
        require(std::isfinite(balls[b].position.x) && std::isfinite(balls[b].position.y), "ball positions finite");

    // A stamp where the white ball stands, adding on even sizes, cutting on odd.
    Stamp stamp(balls[0].position.x, balls[0].position.y + 30.0, 40.0);
    gpc_polygon result;
    gpc_polygon_clip(size % 2 ? GPC_DIFF : GPC_UNION, &levelPolygon, &stamp.polygon, &result);
    const double area = checkClipped(result);
    const bool checking = clipperAgrees(result, area);
    replaceLevelPolygon(result);
    const double covered = stripArea(levelStrips);
    checkLayout(levelStrips);
    require(!checking || std::fabs(covered - area) <= areaTolerance(area, levelPolygon) + areaTolerance(0, stamp.polygon),
            "strips cover the stamped level");
    for (int c = 0; c < levelPolygon.num_contours; ++c)
        for (int v = 0; v < levelPolygon.contour[c].num_vertices; ++v)
            require(std::isfinite(levelPolygon.contour[c].vertex[v].rx), "rotated positions finite");
    return 0;
}
