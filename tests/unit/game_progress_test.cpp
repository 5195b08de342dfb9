// The player's progress: wins and best times, the level to start on, a
// damaged file and a state folder that cannot be written.
#include <string>

#include "game/progress.h"
#include "game_test_support.h"
#include "playfield/undo.h"

using namespace testworld;

namespace {

class Progress : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetWorld();
        clearUndoHistory();
        path = defaultProgressPath();
        openProgress(path);
    }
    void TearDown() override
    {
        openProgress("");
        clearUndoHistory();
        resetWorld();
    }

    // A play of the current level that reaches the complete screen after ms.
    static void winAfter(int ms)
    {
        gameState = Playing;
        stateTime = ms - 16;
        requestState(LevelComplete);
        applyPendingState(16);
        ASSERT_EQ(gameState, LevelComplete);
    }
    static void quitOnTitle()
    {
        gameState = Title;
        requestState(Exiting);
        applyPendingState(16);
    }

    WorkFolder work;
    std::string path;
};

TEST_F(Progress, KeptInTheStateFolderWithTheBestTimeAndTheTitleLevel)
{
    EXPECT_EQ(path, (work.root() / "state/tiltmoor/progress").string());
    levelIndex = 2;
    winAfter(12300);
    EXPECT_TRUE(std::filesystem::exists(path));
    winAfter(15000);   // slower: the best stays
    levelIndex = 4;
    winAfter(9000);
    levelIndex = 5;
    quitOnTitle();

    openProgress(path);   // as the next start reads it
    EXPECT_EQ(progressFor(levelFiles[2]).bestMs, 12300);
    EXPECT_TRUE(progressFor(levelFiles[4]).solved);
    EXPECT_FALSE(progressFor(levelFiles[0]).solved);
    EXPECT_EQ(solvedLevelCount(), 2);
    EXPECT_EQ(rememberedLevelIndex(), 5);

    levelIndex = 2;
    winAfter(11000);   // faster: the new best
    openProgress(path);
    EXPECT_EQ(progressFor(levelFiles[2]).bestMs, 11000);
}

TEST_F(Progress, WritesOnlyWhatChanged)
{
    levelIndex = 1;
    winAfter(5000);
    std::filesystem::remove(path);
    winAfter(6000);   // no better: nothing to write
    EXPECT_FALSE(std::filesystem::exists(path));
    quitOnTitle();    // a new title level
    EXPECT_TRUE(std::filesystem::exists(path));
    std::filesystem::remove(path);
    quitOnTitle();    // the same one again
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(Progress, ALevelChangedInTheEditorWinsNothing)
{
    markLevelEdited();
    winAfter(4000);
    EXPECT_EQ(solvedLevelCount(), 0);
    reloadCurrentLevel();   // the sequence's level again
    winAfter(4000);
    EXPECT_EQ(solvedLevelCount(), 1);
}

TEST_F(Progress, ADamagedFileKeepsItsGoodLines)
{
    std::filesystem::create_directories(work.root() / "state/tiltmoor");
    writeFile(path, std::string("# tiltmoor progress\nsolved data/6.lv 7000\nsolved data/8.lv\nsolved data/4.lv -5\n"
                                "solved data/3.lv 12x\n\x01\xff garbage\ntitle data/7.lv\nsolved data/old.lv 100\n"
                                "solved data/3.lv 99999999999\nsolved data/5.lv 8000 extra\nsolved data/2.lv 3000\n") +
                                "solved data/10.lv 4000");   // no line end: still a line
    openProgress(path);
    EXPECT_EQ(solvedLevelCount(), 3);
    EXPECT_EQ(progressFor("data/6.lv").bestMs, 7000);
    EXPECT_EQ(progressFor("data/10.lv").bestMs, 4000);
    EXPECT_EQ(rememberedLevelIndex(), 5);   // data/7.lv

    levelIndex = 0;
    winAfter(2000);   // the next write keeps them, and drops the bad ones
    EXPECT_EQ(readFile(path), "# tiltmoor progress\ntitle data/7.lv\nsolved data/10.lv 4000\nsolved data/2.lv 3000\n"
                              "solved data/6.lv 7000\nsolved data/9.lv 2000\nsolved data/old.lv 100\n");
}

TEST_F(Progress, AReadOnlyStateFolderLetsTheGamePlayWithOneMessage)
{
    const std::string folder = (work.root() / "state").string();
    std::filesystem::create_directories(folder);
    chmod(folder.c_str(), 0500);
    PermissionBitsEnforced enforced;
    if (!PermissionBitsEnforced::writesRefusedIn(folder)) GTEST_SKIP() << "writes cannot be refused here";

    ::testing::internal::CaptureStdout();
    winAfter(3000);
    levelIndex = 3;
    winAfter(3000);
    quitOnTitle();
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(gameState, Exiting);
    EXPECT_EQ(out, "Couldn't save the progress to \"" + path + "\": Permission denied\n");
    EXPECT_FALSE(std::filesystem::exists(work.root() / "state/tiltmoor"));
    EXPECT_EQ(solvedLevelCount(), 2);   // still shown for this session
}

TEST_F(Progress, WithoutAHomeTheGameSaysOnceThatNothingIsKeptAndPlaysOn)
{
    unsetenv("XDG_STATE_HOME");
    unsetenv("HOME");
    ::testing::internal::CaptureStdout();
    openPlayerProgress();
    winAfter(3000);
    quitOnTitle();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Neither XDG_STATE_HOME nor HOME names a folder: progress is not kept\n");
    EXPECT_EQ(gameState, Exiting);
    EXPECT_FALSE(progressActive());
    EXPECT_EQ(solvedLevelCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(work.root() / "state"));
}

}  // namespace
