#include "render/text.h"

#include <cstring>
#include <vector>

#include <GL/gl.h>

#include "platform/font_glyphs.h"

uint32_t largeFontBase = 0;
uint32_t smallFontBase = 0;

namespace {

constexpr int firstCode = 32;
constexpr int glyphCount = 96;   // codes 32 to 127

// The designed faces: "Arial" in a 24-pixel cell, average width 10, weight
// 600; and in a 12-pixel cell, average width 6, weight 400.
constexpr FontRequest largeFace = {"Arial", 24, 10, 600};
constexpr FontRequest smallFace = {"Arial", 12, 6, 400};

// One display list per glyph: a bitmap whose origin sits on the baseline at
// the raster position and which moves the raster position by the advance.
uint32_t buildFontLists(const FontRequest& face)
{
    const GLuint base = glGenLists(glyphCount);
    const GlyphSet set = renderGlyphs(face, firstCode, glyphCount);

    // glBitmap unpacks its rows when the list is compiled: tightly packed,
    // bottom row first.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    std::vector<GLubyte> flipped;
    for (int i = 0; i < glyphCount; ++i) {
        glNewList(base + GLuint(i), GL_COMPILE);
        if (size_t(i) < set.glyphs.size()) {
            const GlyphBitmap& glyph = set.glyphs[size_t(i)];
            const size_t stride = size_t((glyph.width + 7) / 8);
            flipped.assign(stride * size_t(glyph.rows), 0);
            for (int row = 0; row < glyph.rows; ++row)
                std::memcpy(flipped.data() + size_t(glyph.rows - 1 - row) * stride,
                            glyph.bits.data() + size_t(row) * stride, stride);
            glBitmap(glyph.width, glyph.rows, float(-glyph.left), float(glyph.rows - glyph.top),
                     float(glyph.advance), 0.0f, flipped.empty() ? nullptr : flipped.data());
        }
        glEndList();
    }
    glPopClientAttrib();
    return base;
}

void callFontLists(uint32_t base, const char* text)
{
    glPushAttrib(GL_LIST_BIT);
    glListBase(base - firstCode);
    glCallLists(GLsizei(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}

}  // namespace

void buildFonts()
{
    largeFontBase = buildFontLists(largeFace);
    smallFontBase = buildFontLists(smallFace);
}

void printText(const char* text, int x, int y)
{
    glRasterPos2i(x, y);
    callFontLists(largeFontBase, text);
}

void printSmallText(const char* text, int x, int y)
{
    glRasterPos2i(x, y);
    callFontLists(smallFontBase, text);
}

namespace {
int widthIn(uint32_t base, const char* text)
{
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glRasterPos2i(0, 0);
    callFontLists(base, text);
    GLint position[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_CURRENT_RASTER_POSITION, position);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    return position[0];
}
}  // namespace

int textWidth(const char* text) { return widthIn(largeFontBase, text); }

void printSmallTextCentered(const char* text, int x, int y)
{
    printSmallText(text, x - widthIn(smallFontBase, text) / 2, y);
}

void printTextCentered(const char* text, int x, int y)
{
    const int w = textWidth(text);
    printText(text, x - w / 2, y);
}
