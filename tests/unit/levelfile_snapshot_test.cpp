// The snapshot of the level as play began. Wherever it can be written it is
// written, and whatever the file system does, abandoning or failing a play
// gives back the level and the balls as they were.
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "game_test_support.h"

using namespace testworld;

namespace {

class Snapshot : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetWorld();
        setLevel({rectangle(100, 400, 900, 700), {{450, 420}, {470, 420}, {470, 480}, {450, 480}}}, {0, 1});
        placeBall(0, 150.5f, 350.25f);
        placeBall(5, 0.12345678f, 300.0f);   // its "%f" line rounds it
    }
    void TearDown() override
    {
        freePlayfield();
        resetWorld();
    }

    // Title, a click: the snapshot is taken and play begins.
    static void startPlay()
    {
        gameState = Title;
        mouseLeft = true;
        pass();
        ASSERT_EQ(gameState, int(Playing));
    }

    // What a play does to the level: a cut, a stamp, moved balls, a tilt.
    static void spoilLevel()
    {
        freePlayfield();
        setLevel({rectangle(0, 0, 50, 50)}, {0});
        for (int i = 0; i < ballCount; ++i) placeBall(i, 900.0f, 10.0f * i);
        angle = 0.3f;
    }

    // The level as a restore must give it back: the ball lines hold six
    // decimals, so ball 5 comes back as its "%f" text reads.
    LevelCopy expectedAfterRestore()
    {
        LevelCopy expected = copyLevel();
        expected.balls[5].x = std::strtof("0.123457", nullptr);
        return expected;
    }

    // Plays and abandons with Escape, then plays and fails and continues
    // with a click; both must restore the level.
    void expectBothWaysOutRestore()
    {
        const LevelCopy expected = expectedAfterRestore();

        startPlay();
        spoilLevel();
        keyEscape = true;
        pass();
        EXPECT_EQ(gameState, int(Title));
        expectSameLevel(expected, copyLevel());

        startPlay();
        spoilLevel();
        placeBall(3, -50.0f, 300.0f);   // a red ball off the screen
        pass();
        ASSERT_EQ(gameState, int(LevelFailed));
        pass(501);
        mouseLeft = true;
        pass();
        EXPECT_EQ(gameState, int(Title));
        expectSameLevel(expected, copyLevel());
    }

    WorkFolder folder;
};

TEST_F(Snapshot, LivesInTheDataFolderWhileItCanBeWritten)
{
    EXPECT_STREQ(snapshotPath(), "data/temp");
    const LevelCopy expected = expectedAfterRestore();
    startPlay();
    ASSERT_TRUE(std::filesystem::exists("data/temp"));
    spoilLevel();
    loadLevel("data/temp");
    expectSameLevel(expected, copyLevel());
}

TEST_F(Snapshot, MovesToTheUsersStateFolderWhenTheDataFolderCannotBeWritten)
{
    std::filesystem::remove("data");
    const std::string statePath = (folder.root() / "state" / "tiltmoor" / "temp").string();
    EXPECT_EQ(std::string(snapshotPath()), statePath);

    unsetenv("XDG_STATE_HOME");
    setenv("HOME", (folder.root() / "home").c_str(), 1);
    EXPECT_EQ(std::string(snapshotPath()), (folder.root() / "home/.local/state/tiltmoor/temp").string());
    setenv("XDG_STATE_HOME", "relative/state", 1);   // not absolute: ignored
    EXPECT_EQ(std::string(snapshotPath()), (folder.root() / "home/.local/state/tiltmoor/temp").string());

    setenv("XDG_STATE_HOME", (folder.root() / "state").c_str(), 1);
    startPlay();
    EXPECT_TRUE(std::filesystem::is_regular_file(statePath));
    keyEscape = true;
    pass();
    expectBothWaysOutRestore();
}

TEST_F(Snapshot, ReadOnlyDataFolderStillRestoresAfterEscapeAndAfterFailure)
{
    ASSERT_EQ(chmod("data", 0555), 0);
    PermissionBitsEnforced enforced;
    if (!PermissionBitsEnforced::writesRefusedIn("data"))
        GTEST_SKIP() << "this process can write into read-only folders and cannot give that up";
    EXPECT_NE(std::string(snapshotPath()), "data/temp");
    expectBothWaysOutRestore();
    EXPECT_FALSE(std::filesystem::exists("data/temp"));
}

TEST_F(Snapshot, FailedWritesStillRestoreAfterEscapeAndAfterFailure)
{
    // The data folder is writable, but a folder stands where the file goes.
    ASSERT_EQ(mkdir("data/temp", 0755), 0);
    testing::internal::CaptureStdout();
    expectBothWaysOutRestore();
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(output.find("data/temp"), std::string::npos) << output;
}

TEST_F(Snapshot, NoWritableFolderAnywhereStillRestores)
{
    std::filesystem::remove("data");
    writeFile("blocker", "a file where the state folder would go");
    setenv("XDG_STATE_HOME", (folder.root() / "blocker" / "state").c_str(), 1);
    testing::internal::CaptureStdout();
    expectBothWaysOutRestore();
    testing::internal::GetCapturedStdout();
}

TEST_F(Snapshot, FileRemovedOrCutShortAfterwardsIsServedFromMemory)
{
    const LevelCopy expected = expectedAfterRestore();

    saveSnapshot();
    std::filesystem::remove("data/temp");
    spoilLevel();
    loadSnapshot();
    expectSameLevel(expected, copyLevel());

    saveSnapshot();
    const std::string text = readFile("data/temp");
    writeFile("data/temp", text.substr(0, text.size() / 2));
    spoilLevel();
    loadSnapshot();
    expectSameLevel(expected, copyLevel());
}

TEST_F(Snapshot, RestoreKeepsThePresentTiltAndRebuildsTheStrips)
{
    saveSnapshot();
    std::filesystem::remove("data/temp");   // from memory
    spoilLevel();
    angle = 0.7f;
    loadSnapshot();
    EXPECT_EQ(angle, 0.7f);
    EXPECT_NEAR(stripArea(), levelArea(), 1e-6 * levelArea());
    const gpc_vertex& v = levelPolygon.contour[0].vertex[0];
    const double s = static_cast<float>(std::sin(0.7)), c = static_cast<float>(std::cos(0.7));
    EXPECT_DOUBLE_EQ(v.rx, 512.0 + (v.x - 512.0) * c + (v.y - 384.0) * s);
    EXPECT_DOUBLE_EQ(v.ry, 384.0 - (v.x - 512.0) * s + (v.y - 384.0) * c);
}

}  // namespace
