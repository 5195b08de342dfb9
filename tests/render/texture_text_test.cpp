// Textures, sprites and the two bitmap fonts, read back from the window.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <SDL.h>
#include <SDL_image.h>

#include "platform/font_glyphs.h"
#include "render/sprite.h"
#include "render/text.h"
#include "render/texture.h"
#include "render_support.h"

namespace {

class TextureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { openGameWindow(); }
    void SetUp() override
    {
        resetScene();
        clearScreen();
    }
    TempDir dir;
    std::string file(const char* name) const { return (dir.path / name).string(); }
};

// Loads path and returns what loadTexture printed.
std::string loadCapturingOutput(const std::string& path, unsigned& texture)
{
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    texture = loadTexture(path.c_str());
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

int bytesPerPixelOf(const std::string& path)
{
    SDL_Surface* image = IMG_Load(path.c_str());
    if (!image) return -1;
    const int bytes = image->format->BytesPerPixel;
    SDL_FreeSurface(image);
    return bytes;
}

// A 16-bit (5-5-5) uncompressed BMP, which SDL_image reads as 2 bytes per pixel.
void writeBmp16(const std::string& path, int w, int h)
{
    const int rowBytes = (w * 2 + 3) / 4 * 4;
    const int dataSize = rowBytes * h;
    std::vector<unsigned char> out;
    auto put16 = [&](unsigned v) { out.push_back(v & 0xFF); out.push_back((v >> 8) & 0xFF); };
    auto put32 = [&](unsigned v) { put16(v & 0xFFFF); put16(v >> 16); };
    out.push_back('B');
    out.push_back('M');
    put32(unsigned(14 + 40 + dataSize));
    put32(0);
    put32(14 + 40);
    put32(40);
    put32(unsigned(w));
    put32(unsigned(h));
    put16(1);
    put16(16);
    put32(0);   // no compression
    put32(unsigned(dataSize));
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int i = 0; i < dataSize; ++i) out.push_back(i % 2 ? 0x7C : 0x00);   // red
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
}

void drawWhiteQuad(int x0, int y0, int x1, int y1)
{
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex2i(x0, y0);
    glVertex2i(x1, y0);
    glVertex2i(x1, y1);
    glVertex2i(x0, y1);
    glEnd();
}

// 3 x 3 RGB: each texel its own colour, so a row padded wrongly or a flipped
// picture shows up. Rows top first.
const std::vector<uint8_t> nineColours = {
    255, 0,   0,   0,   255, 0,   0,   0,   255,   // red, green, blue
    255, 255, 0,   0,   255, 255, 255, 0,   255,   // yellow, cyan, magenta
    255, 255, 255, 128, 128, 128, 0,   0,   0,     // white, grey, black
};

Rgb nineColourAt(int column, int row)
{
    const size_t i = size_t(row * 3 + column) * 3;
    return {nineColours[i], nineColours[i + 1], nineColours[i + 2]};
}

}  // namespace

TEST_F(TextureTest, RefusesPaletteAndSixteenBitImagesSilently)
{
    SDL_Surface* paletted = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 8, 0, 0, 0, 0);
    ASSERT_NE(paletted, nullptr);
    ASSERT_EQ(SDL_SaveBMP(paletted, file("paletted.bmp").c_str()), 0);
    SDL_FreeSurface(paletted);
    writeBmp16(file("sixteen.bmp"), 4, 4);
    ASSERT_EQ(bytesPerPixelOf(file("paletted.bmp")), 1);
    ASSERT_EQ(bytesPerPixelOf(file("sixteen.bmp")), 2);

    for (const char* name : {"paletted.bmp", "sixteen.bmp"}) {
        unsigned texture = 99;
        EXPECT_EQ(loadCapturingOutput(file(name), texture), "") << name;
        EXPECT_EQ(texture, 0u) << name;
    }
}

TEST_F(TextureTest, MissingFileYieldsZeroAndSaysSo)
{
    unsigned texture = 99;
    const std::string path = file("nowhere.png");
    EXPECT_EQ(loadCapturingOutput(path, texture), "Failed to load " + path + "\n");
    EXPECT_EQ(texture, 0u);
}

TEST_F(TextureTest, ThreeBytesPerPixelKeepsRowsAndChannelsUpright)
{
    writePng(file("nine.png"), 3, 3, 3, nineColours);
    ASSERT_EQ(bytesPerPixelOf(file("nine.png")), 3);
    unsigned texture = 0;
    EXPECT_EQ(loadCapturingOutput(file("nine.png"), texture), "");
    ASSERT_NE(texture, 0u);

    GLint bound = 0, minFilter = 0, magFilter = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(GLuint(bound), texture) << "the new texture stays bound";
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);

    glColor3f(1.0f, 1.0f, 1.0f);
    drawSprite(100, 100, 60, 60, texture, 0, 0, 0, 0, 0.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    const Frame frame = readFrame();
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            const Rgb want = nineColourAt(column, row);
            const Rgb got = frame.at(100 + 10 + 20 * column, 100 + 10 + 20 * row);
            EXPECT_TRUE(near(got, want, 24)) << "texel " << column << "," << row << " drawn as "
                                             << got.r << " " << got.g << " " << got.b;
        }
}

