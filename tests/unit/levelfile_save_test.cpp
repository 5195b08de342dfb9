// Saving: a save replaces the old file in one step or not at all. A save
// that fails leaves the old file byte for byte, the level in memory as it
// was, no stray temporary file, and one line on standard output naming the
// path and the reason.
#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <cstring>
#include <string>

#include "game_test_support.h"

using namespace testworld;

namespace {

class LevelSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetWorld();
        setLevel({rectangle(100, 400, 900, 500)}, {0});
        ASSERT_TRUE(saveLevel("data/keep.lv"));
        oldBytes = readFile("data/keep.lv");
        // A different level in memory, much longer than the old file.
        std::vector<Point> many;
        for (int i = 0; i < 400; ++i) many.push_back({512 + 300 * std::cos(i * 0.0157), 450 + 200 * std::sin(i * 0.0157)});
        setLevel({many}, {0});
        placeBall(2, 333.25f, 222.5f);
        inMemory = copyLevel();
    }
    void TearDown() override { freePlayfield(); }

    // Runs a save that must fail and checks everything a failure must keep.
    void expectFailedSave(const std::string& path, const char* reason)
    {
        testing::internal::CaptureStdout();
        const bool written = saveLevel(path.c_str());
        const std::string output = testing::internal::GetCapturedStdout();

        EXPECT_FALSE(written);
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
        EXPECT_NE(output.find(path), std::string::npos) << output;
        EXPECT_NE(output.find(reason), std::string::npos) << output;
        EXPECT_EQ(readFile("data/keep.lv"), oldBytes);
        EXPECT_EQ(folderEntries("data"), std::vector<std::string>{"keep.lv"});
        expectSameLevel(inMemory, copyLevel());
    }

    WorkFolder folder;
    std::string oldBytes;
    LevelCopy inMemory;
};

TEST_F(LevelSave, ReplacesTheFileWholeAndLeavesNoTemporaryFile)
{
    ASSERT_TRUE(saveLevel("data/keep.lv"));
    EXPECT_EQ(folderEntries("data"), std::vector<std::string>{"keep.lv"});
    freePlayfield();
    loadLevel("data/keep.lv");
    expectSameLevel(inMemory, copyLevel());
}

TEST_F(LevelSave, KeepsTheModeOfTheFileItReplaces)
{
    ASSERT_EQ(chmod("data/keep.lv", 0640), 0);
    ASSERT_TRUE(saveLevel("data/keep.lv"));
    struct stat st;
    ASSERT_EQ(stat("data/keep.lv", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const mode_t mask = umask(022);
    ASSERT_TRUE(saveLevel("data/new.lv"));
    umask(mask);
    ASSERT_EQ(stat("data/new.lv", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(LevelSave, ThroughALinkWritesTheLinkedFileAndKeepsTheLink)
{
    ASSERT_EQ(symlink("keep.lv", "data/link.lv"), 0);
    ASSERT_TRUE(saveLevel("data/link.lv"));
    struct stat st;
    ASSERT_EQ(lstat("data/link.lv", &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(readFile("data/keep.lv"), oldBytes);
    EXPECT_EQ(readFile("data/keep.lv"), readFile("data/link.lv"));
}

TEST_F(LevelSave, WriteCutShortKeepsTheOldFile)
{
    // A full disk, as near as a test can come: the temporary file may not
    // grow past 4 KiB, and the level needs more than that.
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    expectFailedSave("data/keep.lv", std::strerror(EFBIG));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
}

void restoreLevel(const LevelCopy& copy)
{
    setLevel(copy.contours, copy.holes);
    for (int i = 0; i < ballCount; ++i) placeBall(i, float(copy.balls[i].x), float(copy.balls[i].y));
}

// A child process saves the two levels in turn over data/keep.lv, forever,
// and is killed at `kills` moments spread over its first milliseconds; what
// the file held after each kill comes back.
std::vector<std::string> contentsAfterKills(const LevelCopy& a, const LevelCopy& b, int kills)
{
    std::vector<std::string> seen;
    for (int k = 0; k < kills; ++k) {
        const pid_t child = fork();
        if (child == 0) {
            if (!std::freopen("/dev/null", "w", stdout)) _exit(2);
            for (long i = 0; i < 1000000; ++i) {
                restoreLevel(i % 2 ? a : b);
                saveLevel("data/keep.lv");
            }
            _exit(0);
        }
        usleep(useconds_t(500 + 400 * k));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        seen.push_back(readFile("data/keep.lv"));
    }
    return seen;
}

TEST_F(LevelSave, KilledAtAnyMomentLeavesTheOldLevelOrTheNewOneAndTheNextSaveSweepsStaleTemporaries)
{
    ASSERT_TRUE(saveLevel("data/new.lv"));
    const std::string newBytes = readFile("data/new.lv");
    std::remove("data/new.lv");
    loadLevel("data/keep.lv");
    for (const std::string& bytes : contentsAfterKills(inMemory, copyLevel(), 20))
        EXPECT_TRUE(bytes == oldBytes || bytes == newBytes) << bytes.size() << " bytes";

    // Temporary files a kill left, and ours from an hour ago, go with the
    // next save into the folder; a recent one (a save under way) stays, and
    // so do files of other names.
    writeFile("data/.keep.lv.Ab12Cd", "left by a killed save");
    writeFile("data/.recent.lv.Xy34Zw", "a save under way");
    writeFile("data/.notes.txt.Ab12Cd", "not ours");
    const time_t hourAgo = time(nullptr) - 3601;
    for (const std::string& name : folderEntries("data")) {
        if (name == ".recent.lv.Xy34Zw") continue;
        const struct timespec times[2] = {{hourAgo, 0}, {hourAgo, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, ("data/" + name).c_str(), times, 0), 0);
    }
    ASSERT_TRUE(saveLevel("data/keep.lv"));
    EXPECT_EQ(folderEntries("data"), (std::vector<std::string>{".notes.txt.Ab12Cd", ".recent.lv.Xy34Zw", "keep.lv"}));
}

TEST_F(LevelSave, ReadOnlyFolderRefusesTheSaveEvenForAWritableFileAndKillsCannotHurtIt)
{
    loadLevel("data/keep.lv");
    const LevelCopy old = copyLevel();
    restoreLevel(inMemory);
    ASSERT_EQ(chmod("data", 0555), 0);
    PermissionBitsEnforced enforced;
    if (!PermissionBitsEnforced::writesRefusedIn("data"))
        GTEST_SKIP() << "this process can write into read-only folders and cannot give that up";
    // Writing over the file in place is what a kill could cut short.
    expectFailedSave("data/keep.lv", "allows no new file");
    for (const std::string& bytes : contentsAfterKills(inMemory, old, 20)) EXPECT_EQ(bytes, oldBytes);
    ASSERT_EQ(chmod("data/keep.lv", 0444), 0);
    expectFailedSave("data/keep.lv", std::strerror(EACCES));
}

TEST_F(LevelSave, MissingFolderOrAFolderInTheWayFail)
{
    expectFailedSave("nowhere/level.lv", std::strerror(ENOENT));
    EXPECT_FALSE(std::filesystem::exists("nowhere"));

    ASSERT_EQ(mkdir("data/folder.lv", 0755), 0);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(saveLevel("data/folder.lv"));
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(output.find("data/folder.lv"), std::string::npos) << output;
    EXPECT_EQ(folderEntries("data"), (std::vector<std::string>{"folder.lv", "keep.lv"}));
    EXPECT_TRUE(std::filesystem::is_empty("data/folder.lv"));
}

}  // namespace
