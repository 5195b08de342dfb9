// The layers of a frame: background, playfield, cursor, balls, screw; and the
// splash and fade-in drawn around it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <GL/gl.h>

#include "app/input.h"
#include "app/loop.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/playfield.h"
#include "render/scene.h"
#include "render/texture.h"
#include "render_support.h"
#include "scene_shapes.h"

namespace {

class SceneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { openGameWindow(); }
    void SetUp() override { resetScene(); }
    void TearDown() override { resetScene(); }

    static Frame drawn()
    {
        clearScreen();
        drawFrame();
        return readFrame();
    }
};

bool lit(Rgb c) { return c.r + c.g + c.b > 30; }

}  // namespace

TEST_F(SceneTest, BackgroundCoversTheScreenAndDrifts)
{
    currentTicks = 0;
    const Frame first = drawn();
    dumpFrame(first, "background");
    for (int ty = 0; ty < 768; ty += 128)
        for (int tx = 0; tx < 1024; tx += 128)
            EXPECT_GT(first.count({tx, ty, tx + 128, ty + 128}, lit), 100) << "tile " << tx << "," << ty;
    // Only the two dim pattern colours, however often the lines cross (below
    // the play text).
    EXPECT_EQ(first.count({0, 25, 1024, 768}, [](Rgb c) { return c.r > 70 || c.g > 70 || c.b > 160; }), 0);
    EXPECT_GT(first.count({0, 0, 1024, 768}, [](Rgb c) { return c.b > c.r + 20; }), 1000) << "the violet rows";
    EXPECT_GT(first.count({0, 0, 1024, 768},
                          [](Rgb c) { return c.r > 15 && std::abs(c.r - c.b) < 6 && std::abs(c.r - c.g) < 6; }),
              100)
        << "the grey rows";

    // A quarter of a turn later (about 33 s) the zigzags have changed shape.
    currentTicks = 33333;
    const Frame later = drawn();
    const std::vector<int> a = first.mask({0, 0, 1024, 768}, lit);
    const std::vector<int> b = later.mask({0, 0, 1024, 768}, lit);
    EXPECT_NE(a, b);
}

TEST_F(SceneTest, FillRipplesByLevelXAndStandsAtTheTurnedPosition)
{
    // Level x 100..400, drawn shifted 300 to the right.
    setRectangleStrip(100, 450, 400, 550, 300, 0);
    currentTicks = 0;
    const Frame frame = drawn();
    auto fillGreen = [](double levelX) { return 0.5 * (0.3 + 0.2 * std::sin(0.1 * levelX)) * 255.0; };
    // Colours are given per vertex and blend across: linear in x between the ends.
    for (int screenX : {405, 550, 695}) {
        const double u = (screenX + 0.5 - 400.0) / 300.0;
        const double want = fillGreen(100) * (1 - u) + fillGreen(400) * u;
        EXPECT_NEAR(frame.median({screenX, 455, screenX + 1, 545}, 1), want, 4.0) << screenX;
        EXPECT_NEAR(frame.median({screenX, 455, screenX + 1, 545}, 2), 0.45 * 255, 4.0) << screenX;
    }
    EXPECT_LT(frame.median({150, 455, 350, 545}, 2), 30) << "nothing where the level stood unturned";
}

TEST_F(SceneTest, OutlineRunsRoundEveryContourIncludingTheClosingEdge)
{
    setSquareContour(200, 200, 400, 400);
    currentTicks = 0;
    const Frame frame = drawn();
    auto bright = [](Rgb c) { return c.r > 150 && c.g > 150 && c.b > 150; };
    EXPECT_GT(frame.count({290, 197, 310, 204}, bright), 10) << "top edge";
    EXPECT_GT(frame.count({397, 290, 404, 310}, bright), 10) << "right edge";
    EXPECT_GT(frame.count({290, 397, 310, 404}, bright), 10) << "bottom edge";
    EXPECT_GT(frame.count({197, 290, 204, 310}, bright), 10) << "closing edge";
    EXPECT_EQ(frame.count({220, 220, 380, 380}, bright), 0) << "inside";
}

TEST_F(SceneTest, EmptyContoursAndAnEmptyLevelDrawNothingOfTheirOwn)
{
    addEmptyContour();
    currentTicks = 0;
    const Frame withEmpty = drawn();
    freePlayfield();
    const Frame empty = drawn();
    EXPECT_EQ(withEmpty.mask({0, 0, 1024, 768}, lit), empty.mask({0, 0, 1024, 768}, lit));
}

