// The state of the game as one JSON object: what the headless runner's
// `print` shows and what a replay's last line holds, so that a replay checks
// itself against the state its play ended in.
#pragma once
#include <nlohmann/json.hpp>

// State, times, level index, keepTime, angle and angular velocity, the balls'
// positions and velocities, and the polygon's contour, vertex and strip
// counts with its area. Floats to nine significant digits, which tells every
// float apart; the area to six decimals.
nlohmann::ordered_json playState();
// The object on one line, bytes that are not UTF-8 replaced.
std::string jsonLine(const nlohmann::ordered_json& value);
