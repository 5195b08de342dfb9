#include "app/state_line.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "clip/gpc.h"
#include "game/levels.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/playfield.h"

namespace {

double polygonArea(const gpc_polygon& p)
{
    double area = 0.0;
    for (int c = 0; c < p.num_contours; ++c)
        area += std::fabs(gpc_contour_area(&p.contour[c])) * (p.hole[c] ? -1.0 : 1.0);
    return area;
}

// A float to nine significant digits; not-a-number and infinities become
// null, which any JSON reader takes.
nlohmann::ordered_json shown(double value, const char* format = "%.9g")
{
    if (!std::isfinite(value)) return nullptr;
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return std::strtod(text, nullptr);
}

}  // namespace

nlohmann::ordered_json playState()
{
    int vertices = 0;
    for (int c = 0; c < levelPolygon.num_contours; ++c) vertices += levelPolygon.contour[c].num_vertices;
    nlohmann::ordered_json state;
    state["state"] = stateName(gameState);
    state["stateTime"] = stateTime;
    state["levelIndex"] = levelIndex;
    state["keepTime"] = keepTime;
    state["angle"] = shown(angle);
    state["angularVelocity"] = shown(angularVelocity);
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (int i = 0; i < ballCount; ++i) {
        const Ball& b = balls[i];
        list.push_back({{"x", shown(b.position.x)}, {"y", shown(b.position.y)},
                        {"vx", shown(b.velocity.x)}, {"vy", shown(b.velocity.y)}});
    }
    state["balls"] = list;
    state["contours"] = levelPolygon.num_contours;
    state["vertices"] = vertices;
    state["area"] = shown(polygonArea(levelPolygon), "%.6f");
    state["strips"] = levelStrips.num_strips;
    return state;
}

std::string jsonLine(const nlohmann::ordered_json& value)
{
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