TEST_F(SceneTest, CursorIsATwentyCornerCircleOrASquare)
{
    mousePos = Vec2(300.0, 400.0);
    auto cursor = [](Rgb c) { return c.r > 100 && c.r > c.b + 30; };   // pinkish

    shapeType = Circle;
    Frame frame = drawn();
    EXPECT_GT(frame.count({295, 436, 305, 444}, cursor), 0) << "circle passes 40 below";
    EXPECT_EQ(frame.count({295, 425, 305, 431}, cursor), 0) << "but not along the square's side";

    shapeType = 2;   // any other value is the circle too
    EXPECT_EQ(drawn().mask({240, 340, 360, 460}, cursor), frame.mask({240, 340, 360, 460}, cursor));

    // Every corner of the 20-gon, large enough to tell it from coarser ones.
    shapeType = Circle;
    shapeSize = 200.0f;
    mousePos = Vec2(512.0, 384.0);
    frame = drawn();
    for (int i = 0; i < 20; ++i) {
        const Vec2 corner = mousePos + polygonVertex(i, 20.0f);
        const int x = int(std::lround(corner.x)), y = int(std::lround(corner.y));
        EXPECT_GT(frame.count({x - 1, y - 1, x + 2, y + 2}, cursor), 0) << "corner " << i;
    }
    shapeSize = 40.0f;
    mousePos = Vec2(300.0, 400.0);

    shapeType = Square;
    frame = drawn();
    EXPECT_GT(frame.count({295, 425, 305, 431}, cursor), 0) << "square side about 28 below";
    EXPECT_EQ(frame.count({295, 436, 305, 444}, cursor), 0);
    EXPECT_GT(frame.count({325, 395, 331, 405}, cursor), 0) << "right side";
    EXPECT_GT(frame.count({269, 395, 275, 405}, cursor), 0) << "left side";
}

TEST_F(SceneTest, RefusedStampFlickersTheCursorRed)
{
    mousePos = Vec2(300.0, 400.0);
    auto red = [](Rgb c) { return c.r > 200 && c.g < 30 && c.b < 30; };
    EXPECT_EQ(drawn().count({250, 350, 350, 450}, red), 0);

    stampBlockedMs = 31;   // |sin(0.05024 * 31)| is almost 1
    const Frame frame = drawn();
    EXPECT_GT(frame.count({250, 350, 350, 450}, red), 200);
    EXPECT_EQ(frame.count({250, 350, 350, 450}, [](Rgb c) { return c.g > 100; }), 0) << "no pink left";

    stampBlockedMs = 63;   // |sin(3.165)| is almost 0: the flicker's dark phase
    EXPECT_EQ(drawn().count({250, 350, 350, 450}, [](Rgb c) { return c.r > 60; }), 0);
}

TEST_F(SceneTest, BallsFillTheirColoursAndOnlyTheSelectedOneIsCyan)
{
    balls[0].position = Vec2(200.0, 300.0);
    balls[3].position = Vec2(400.0, 300.0);
    balls[5].position = Vec2(600.0, 300.0);
    currentTicks = 0;
    auto cyan = [](Rgb c) { return c.r < 40 && c.g > 220 && c.b > 220; };
    auto centre = [](const Frame& f, int x, int y, int channel) { return f.median({x - 3, y - 3, x + 4, y + 4}, channel); };

    Frame frame = drawn();
    EXPECT_EQ(frame.count({0, 0, 1024, 768}, cyan), 0);
    EXPECT_NEAR(centre(frame, 200, 300, 0), 102, 8) << "white ball, alpha 0.4";
    EXPECT_NEAR(centre(frame, 200, 300, 2), 102, 8);
    EXPECT_NEAR(centre(frame, 400, 300, 0), 92, 8) << "red ball, alpha 0.4";
    EXPECT_NEAR(centre(frame, 400, 300, 1), 20, 8);
    // The white ball's ring (radius 20 at tick 0) is brighter than its fill.
    EXPECT_GT(frame.count({180, 318, 220, 322}, [](Rgb c) { return c.r > 180 && c.g > 180; }), 5);

    selectedBall = 3;
    frame = drawn();
    const int cyanPixels = frame.count({370, 270, 430, 330}, cyan);
    EXPECT_GT(cyanPixels, 800) << "an opaque disc of radius about 18 inside its ring";
    EXPECT_LT(cyanPixels, 1300);
    EXPECT_EQ(frame.count({170, 270, 230, 330}, cyan), 0);
    EXPECT_EQ(frame.count({570, 270, 630, 330}, cyan), 0);
    // The selected ball keeps its red ring, over the edge of the disc.
    EXPECT_GT(frame.count({380, 315, 420, 323}, [](Rgb c) { return c.r > 120; }), 5);
}

TEST_F(SceneTest, BallsOffTheScreenAreHarmless)
{
    balls[2].position = Vec2(-5000.0, 1.0e7);
    balls[4].position = Vec2(1030.0, 384.0);
    const Frame frame = drawn();
    EXPECT_GT(frame.count({1004, 364, 1024, 404}, [](Rgb c) { return c.r > 60 && c.r > c.b + 20; }), 10)
        << "a ball half off the edge still shows its half";
}

