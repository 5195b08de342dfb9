#include "render/scene.h"

#include <cmath>
#include <cstdint>

#include <GL/gl.h>

#include "app/input.h"
#include "app/loop.h"
#include "physics/ball.h"
#include "playfield/playfield.h"
#include "render/screens.h"
#include "render/sprite.h"

namespace {

constexpr int backgroundStart = -50;
constexpr int backgroundStep = 49;
constexpr float backgroundPhaseRate = 4.7123885e-5f;   // one turn in about 133 s
// The screw turns about twice as far as the playfield, in the same sense.
constexpr double screwDegreesPerRadian = 360.0 / double(3.14f);

void drawPlayfieldFill(double t)
{
    for (int i = 0; i < levelStrips.num_strips; ++i) {
        const gpc_vertex_list& strip = levelStrips.strip[i];
        glBegin(GL_TRIANGLE_STRIP);
        for (int j = 0; j < strip.num_vertices; ++j) {
            const gpc_vertex& v = strip.vertex[j];
            // The ripple follows the level's own x, the vertex the turned one.
            const double s = 0.2 * std::sin(0.1 * v.x + 0.01 * t);
            glColor4f(0.0f, float(0.3 + s), 0.9f, 0.5f);
            glVertex2f(float(v.rx), float(v.ry));
        }
        glEnd();
    }
}

void drawPlayfieldOutline(double t)
{
    for (int c = 0; c < levelPolygon.num_contours; ++c) {
        const gpc_vertex_list& contour = levelPolygon.contour[c];
        if (contour.num_vertices <= 0) continue;
        for (int pass = 0; pass < 3; ++pass) {
            glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
            glBegin(GL_LINE_STRIP);
            double dx = 0.0, dy = 0.0;
            for (int i = 0; i < contour.num_vertices; ++i) {
                // The third pass trembles around the other two.
                if (pass == 2) {
                    dx = 1.75 * std::sin(0.0025 * t + i);
                    dy = 1.75 * std::sin(0.004 * t + i);
                }
                const gpc_vertex& v = contour.vertex[i];
                glVertex2f(float(v.rx + dx), float(v.ry + dy));
            }
            const gpc_vertex& v0 = contour.vertex[0];
            glVertex2f(float(v0.rx + dx), float(v0.ry + dy));
            glEnd();
        }
    }
}

void drawCursorShape()
{
    if (stampBlockedMs > 0) {
        // A refused stamp flickers red for as long as the refusal lasts.
        const float r = float(std::fabs(std::sin(0.05024 * stampBlockedMs)));
        glColor3f(r, 0.0f, 0.0f);
        glLineWidth(3.0f);
    } else {
        glColor4f(1.0f, 0.75f, 0.75f, 0.75f);
        glLineWidth(1.0f);
    }
    const int corners = shapeType == Square ? 4 : 20;
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i < corners; ++i) {
        const Vec2 p = mousePos + polygonVertex(i, float(corners));
        glVertex2f(p.x, p.y);
    }
    const Vec2 p = mousePos + polygonVertex(0, float(corners));
    glVertex2f(p.x, p.y);
    glEnd();
}

void ballOutline(float x, float y, double radius)
{
    for (int k = 0; k < 16; ++k)
        glVertex2f(float(x + radius * std::sin(0.3925 * k)), float(y + radius * std::cos(0.3925 * k)));
    glVertex2f(x, float(y + radius));
}

void drawBalls(double t)
{
    glLineWidth(3.0f);
    glEnable(GL_BLEND);
    if (!balls) return;
    const double radius = ballRadius;
    for (int j = 0; j < ballCount; ++j) {
        const float x = balls[j].position.x;
        const float y = balls[j].position.y;
        const bool white = j == 0;

        if (j == selectedBall) glColor3f(0.0f, 1.0f, 1.0f);
        else if (white) glColor4f(1.0f, 1.0f, 1.0f, 0.4f);
        else glColor4f(0.9f, 0.2f, 0.3f, 0.4f);
        glBegin(GL_TRIANGLE_FAN);
        ballOutline(x, y, radius);
        glEnd();

        if (white) glColor4f(1.0f, 1.0f, 1.0f, 0.9f);
        else glColor4f(0.9f, 0.2f, 0.3f, 0.7f);
        glBegin(GL_LINE_STRIP);
        ballOutline(x, y, radius - std::fabs(2.0 * std::sin(0.001 * t + 0.4 * j)));
        glEnd();
    }
}

void drawScrew()
{
    drawSprite(int(pivot.x - 20.0f), int(pivot.y - 20.0f), 40, 40, screwTexture, 0, 0, 0, 0,
               float(-double(angle) * screwDegreesPerRadian), 1.0f);
}

void fullScreenQuad()
{
    glBegin(GL_QUADS);
    glVertex2i(0, 0);
    glVertex2i(screenWidth, 0);
    glVertex2i(screenWidth, screenHeight);
    glVertex2i(0, screenHeight);
    glEnd();
}

}  // namespace

void drawBackground()
{
    glLineWidth(2.0f);
    glEnable(GL_BLEND);
    const double phase = double(int32_t(currentTicks)) * double(backgroundPhaseRate);
    const float a = float(std::abs(int(49.0 * std::sin(phase))));
    const float b = float(std::abs(int(49.0 * std::cos(phase))));

    glBegin(GL_LINE_STRIP);
    for (int x = backgroundStart; x < screenWidth; x += backgroundStep) {
        // The rows run down to the screen's width, past its bottom edge.
        for (int y = backgroundStart; y < screenWidth; y += backgroundStep) {
            if (x % 2 == 0 && y % 2 != 0) glColor4f(0.26f, 0.26f, 0.26f, 0.4f);
            else glColor4f(0.2f, 0.1f, 0.6f, 0.4f);
            glVertex2f(float(x), float(y) + b);
            glVertex2f(float(x + backgroundStep), float(y) + a);
        }
    }
    glEnd();
    glLineWidth(1.0f);
}

void drawFrame()
{
    const double t = double(currentTicks);
    drawBackground();

    glLineWidth(1.0f);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    drawPlayfieldFill(t);

    glDisable(GL_TEXTURE_2D);
    glLineWidth(2.0f);
    drawPlayfieldOutline(t);

    drawCursorShape();
    drawBalls(t);

    glLineWidth(1.0f);
    glEnable(GL_BLEND);
    glColor3f(1.0f, 1.0f, 1.0f);
    drawScrew();
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);

    drawStateLayer();
}

void drawSplash(unsigned texture, int stateTimeMs)
{
    float t = float(stateTimeMs);
    if (t > 3000.0f) t = 3000.0f;
    const float alpha = float(std::sin(double(t) * double(t) * double(3.488889e-7f)));
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    // At 0 ms the picture is fully transparent: blending it changes no pixel,
    // and the very first frame goes out without it.
    if (alpha <= 0.0f) return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2i(0, 0);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2i(screenWidth, 0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2i(screenWidth, screenHeight);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2i(0, screenHeight);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void drawFadeIn(int fadeTimeMs)
{
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.0f, 0.0f, 0.0f, float(fadeTimeMs / 500.0));
    fullScreenQuad();
}
