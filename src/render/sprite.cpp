#include "render/sprite.h"

#include <GL/gl.h>

namespace {
// Pixel rectangles address a 512 x 512 texture.
constexpr double texelStep = 0.001953125;
}

void drawSprite(int x, int y, int w, int h, unsigned texture,
                int srcX, int srcY, int srcW, int srcH, float angle, float scale)
{
    glPushMatrix();
    const int hw = w / 2;
    const int hh = h / 2;
    glTranslatef(float(x + hw), float(y + hh), 0.0f);
    glScalef(scale, scale, scale);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);

    float sA = 0.0f, tA = 0.0f, sB = 1.0f, tB = 1.0f;
    if (srcW != 0 || srcH != 0) {
        sA = float(srcX * texelStep);
        tA = float(srcY * texelStep);
        sB = float((srcX + srcW) * texelStep);
        tB = float((srcY + srcH) * texelStep);
    }

    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glTexCoord2f(sB, tA);
    glVertex2i(hw, -hh);
    glTexCoord2f(sA, tA);
    glVertex2i(-hw, -hh);
    glTexCoord2f(sA, tB);
    glVertex2i(-hw, hh);
    glTexCoord2f(sB, tB);
    glVertex2i(hw, hh);
    glEnd();
    glPopMatrix();
}