TEST_F(SceneTest, ScrewSitsOnThePivotAndTurnsWithThePlayfield)
{
    TempDir dir;
    // Quadrants red, green / blue, white.
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const Rgb c = y < 2 ? (x < 2 ? Rgb{255, 0, 0} : Rgb{0, 255, 0})
                                : (x < 2 ? Rgb{0, 0, 255} : Rgb{255, 255, 255});
            pixels.insert(pixels.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
        }
    const std::string path = (dir.path / "screw.png").string();
    writePng(path, 4, 4, 3, pixels);
    screwTexture = loadTexture(path.c_str());
    ASSERT_NE(screwTexture, 0u);

    Frame frame = drawn();
    // The screw's footprint: where it differs from a black screw.
    const unsigned quadrants = screwTexture;
    screwTexture = solidTexture(dir.path.string(), {0, 0, 0});
    const Frame black = drawn();
    screwTexture = quadrants;
    Box screw = {1024, 768, 0, 0};
    for (int y = 300; y < 470; ++y)
        for (int x = 440; x < 590; ++x) {
            const Rgb a = frame.at(x, y), b = black.at(x, y);
            if (a.r == b.r && a.g == b.g && a.b == b.b) continue;
            screw = {std::min(screw.x0, x), std::min(screw.y0, y), std::max(screw.x1, x + 1), std::max(screw.y1, y + 1)};
        }
    EXPECT_EQ(screw.x0, 492);
    EXPECT_EQ(screw.y0, 364);
    EXPECT_EQ(screw.x1, 532);
    EXPECT_EQ(screw.y1, 404);
    EXPECT_TRUE(near(frame.at(500, 372), {255, 0, 0}, 20));
    EXPECT_TRUE(near(frame.at(524, 372), {0, 255, 0}, 20));
    EXPECT_TRUE(near(frame.at(500, 396), {0, 0, 255}, 20));
    EXPECT_TRUE(near(frame.at(524, 396), {255, 255, 255}, 20));

    // A playfield turned counter-clockwise by 0.785 turns the screw a quarter
    // turn counter-clockwise: the top-left quadrant goes to the bottom left.
    angle = 0.785f;
    frame = drawn();
    EXPECT_TRUE(near(frame.at(500, 396), {255, 0, 0}, 20));
    EXPECT_TRUE(near(frame.at(500, 372), {0, 255, 0}, 20));
    EXPECT_TRUE(near(frame.at(524, 372), {255, 255, 255}, 20));
    EXPECT_TRUE(near(frame.at(524, 396), {0, 0, 255}, 20));
}

TEST_F(SceneTest, FrameLeavesTexturingOffAndBlendingOn)
{
    setRectangleStrip(100, 100, 300, 300, 0, 0);
    drawn();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

TEST_F(SceneTest, SplashFadesInAndOutOverThreeSeconds)
{
    TempDir dir;
    // Left half red, right half green, so the picture's orientation shows.
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) pixels.insert(pixels.end(), {uint8_t(x < 8 ? 255 : 0), uint8_t(x < 8 ? 0 : 255), 0});
    const std::string path = (dir.path / "splash.png").string();
    writePng(path, 16, 16, 3, pixels);
    const unsigned splash = loadTexture(path.c_str());
    ASSERT_NE(splash, 0u);

    auto splashAt = [&](int ms) {
        clearScreen();
        drawSplash(splash, ms);
        return readFrame();
    };
    Frame frame = splashAt(2122);   // fully opaque
    EXPECT_TRUE(near(frame.at(100, 384), {255, 0, 0}, 3));
    EXPECT_TRUE(near(frame.at(900, 384), {0, 255, 0}, 3));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    EXPECT_NEAR(splashAt(1000).at(100, 384).r, 255 * std::sin(1.0e6 * 3.488889e-7), 3);
    EXPECT_EQ(splashAt(0).at(100, 384).r, 0);
    EXPECT_LE(splashAt(3000).at(100, 384).r, 1);
    EXPECT_LE(splashAt(6000).at(100, 384).r, 1) << "held at its 3000 ms value";
}

TEST_F(SceneTest, FadeInOverlayDarkensByTheTimeLeft)
{
    auto overlaidAt = [](int ms) {
        clearScreen();
        glColor3f(1.0f, 1.0f, 1.0f);
        glBegin(GL_QUADS);
        glVertex2i(0, 0);
        glVertex2i(1024, 0);
        glVertex2i(1024, 768);
        glVertex2i(0, 768);
        glEnd();
        drawFadeIn(ms);
        return readFrame();
    };
    const Frame opaque = overlaidAt(500);
    EXPECT_EQ(opaque.count({0, 0, 1024, 768}, [](Rgb c) { return c.r > 1; }), 0);
    EXPECT_NEAR(overlaidAt(250).at(512, 384).r, 128, 2);
    EXPECT_NEAR(overlaidAt(100).at(0, 767).r, 204, 2);
}
