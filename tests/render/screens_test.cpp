// The state layer: dimming, each screen's texts, the banner, the countdown,
// the editor's texts and weight line, and the exit fade.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "app/loop.h"
#include <fstream>

#include "game/levels.h"
#include "game/progress.h"
#include "game/state.h"
#include "physics/ball.h"
#include "playfield/playfield.h"
#include "render/scene.h"
#include "render/text.h"
#include "render_support.h"
#include "scene_shapes.h"

namespace {

const Box wholeScreen = {0, 0, 1024, 768};

class ScreensTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { openGameWindow(); }
    void SetUp() override { resetScene(); }
    void TearDown() override { resetScene(); }

    static Frame drawn(int state)
    {
        gameState = state;
        clearScreen();
        drawFrame();
        Frame frame = readFrame();
        dumpFrame(frame, std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                             stateName(state));
        return frame;
    }

    // The pixels of exactly `colour` that the given text calls put on an
    // otherwise black screen.
    static std::vector<int> textAlone(Rgb colour, Box box, const std::function<void()>& print)
    {
        clearScreen();
        glColor3f(colour.r / 255.0f, colour.g / 255.0f, colour.b / 255.0f);
        print();
        return readFrame().mask(box, [colour](Rgb c) { return near(c, colour, 1); });
    }

    static std::vector<int> colourMask(const Frame& frame, Rgb colour, Box box)
    {
        return frame.mask(box, [colour](Rgb c) { return near(c, colour, 1); });
    }
};

const Rgb white = {255, 255, 255};

}  // namespace

TEST_F(ScreensTest, DimmingEverywhereButPlayAndEditor)
{
    // A translucent blue fill over the left of the screen, away from texts.
    setRectangleStrip(100, 420, 400, 560, 0, 0);
    const Box probe = {150, 440, 350, 540};
    for (int state : {Playing, Editor}) {
        EXPECT_NEAR(drawn(state).median(probe, 2), 0.45 * 255, 6) << stateName(state);
    }
    for (int state : {Title, LevelComplete, LevelFailed, Exiting}) {
        EXPECT_NEAR(drawn(state).median(probe, 2), 0.4 * 0.45 * 255, 6) << stateName(state);
    }
}

TEST_F(ScreensTest, TitleShowsItsThreeTextsCentred)
{
    levelIndex = 0;
    const Frame frame = drawn(Title);
    const Box band = {0, 300, 1024, 700};
    EXPECT_EQ(colourMask(frame, white, band), textAlone(white, band, [] {
                  printTextCentered("Press mouse to play!", 512, 384);
                  printTextCentered("Arrow keys change level", 512, 584);
                  printTextCentered("Current level: 1", 512, 624);
              }));
    // Centred on the screen's middle column, resting on the baselines.
    const Box first = frame.bounds({0, 340, 1024, 400}, pureWhite);
    EXPECT_NEAR((first.x0 + first.x1) / 2.0, 512.0, 3.0);
    EXPECT_LE(first.y1, 390);
    EXPECT_GE(first.y1, 384);

    levelIndex = 17;
    EXPECT_EQ(colourMask(drawn(Title), white, {0, 600, 1024, 640}),
              textAlone(white, {0, 600, 1024, 640}, [] { printTextCentered("Current level: 18", 512, 624); }));
}

TEST_F(ScreensTest, TitleShowsTheProgressUnderTheLevelNumber)
{
    TempDir dir;
    const std::string store = (dir.path / "progress").string();
    std::ofstream(store) << "solved data/9.lv 12345\nsolved data/1.lv 4000\n";
    openProgress(store);
    const Box design = {0, 300, 1024, 632};
    const Box lines = {0, 632, 1024, 700};
    levelIndex = 0;   // data/9.lv
    Frame frame = drawn(Title);
    const std::vector<int> shown = colourMask(frame, white, lines);
    EXPECT_EQ(shown, textAlone(white, lines, [] {
                  printSmallTextCentered("Solved in 12.3 s", 512, 646);
                  printSmallTextCentered("Solved: 2 of 18", 512, 666);
              }));
    const Box first = frame.bounds({0, 632, 1024, 652}, pureWhite);
    EXPECT_NEAR((first.x0 + first.x1) / 2.0, 512.0, 3.0);
    EXPECT_GT(first.x1 - first.x0, 40);
    // The title's own texts stay as they were.
    EXPECT_EQ(colourMask(frame, white, design), textAlone(white, design, [] {
                  printTextCentered("Press mouse to play!", 512, 384);
                  printTextCentered("Arrow keys change level", 512, 584);
                  printTextCentered("Current level: 1", 512, 624);
              }));

    levelIndex = 1;   // data/6.lv
    EXPECT_EQ(colourMask(drawn(Title), white, lines), textAlone(white, lines, [] {
                  printSmallTextCentered("Not solved yet", 512, 646);
                  printSmallTextCentered("Solved: 2 of 18", 512, 666);
              }));
    openProgress("");
    EXPECT_EQ(drawn(Title).count(lines, pureWhite), 0);
}

