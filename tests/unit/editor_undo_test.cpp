// The editor's undo history: every kind of change undone and redone to the
// very same level file, the step bound, and the history's life across a test
// play and a change of level.
#include <functional>
#include <string>

#include "app/input.h"
#include "game_test_support.h"
#include "playfield/stamp.h"
#include "playfield/undo.h"

using namespace testworld;

namespace {

std::string openAnswer;
std::string answerOpen(const char*) { return openAnswer; }

class EditorUndo : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetWorld();
        clearUndoHistory();
        gameState = ::Editor;
        parkBalls();
        setLevel({rectangle(100, 350, 924, 650)}, {0});
        openLevelDialog = answerOpen;
    }
    void TearDown() override
    {
        clearUndoHistory();
        resetWorld();
    }

    // The level exactly as the game saves it.
    std::string saved()
    {
        const std::string path = (work.root() / "level.lv").string();
        EXPECT_TRUE(saveLevel(path.c_str()));
        return readFile(path);
    }
    static void mouse(bool left, bool right, float x, float y)
    {
        mousePos = Vec2(x, y);
        mouseLeft = left;
        mouseRight = right;
        updateEditor(16);
    }
    static void key(bool& flag)
    {
        flag = true;
        updateEditor(16);
        flag = false;
    }

    WorkFolder work;
};

TEST_F(EditorUndo, EachKindOfChangeUndoesAndRedoesToTheSameFile)
{
    const std::string otherLevel = (work.root() / "other.lv").string();
    writeFile(otherLevel, "1\n3\n0\n 200 10\n 10 10\n 10 200\n");
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"stamp", [] { mouse(true, false, 300, 340); }},
        {"cut", [] { mouse(false, true, 500, 500); }},
        {"mirrored pair", [] {
             keySpace = true;
             mouse(false, true, 300, 600);
             keySpace = false;
         }},
        {"ball drop", [] {
             mouse(true, false, balls[2].position.x, balls[2].position.y);   // picked up
             mouse(false, false, 600, 200);
             mouse(true, false, 600, 200);                                   // put down
         }},
        {"clear", [] { key(keyC); }},
        {"open", [&] {
             openAnswer = otherLevel;
             key(keyF2);
         }},
    };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        const std::string before = saved();
        change();
        const std::string after = saved();
        ASSERT_NE(before, after);
        ASSERT_EQ(undoSteps(), 1);
        key(keyUndo);
        EXPECT_EQ(saved(), before);
        key(keyRedo);
        EXPECT_EQ(saved(), after);
        clearUndoHistory();
    }
    // A refused stamp and a cut in empty space change nothing and record nothing.
    placeBall(0, 300, 340);
    mouse(true, false, 300, 340 + 30);
    mouse(false, true, 900, 100);
    EXPECT_EQ(undoSteps(), 0);
}

TEST_F(EditorUndo, TwoHundredFiftyChangesUndoBackToStepFifty)
{
    shapeSize = 4.0f;
    std::string atStep50;
    for (int i = 1; i <= 250; ++i) {
        mouse(false, true, 130 + 30 * (i % 25), 370 + 26 * (i / 25));
        if (i == 50) atStep50 = saved();
    }
    ASSERT_EQ(undoSteps(), undoStepLimit);
    EXPECT_GT(undoHistoryBytes(), 0u);
    EXPECT_LE(undoHistoryBytes(), undoByteLimit);
    for (int i = 0; i < 250; ++i) key(keyUndo);
    EXPECT_EQ(undoSteps(), 0);
    EXPECT_EQ(redoSteps(), undoStepLimit);
    EXPECT_EQ(saved(), atStep50);
    // A new change forgets the redo steps.
    mouse(false, true, 500, 500);
    EXPECT_EQ(redoSteps(), 0);
    EXPECT_EQ(undoSteps(), 1);
}

TEST_F(EditorUndo, SurvivesATestPlayAndEndsWithAnotherLevel)
{
    const std::string before = saved();
    mouse(false, true, 500, 500);
    keyEscape = true;
    pass();   // the title
    mouseLeft = true;
    pass();   // playing
    ASSERT_EQ(gameState, Playing);
    mousePos = Vec2(300, 500);   // a cut in play is no editor change
    mouseRight = true;
    pass();
    keyEscape = true;
    pass();   // given up, the level restored
    keyF2 = true;
    pass();
    ASSERT_EQ(gameState, ::Editor);
    key(keyUndo);
    EXPECT_EQ(saved(), before);

    key(keyRedo);
    keyEscape = true;
    pass();
    keyRight = true;
    pass();
    EXPECT_EQ(undoSteps() + redoSteps(), 0);
}

}  // namespace
