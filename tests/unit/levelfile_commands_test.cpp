// The editor's open and save commands through the dialog seams, the save
// path rule, the dialogs' filter and the load by level index.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "game_test_support.h"

using namespace testworld;

namespace {

std::string dialogAnswer;
std::string filterSeen;
int dialogCalls = 0;

// The filter's bytes: the description, a NUL, the pattern, a NUL and the
// closing NUL that the literal's terminator gives.
const char expectedFilter[] = "Level files (*.lv)\0*.lv\0";
constexpr size_t filterBytes = sizeof(expectedFilter);

std::string scriptedDialog(const char* filter)
{
    ++dialogCalls;
    filterSeen.assign(filter, filterBytes);
    return dialogAnswer;
}

class LevelCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetWorld();
        dialogAnswer.clear();
        filterSeen.clear();
        dialogCalls = 0;
        openLevelDialog = scriptedDialog;
        saveLevelDialog = scriptedDialog;
        setLevel({rectangle(100, 400, 900, 500)}, {0});
        placeBall(4, 250.5f, 300.25f);
    }
    void TearDown() override
    {
        freePlayfield();
        resetWorld();
    }
    WorkFolder folder;
};

TEST(LevelExtension, AppendedUnlessThePathEndsInExactlyDotLv)
{
    const std::pair<const char*, const char*> cases[] = {
        {"level", "level.lv"},       {"level.lv", "level.lv"},     {"level.LV", "level.LV.lv"},
        {"level.Lv", "level.Lv.lv"}, {"level.lvx", "level.lvx.lv"}, {"lv", "lv.lv"},
        {".lv", ".lv"},              {"dir.lv/name", "dir.lv/name.lv"}, {"a b/ü é", "a b/ü é.lv"},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(withLevelExtension(path), expected) << path;
}

TEST(LevelExtension, FilterIsDescriptionPatternAndTwoClosingNuls)
{
    ASSERT_EQ(filterBytes, 25u);
    EXPECT_EQ(std::memcmp(levelFileFilter, expectedFilter, filterBytes), 0);
    EXPECT_EQ(std::string(levelFileFilter), "Level files (*.lv)");
    EXPECT_EQ(std::string(levelFileFilter + 19), "*.lv");
    EXPECT_EQ(levelFileFilter[24], '\0');
}

TEST_F(LevelCommands, SaveAppendsTheExtensionAndCancelWritesNothing)
{
    saveLevelCommand();   // cancelled
    EXPECT_EQ(dialogCalls, 1);
    EXPECT_TRUE(folderEntries("data").empty());

    const std::string filter(expectedFilter, filterBytes);
    dialogAnswer = (folder.root() / "data" / "mine").string();
    saveLevelCommand();
    EXPECT_EQ(filterSeen, filter);
    dialogAnswer = (folder.root() / "data" / "UPPER.LV").string();
    saveLevelCommand();
    dialogAnswer = (folder.root() / "data" / "kept.lv").string();
    saveLevelCommand();
    EXPECT_EQ(folderEntries("data"), (std::vector<std::string>{"UPPER.LV.lv", "kept.lv", "mine.lv"}));
}

TEST_F(LevelCommands, OpenLoadsTheChosenFileAndCancelChangesNothing)
{
    const LevelCopy before = copyLevel();
    openLevelCommand();   // cancelled
    EXPECT_EQ(dialogCalls, 1);
    EXPECT_EQ(filterSeen, std::string(expectedFilter, filterBytes));
    expectSameLevel(before, copyLevel());

    writeFile("data/other.lv", "1\n3\n0\n 10 10\n 50 10\n 10 50\n1\n2\n");
    dialogAnswer = (folder.root() / "data" / "other.lv").string();
    angle = 0.125f;
    openLevelCommand();
    ASSERT_EQ(levelPolygon.num_contours, 1);
    EXPECT_EQ(levelPolygon.contour[0].num_vertices, 3);
    EXPECT_EQ(balls[0].position.x, 1.0f);
    EXPECT_EQ(balls[4].position.x, 472.0f);
    EXPECT_EQ(angle, 0.125f);
}

std::vector<std::string> boxesShown;
void recordBox(const char* message) { boxesShown.push_back(message); }

TEST_F(LevelCommands, OpenOfAFileThatCannotBeReadLeavesTheLevelAndShowsWhy)
{
    fileErrorBox = recordBox;
    boxesShown.clear();
    ASSERT_EQ(mkdir("data/folder.lv", 0755), 0);
    const LevelCopy before = copyLevel();
    for (const char* name : {"typo.lv", "folder.lv"}) {
        dialogAnswer = (folder.root() / "data" / name).string();
        testing::internal::CaptureStdout();
        openLevelCommand();
        const std::string output = testing::internal::GetCapturedStdout();
        expectSameLevel(before, copyLevel());
        ASSERT_FALSE(boxesShown.empty());
        EXPECT_NE(boxesShown.back().find(dialogAnswer), std::string::npos) << boxesShown.back();
        EXPECT_EQ(boxesShown.back() + "\n", output);
    }
    EXPECT_EQ(boxesShown.size(), 2u);
}

TEST_F(LevelCommands, FailedSaveShowsTheFileAndTheReasonInTheBox)
{
    fileErrorBox = recordBox;
    boxesShown.clear();
    dialogAnswer = (folder.root() / "no-such-folder" / "mine").string();
    testing::internal::CaptureStdout();
    saveLevelCommand();
    const std::string output = testing::internal::GetCapturedStdout();
    ASSERT_EQ(boxesShown.size(), 1u);
    EXPECT_NE(boxesShown[0].find(dialogAnswer + ".lv"), std::string::npos) << boxesShown[0];
    EXPECT_NE(boxesShown[0].find(std::strerror(ENOENT)), std::string::npos) << boxesShown[0];
    EXPECT_EQ(boxesShown[0] + "\n", output);
    EXPECT_EQ(lastFileError, boxesShown[0]);
}

TEST_F(LevelCommands, PathsWithSpacesAndNonAsciiLettersSaveAndLoadBack)
{
    const LevelCopy saved = copyLevel();
    dialogAnswer = (folder.root() / "data" / "my level – Ærø ü").string();
    saveLevelCommand();
    const std::string written = dialogAnswer + ".lv";
    ASSERT_TRUE(std::filesystem::exists(written));

    freePlayfield();
    dialogAnswer = written;
    openLevelCommand();
    expectSameLevel(saved, copyLevel());
}

TEST_F(LevelCommands, LoadByIndexIsAlwaysUpright)
{
    writeFile("data/18.lv", "1\n3\n0\n 600 300\n 700 300\n 600 400\n");
    writeFile("data/9.lv", "1\n4\n0\n 0 0\n 5 0\n 5 5\n 0 5\n");
    angle = 1.0f;
    levelIndex = 17;
    reloadCurrentLevel();
    EXPECT_EQ(angle, 0.0f);
    ASSERT_EQ(levelPolygon.num_contours, 1);
    ASSERT_EQ(levelPolygon.contour[0].num_vertices, 3);
    EXPECT_EQ(levelPolygon.contour[0].vertex[1].rx, 700.0);
    EXPECT_EQ(levelPolygon.contour[0].vertex[1].ry, 300.0);

    angle = -0.5f;
    levelIndex = 0;
    reloadCurrentLevel();
    EXPECT_EQ(angle, 0.0f);
    ASSERT_EQ(levelPolygon.num_contours, 1);
    EXPECT_EQ(levelPolygon.contour[0].num_vertices, 4);
}

}  // namespace