TEST_F(ScreensTest, TitleBannerBobsAtTheTopAndBottomEdges)
{
    auto banner = [](Rgb c) { return near(c, {0, 200, 0}, 3); };   // the test's banner texture
    currentTicks = 0;   // sin 0: the top band ends at 196, the bottom band starts at 712
    Frame frame = drawn(Title);
    EXPECT_EQ(frame.count({0, 0, 1024, 195}, banner), 1024 * 195);
    EXPECT_EQ(frame.count({0, 198, 1024, 710}, banner), 0);
    EXPECT_EQ(frame.count({0, 713, 1024, 768}, banner), 1024 * 55);

    currentTicks = 3142;   // sin 1: both bands 5 and 10 pixels lower down the screen
    frame = drawn(Title);
    EXPECT_EQ(frame.count({0, 0, 1024, 190}, banner), 1024 * 190);
    EXPECT_EQ(frame.count({0, 192, 1024, 720}, banner), 0);
    EXPECT_EQ(frame.count({0, 723, 1024, 768}, banner), 1024 * 45);

    EXPECT_EQ(drawn(Playing).count(wholeScreen, banner), 0);
}

TEST_F(ScreensTest, PlayShowsItsLineAndTheCountdownOnceKeepTimeRuns)
{
    const Box countdown = {0, 340, 1024, 400};
    const char* line =
        "Drop the white ball and keep red balls on the playfield!   Controls: mouse left and mouse right buttons";
    keepTime = -1;
    Frame frame = drawn(Playing);
    EXPECT_EQ(colourMask(frame, white, {0, 0, 1024, 30}),
              textAlone(white, {0, 0, 1024, 30}, [line] { printSmallText(line, 10, 15); }));
    EXPECT_EQ(frame.count(countdown, pureWhite), 0);

    const struct {
        int keep;
        const char* text;
    } cases[] = {
        {0, "Keep the red balls on playfield for: 3.0 seconds"},
        {1234, "Keep the red balls on playfield for: 1.8 seconds"},
        {3000, "Keep the red balls on playfield for: 0.0 seconds"},
        {3016, "Keep the red balls on playfield for: 0.0 seconds"},   // the pass that completes
    };
    for (const auto& c : cases) {
        keepTime = c.keep;
        frame = drawn(Playing);
        const std::vector<int> shown = colourMask(frame, white, countdown);
        EXPECT_FALSE(shown.empty());
        EXPECT_EQ(shown, textAlone(white, countdown, [&] { printTextCentered(c.text, 512, 384); })) << c.text;
    }
}

TEST_F(ScreensTest, CompleteScreenPulsesAndPromptsAfterHalfASecond)
{
    const Box heading = {0, 330, 1024, 390};
    const Box prompt = {0, 650, 1024, 710};
    currentTicks = 0;   // no pulse: pale blue (0.5, 0.6, 1)
    stateTime = 500;
    Frame frame = drawn(LevelComplete);
    const Rgb pale = {128, 153, 255};
    EXPECT_EQ(colourMask(frame, pale, heading),
              textAlone(pale, heading, [] { printTextCentered("Level complete!", 512, 374); }));
    EXPECT_EQ(frame.count(prompt, pureWhite), 0) << "no prompt at exactly 500 ms";

    stateTime = 501;
    currentTicks = 628;   // the pulse at its height: nearly white
    frame = drawn(LevelComplete);
    EXPECT_GT(frame.count(heading, [](Rgb c) { return c.r > 250 && c.g > 250 && c.b > 250; }), 100);
    EXPECT_EQ(colourMask(frame, white, prompt),
              textAlone(white, prompt, [] { printTextCentered("Press mouse to continue!", 512, 691); }));
}

TEST_F(ScreensTest, FailureScreenShowsBothLinesAndPromptsAfterHalfASecond)
{
    const Box heading = {0, 320, 1024, 365};
    const Box reason = {0, 380, 1024, 415};
    const Box prompt = {0, 650, 1024, 710};
    currentTicks = 0;   // pink (1, 0.5, 0.6)
    stateTime = 500;
    Frame frame = drawn(LevelFailed);
    const Rgb pink = {255, 128, 153};
    EXPECT_EQ(colourMask(frame, pink, heading), textAlone(pink, heading, [] { printTextCentered("YOU FAIL!", 512, 354); }));
    EXPECT_EQ(colourMask(frame, white, reason),
              textAlone(white, reason, [] { printTextCentered("Do not let the red balls escape!", 512, 404); }));
    EXPECT_EQ(frame.count(prompt, pureWhite), 0);

    stateTime = 501;
    frame = drawn(LevelFailed);
    EXPECT_EQ(colourMask(frame, white, prompt),
              textAlone(white, prompt, [] { printTextCentered("Press mouse to continue!", 512, 691); }));
}