TEST_F(TextureTest, FourBytesPerPixelBlendsByItsAlpha)
{
    // Left half opaque red, right half fully transparent red.
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            pixels.insert(pixels.end(), {255, 0, 0});
            pixels.push_back(x < 2 ? 255 : 0);
        }
    writePng(file("half.png"), 4, 4, 4, pixels);
    ASSERT_EQ(bytesPerPixelOf(file("half.png")), 4);
    unsigned texture = 0;
    EXPECT_EQ(loadCapturingOutput(file("half.png"), texture), "");
    ASSERT_NE(texture, 0u);

    drawWhiteQuad(0, 0, 400, 400);
    glColor3f(1.0f, 1.0f, 1.0f);
    drawSprite(100, 100, 80, 80, texture, 0, 0, 0, 0, 0.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    const Frame frame = readFrame();
    EXPECT_TRUE(near(frame.at(110, 140), {255, 0, 0}, 8));
    EXPECT_TRUE(near(frame.at(170, 140), {255, 255, 255}, 8));
}

TEST_F(TextureTest, SpriteSourceRectanglesAndOddSizes)
{
    // 512 x 512: quadrants red, green / blue, white.
    std::vector<uint8_t> pixels;
    pixels.reserve(512 * 512 * 3);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const bool right = x >= 256, bottom = y >= 256;
            const Rgb c = !bottom ? (right ? Rgb{0, 255, 0} : Rgb{255, 0, 0})
                                  : (right ? Rgb{255, 255, 255} : Rgb{0, 0, 255});
            pixels.insert(pixels.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
        }
    writePng(file("quads.png"), 512, 512, 3, pixels);
    unsigned texture = 0;
    loadCapturingOutput(file("quads.png"), texture);
    ASSERT_NE(texture, 0u);

    glColor3f(1.0f, 1.0f, 1.0f);
    // The top-right quadrant alone, by pixel rectangle.
    drawSprite(100, 100, 40, 40, texture, 256, 0, 256, 256, 0.0f, 1.0f);
    // A zero-sized rectangle means the whole texture, wherever it starts.
    drawSprite(200, 100, 40, 40, texture, 300, 300, 0, 0, 0.0f, 1.0f);
    // An odd size loses a pixel: 41 wide covers x 300 to 339.
    drawSprite(300, 100, 41, 41, texture, 0, 0, 0, 0, 0.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    const Frame frame = readFrame();

    EXPECT_EQ(frame.count({102, 102, 138, 138}, [](Rgb c) { return near(c, {0, 255, 0}, 10); }), 36 * 36);
    EXPECT_TRUE(near(frame.at(205, 105), {255, 0, 0}, 10));
    EXPECT_TRUE(near(frame.at(235, 105), {0, 255, 0}, 10));
    EXPECT_TRUE(near(frame.at(205, 135), {0, 0, 255}, 10));
    EXPECT_TRUE(near(frame.at(235, 135), {255, 255, 255}, 10));

    const Box covered = frame.bounds({290, 90, 360, 160}, [](Rgb c) { return c.r + c.g + c.b > 60; });
    EXPECT_EQ(covered.x0, 300);
    EXPECT_EQ(covered.x1, 340);
    EXPECT_EQ(covered.y0, 100);
    EXPECT_EQ(covered.y1, 140);
}

// ---------------------------------------------------------------------------

class TextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { openGameWindow(); }
    void SetUp() override
    {
        resetScene();
        clearScreen();
        glColor3f(1.0f, 1.0f, 1.0f);
    }
    static std::vector<int> whiteMask(Box box) { return readFrame().mask(box, pureWhite); }
};

TEST_F(TextTest, EmptyTextMeasuresZeroAndDrawsNothing)
{
    EXPECT_EQ(textWidth(""), 0);
    printText("", 100, 100);
    printSmallText("", 100, 100);
    printTextCentered("", 512, 384);
    EXPECT_EQ(readFrame().count({0, 0, 1024, 768}, [](Rgb c) { return c.r + c.g + c.b > 0; }), 0);
}

TEST_F(TextTest, WidthIsTheSumOfTheAdvancesAndWritesNoPixels)
{
    const int h = textWidth("H"), i = textWidth("i"), w = textWidth("W");
    EXPECT_GT(i, 0);
    EXPECT_GT(w, i);
    EXPECT_EQ(textWidth("HiW"), h + i + w);
    EXPECT_EQ(textWidth("Press mouse to play!"),
              textWidth("Press ") + textWidth("mouse ") + textWidth("to ") + textWidth("play!"));
    EXPECT_EQ(readFrame().count({0, 0, 1024, 768}, [](Rgb c) { return c.r + c.g + c.b > 0; }), 0);
}

