// Monochrome glyph bitmaps of a system font, found through fontconfig and
// rendered with FreeType. The text layer turns them into display lists.
#pragma once
#include <string>
#include <vector>

struct FontRequest {
    const char* family;   // e.g. "Arial"; fontconfig picks the closest face
    int cellHeight;       // pixels from the top of the ascent to the bottom of the descent
    int averageWidth;     // pixels; the face is scaled horizontally to this average
    int weight;           // 100..900 as in OpenType (400 regular, 600 semibold, 700 bold)
};

struct GlyphBitmap {
    int width = 0;    // bitmap size in pixels
    int rows = 0;
    int left = 0;     // from the pen position to the bitmap's left column
    int top = 0;      // from the baseline up to the bitmap's top row
    int advance = 0;  // whole pixels the pen moves to the right
    // One bit per pixel, most significant bit leftmost, rows top first,
    // (width + 7) / 8 bytes per row.
    std::vector<unsigned char> bits;

    bool pixel(int x, int row) const
    {
        return (bits[size_t(row) * size_t((width + 7) / 8) + size_t(x / 8)] >> (7 - x % 8)) & 1;
    }
};

struct GlyphSet {
    std::string fontFile;    // the face fontconfig chose, empty when none
    std::string familyName;  // e.g. "Liberation Sans"
    std::string styleName;   // e.g. "Bold"
    std::vector<GlyphBitmap> glyphs;   // one per code from `first`, empty when no face
};

// Renders `count` character codes starting at `first`. Codes the face lacks
// get its missing-glyph shape, as the desktop's own text does.
GlyphSet renderGlyphs(const FontRequest& request, int first, int count);