TEST_F(ScreensTest, EditorShowsItsTextsAndTheAngle)
{
    angle = 0.0f;
    Frame frame = drawn(Editor);
    const Box bottom = {0, 700, 1024, 768};
    EXPECT_EQ(colourMask(frame, white, bottom), textAlone(white, bottom, [] {
                  printTextCentered("Editor!", 512, 738);
                  printSmallText("c: clear level | ESC: move back to main | F2: open | F12: save | "
                                 "left/right: change shape | mousewheel: change shape size",
                                 280, 758);
                  printSmallText("hold space for mirrored functions", 280, 743);
              }));
    const Box angleBox = {0, 25, 300, 50};
    EXPECT_EQ(colourMask(frame, white, angleBox),
              textAlone(white, angleBox, [] { printSmallText("Angle 0.000000", 40, 40); }));

    angle = -0.25f;
    frame = drawn(Editor);
    EXPECT_EQ(colourMask(frame, white, angleBox),
              textAlone(white, angleBox, [] { printSmallText("Angle -0.250000", 40, 40); }));
    EXPECT_EQ(frame.count({0, 0, 1024, 24}, pureWhite), 0) << "no play line in the editor";
}

TEST_F(ScreensTest, WeightLineLeansFromTheScrewTowardsTheHeavySide)
{
    auto blue = [](Rgb c) { return c.b > 235 && c.r < 30 && c.g < 30; };   // opaque, unlike the fill
    // One triangle right of the pivot: w = 20000, centre (733.26, 366.63),
    // so the line runs from (512, 384) to about (733, 367).
    addStrip({{800, 300}, {600, 300}, {800, 500}});
    Frame frame = drawn(Editor);
    EXPECT_GT(frame.count({515, 370, 540, 395}, blue), 10) << "starts on the screw";
    EXPECT_GT(frame.count({540, 360, 725, 395}, blue), 250);
    EXPECT_TRUE(blue(frame.at(650, 373)) || blue(frame.at(650, 374)));
    EXPECT_EQ(frame.count({740, 340, 800, 400}, blue), 0) << "ends at the weighted centre";
    EXPECT_EQ(frame.count({300, 340, 505, 430}, blue), 0) << "nothing on the light side";
    const std::vector<int> oneTriangle = frame.mask(wholeScreen, blue);

    // Strips count disjoint triples; a fourth vertex alone counts for nothing,
    // though with the two before it it would weigh as much again. (It lies
    // between them, so the fill looks the same.)
    freePlayfield();
    addStrip({{800, 300}, {600, 300}, {800, 500}, {700, 400}});
    EXPECT_EQ(drawn(Editor).mask(wholeScreen, blue), oneTriangle);

    // No weight in play, and none in an empty level.
    EXPECT_EQ(drawn(Playing).count(wholeScreen, blue), 0);
    freePlayfield();
    EXPECT_EQ(drawn(Editor).count(wholeScreen, blue), 0);
}

TEST_F(ScreensTest, WeightLineFollowsTheTurnedGeometry)
{
    auto blue = [](Rgb c) { return c.b > 235 && c.r < 30 && c.g < 30; };   // opaque, unlike the fill
    // The same triangle in level coordinates, but turned to the left of the pivot.
    addStrip({{600, 300}, {800, 300}, {800, 500}}, -400.0, 0.0);
    const Frame frame = drawn(Editor);
    EXPECT_GT(frame.count({300, 360, 480, 400}, blue), 150);
    EXPECT_EQ(frame.count({540, 340, 760, 400}, blue), 0);
}

TEST_F(ScreensTest, ExitingFadesTheTitleToBlack)
{
    stateTime = 0;
    const Frame start = drawn(Exiting);
    const std::vector<int> text = colourMask(start, white, {0, 340, 1024, 400});
    EXPECT_FALSE(text.empty()) << "the title's texts show while exiting";
    EXPECT_EQ(text, colourMask(drawn(Title), white, {0, 340, 1024, 400}));

    stateTime = 125;
    const Frame half = drawn(Exiting);
    EXPECT_GT(half.count({0, 340, 1024, 400}, [](Rgb c) { return near(c, {127, 127, 127}, 2); }), 100);
    EXPECT_EQ(half.count(wholeScreen, [](Rgb c) { return c.r > 130 || c.g > 130 || c.b > 130; }), 0);

    stateTime = 250;
    EXPECT_EQ(drawn(Exiting).count(wholeScreen, [](Rgb c) { return c.r + c.g + c.b > 2; }), 0);
}