TEST_F(TextTest, OddWidthCentresByTruncatingHalf)
{
    const char* candidates[] = {"A", "H", "AB", "Hi", "Level", "Press", "mouse", "YOU FAIL!", "Editor!"};
    const char* text = nullptr;
    for (const char* c : candidates)
        if (textWidth(c) % 2 == 1) {
            text = c;
            break;
        }
    ASSERT_NE(text, nullptr) << "no candidate text has an odd width";
    const int w = textWidth(text);

    printTextCentered(text, 512, 300);
    const std::vector<int> centred = whiteMask({0, 250, 1024, 320});
    ASSERT_FALSE(centred.empty());
    clearScreen();
    printText(text, 512 - w / 2, 300);   // 101 wide at 512 starts at 462
    EXPECT_EQ(whiteMask({0, 250, 1024, 320}), centred);
    clearScreen();
    printText(text, 512 - (w + 1) / 2, 300);
    EXPECT_NE(whiteMask({0, 250, 1024, 320}), centred);
}

TEST_F(TextTest, GlyphsStandUprightOnTheBaseline)
{
    printText("H", 100, 200);
    printText("g", 200, 200);
    printText("T", 300, 200);
    printSmallText("H", 400, 200);
    const Frame frame = readFrame();

    const Box h = frame.bounds({90, 150, 150, 230}, pureWhite);
    EXPECT_EQ(h.y1, 200) << "the capital rests on the baseline";
    EXPECT_GE(h.x0, 100);
    EXPECT_GE(h.y1 - h.y0, 13);   // a 24-pixel cell has capitals about 15 high
    EXPECT_LE(h.y1 - h.y0, 18);

    const Box g = frame.bounds({190, 150, 250, 230}, pureWhite);
    EXPECT_GT(g.y1, 203) << "the descender hangs below the baseline";
    EXPECT_LT(g.y0, 200);

    // T: the bar is at the top, the stem below.
    const Box t = frame.bounds({290, 150, 350, 230}, pureWhite);
    const int top = frame.count({t.x0, t.y0, t.x1, t.y0 + 1}, pureWhite);
    const int bottom = frame.count({t.x0, t.y1 - 1, t.x1, t.y1}, pureWhite);
    EXPECT_GT(top, 2 * bottom);

    const Box small = frame.bounds({390, 150, 450, 230}, pureWhite);
    EXPECT_EQ(small.y1, 200);
    EXPECT_GE(small.y1 - small.y0, 6);   // a 12-pixel cell
    EXPECT_LE(small.y1 - small.y0, 10);
}

TEST_F(TextTest, TextTakesTheColourSetBeforeIt)
{
    glColor3f(1.0f, 0.0f, 0.0f);
    printText("Level", 100, 100);
    const Frame frame = readFrame();
    const Box box = {90, 70, 200, 110};
    EXPECT_GT(frame.count(box, [](Rgb c) { return near(c, {255, 0, 0}, 2); }), 20);
    EXPECT_EQ(frame.count(box, [](Rgb c) { return c.g > 0 || c.b > 0; }), 0);
}

TEST(FontGlyphs, ArialResolvesToASansFaceOfTheDesignedWeightAndWidth)
{
    const FontRequest large = {"Arial", 24, 10, 600};
    const FontRequest small = {"Arial", 12, 6, 400};
    const GlyphSet big = renderGlyphs(large, 32, 96);
    const GlyphSet little = renderGlyphs(small, 32, 96);
    ASSERT_EQ(big.glyphs.size(), 96u);
    ASSERT_EQ(little.glyphs.size(), 96u);
    EXPECT_EQ(big.familyName, "Liberation Sans");
    EXPECT_NE(big.styleName.find("Bold"), std::string::npos) << big.styleName;
    EXPECT_EQ(little.styleName.find("Bold"), std::string::npos) << little.styleName;

    // The average width of running text, weighted by letter frequency,
    // comes out at the requested 10 and 6 pixels.
    const int weights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56,
                             56, 17, 4,  49, 56,  71, 31, 10, 18, 3,  18, 2, 166};
    auto average = [&](const GlyphSet& set) {
        double sum = 0.0;
        for (int i = 0; i < 27; ++i) {
            const int code = i < 26 ? 'a' + i : ' ';
            sum += weights[i] * set.glyphs[size_t(code - 32)].advance;
        }
        return sum / 1000.0;
    };
    EXPECT_NEAR(average(big), 10.0, 0.8);
    EXPECT_NEAR(average(little), 6.0, 0.8);

    // Every printable code has a shape, the space an advance only.
    const GlyphBitmap& space = big.glyphs[0];
    EXPECT_GT(space.advance, 0);
    for (int code = 33; code < 127; ++code) {
        const GlyphBitmap& glyph = big.glyphs[size_t(code - 32)];
        EXPECT_GT(glyph.width * glyph.rows, 0) << char(code);
        EXPECT_EQ(glyph.bits.size(), size_t((glyph.width + 7) / 8 * glyph.rows)) << char(code);
    }
}

TEST(FontGlyphs, UnknownFamilyStillFindsAFace)
{
    const GlyphSet set = renderGlyphs({"No Such Family At All", 24, 10, 400}, 32, 96);
    ASSERT_EQ(set.glyphs.size(), 96u);
    EXPECT_GT(set.glyphs['A' - 32].width, 0);
}
