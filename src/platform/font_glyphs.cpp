#include "platform/font_glyphs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

namespace {

struct FontMatch {
    std::string file;
    int index = 0;
    std::string family;
    std::string style;
};

bool matchFont(const FontRequest& request, FontMatch& out)
{
    if (!FcInit()) return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.family));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(request.weight));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;

    FcChar8* text = nullptr;
    bool found = FcPatternGetString(match, FC_FILE, 0, &text) == FcResultMatch && text;
    if (found) {
        out.file = reinterpret_cast<const char*>(text);
        int index = 0;
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) out.index = index;
        if (FcPatternGetString(match, FC_FAMILY, 0, &text) == FcResultMatch && text)
            out.family = reinterpret_cast<const char*>(text);
        if (FcPatternGetString(match, FC_STYLE, 0, &text) == FcResultMatch && text)
            out.style = reinterpret_cast<const char*>(text);
    }
    FcPatternDestroy(match);
    return found;
}

// Height of the character cell in font units: the ascent and descent the
// desktop uses to fit a face into a line.
double cellUnits(FT_Face face)
{
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
        return double(os2->usWinAscent) + double(os2->usWinDescent);
    if (face->ascender - face->descender > 0) return double(face->ascender) - double(face->descender);
    return double(face->units_per_EM);
}

// The average character width in font units, weighted by how often each
// lower-case letter and the space occur in English text. Faces that share
// their advance widths therefore share this average, whatever their tables
// claim.
double averageUnits(FT_Face face)
{
    static const int weights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56,
                                    56, 17, 4,  49, 56,  71, 31, 10, 18, 3,  18, 2, 166};
    double sum = 0.0;
    bool complete = true;
    for (int i = 0; i < 27 && complete; ++i) {
        const FT_ULong code = i < 26 ? FT_ULong('a' + i) : FT_ULong(' ');
        const FT_UInt index = FT_Get_Char_Index(face, code);
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE) != 0) {
            complete = false;
            break;
        }
        sum += double(weights[i]) * double(face->glyph->advance.x);
    }
    if (complete && sum > 0.0) return sum / 1000.0;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0) return double(os2->xAvgCharWidth);
    return double(face->units_per_EM) * 0.5;
}

void copyBitmap(const FT_Bitmap& bitmap, GlyphBitmap& glyph)
{
    glyph.width = int(bitmap.width);
    glyph.rows = int(bitmap.rows);
    const size_t stride = size_t((glyph.width + 7) / 8);
    glyph.bits.assign(stride * size_t(glyph.rows), 0);
    const int pitch = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
    for (int row = 0; row < glyph.rows; ++row) {
        const int sourceRow = bitmap.pitch < 0 ? glyph.rows - 1 - row : row;
        const unsigned char* source = bitmap.buffer + size_t(sourceRow) * size_t(pitch);
        unsigned char* target = glyph.bits.data() + size_t(row) * stride;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
            std::memcpy(target, source, stride);
        } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            for (int x = 0; x < glyph.width; ++x)
                if (source[x] >= 128) target[x / 8] |= static_cast<unsigned char>(0x80u >> (x % 8));
        }
    }
}

}  // namespace

GlyphSet renderGlyphs(const FontRequest& request, int first, int count)
{
    GlyphSet set;
    FontMatch match;
    if (count <= 0 || !matchFont(request, match)) return set;

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return set;
    FT_Face face = nullptr;
    if (FT_New_Face(library, match.file.c_str(), match.index, &face) != 0) {
        FT_Done_FreeType(library);
        return set;
    }

    bool sized = false;
    if (FT_IS_SCALABLE(face)) {
        // As the desktop's font mapper does: the cell height fixes a whole
        // number of pixels per em; the face's own average width at that size,
        // rounded to whole pixels, is then stretched to the requested one.
        const double upem = double(face->units_per_EM);
        const double emHeight = std::max(1.0, std::round(double(request.cellHeight) * upem / cellUnits(face)));
        const double naturalAverage = std::max(1.0, std::round(averageUnits(face) * emHeight / upem));
        const double emWidth =
            request.averageWidth > 0 ? emHeight * double(request.averageWidth) / naturalAverage : emHeight;
        sized = FT_Set_Char_Size(face, FT_F26Dot6(std::lround(emWidth * 64.0)),
                                 FT_F26Dot6(std::lround(emHeight * 64.0)), 72, 72) == 0;
    }
    if (!sized && face->num_fixed_sizes > 0) sized = FT_Select_Size(face, 0) == 0;

    if (sized) {
        set.fontFile = match.file;
        set.familyName = match.family;
        set.styleName = match.style;
        set.glyphs.resize(size_t(count));
        for (int i = 0; i < count; ++i) {
            GlyphBitmap& glyph = set.glyphs[size_t(i)];
            if (FT_Load_Char(face, FT_ULong(first + i), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) continue;
            const FT_GlyphSlot slot = face->glyph;
            copyBitmap(slot->bitmap, glyph);
            glyph.left = slot->bitmap_left;
            glyph.top = slot->bitmap_top;
            glyph.advance = int((slot->advance.x + 32) >> 6);
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return set;
}
