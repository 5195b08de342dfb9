// The playfield: the level polygon with its triangle strips, the tilt about
// the screw, the stamp tool settings and the editor's ball selection.
#pragma once
#include "clip/gpc.h"
#include "physics/vec2.h"

enum ShapeType {
    Circle = 0,   // a 12-gon
    Square = 1,   // a 4-gon; any other value stamps and previews as the circle
};

extern gpc_polygon levelPolygon;   // level coordinates (x, y) and rotated (rx, ry)
extern gpc_tristrip levelStrips;   // always covers the same area as levelPolygon
extern Vec2 pivot;                 // the screen centre, set once by initPlayfield
extern float angle;                // radians; positive turns counter-clockwise on screen
extern float angularVelocity;
extern int shapeType;
extern float shapeSize;            // circumradius of the stamp, pixels
extern int stampBlockedMs;         // > 0 for 500 ms after a refused stamp
extern int selectedBall;           // ball carried in the editor, -1 for none
extern unsigned screwTexture;
extern unsigned mainTexture;

// Start-up: tool defaults, pivot, balls, reset, level 0, then the textures.
void initPlayfield();
// Tool defaults, angle and angular velocity 0, geometry recomputed upright.
void resetPlayfield();
// Writes rx, ry of every strip and contour vertex from angle and pivot.
// Absolute, in place, allocates nothing.
void rotatePlayfield();
// Releases the polygon and the strips; leaves both empty. Safe to repeat.
void freePlayfield();
// Offset of vertex i of a regular n-gon of circumradius shapeSize.
Vec2 polygonVertex(int i, float n);

// Replaces the level polygon with a new one (taking ownership), rebuilds the
// strips and rotates. Used by loading and stamping.
void replaceLevelPolygon(gpc_polygon& polygon);
