// Kept replays: the best one per level is replaced only by a faster win, the
// solution is offered after the third failed or abandoned play, and a replay
// plays only on the level it began on.
#include <string>

#include "app/replay.h"
#include "app/replay_store.h"
#include "game_test_support.h"
#include "playfield/undo.h"

using namespace testworld;

namespace {

class KeptReplays : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetWorld();
        clearUndoHistory();
        resetReplayStore();
    }
    void TearDown() override { resetReplayStore(); }

    static Replay play(const char* level, const char* outcome, int ms)
    {
        Replay r;
        captureStart(r);
        r.level = level;
        r.outcome = outcome;
        r.playMs = ms;
        r.finalState = "{}";
        return r;
    }
    static int keptMs(const std::string& path)
    {
        Replay r;
        return readKeptReplay(path, r) ? r.playMs : -1;
    }

    WorkFolder work;
};

TEST_F(KeptReplays, TheBestIsReplacedOnlyByAFasterWinOnALevelOfTheSequence)
{
    const std::string best = bestReplayPath("data/9.lv");
    EXPECT_EQ(best, (work.root() / "state/tiltmoor/replays/best-9.replay").string());
    keepReplay(play("data/9.lv", "won", 5000));
    keepReplay(play("data/9.lv", "won", 6000));
    EXPECT_EQ(keptMs(best), 5000);
    keepReplay(play("data/9.lv", "failed", 100));
    keepReplay(play("-", "won", 100));   // an edited level is no level's best
    EXPECT_EQ(keptMs(best), 5000);
    EXPECT_EQ(keptMs(lastReplayPath()), 100);
    keepReplay(play("data/9.lv", "won", 4000));
    EXPECT_EQ(keptMs(best), 4000);
    // A kept best that cannot be read is skipped; the next win takes its place.
    writeFile(best, "tiltmoor-replay 1 1.0.0\nlevel data/9.lv 0\n");
    keepReplay(play("data/9.lv", "won", 9000));
    EXPECT_EQ(keptMs(best), 9000);
}

TEST_F(KeptReplays, TheSolutionIsOfferedAfterTheThirdFailedOrAbandonedPlay)
{
    keepReplay(play("data/9.lv", "failed", 1000));
    keepReplay(play("data/9.lv", "won", 1000));
    keepReplay(play("data/9.lv", "abandoned", 1000));
    keepReplay(play("data/6.lv", "failed", 1000));
    EXPECT_FALSE(solutionOffered(0));
    keepReplay(play("data/9.lv", "abandoned", 1000));
    EXPECT_TRUE(solutionOffered(0));
    EXPECT_FALSE(solutionOffered(1));
}

TEST_F(KeptReplays, AReplayPlaysOnlyOnTheLevelItBeganOn)
{
    setLevel({rectangle(300, 400, 700, 500)}, {0});
    placeBall(0, 333.25f, 377.5f);
    ASSERT_TRUE(saveLevel("data/9.lv"));
    const LevelCopy saved = copyLevel();
    Replay r = play("data/9.lv", "won", 1000);
    EXPECT_TRUE(replayMatchesLevelFile(r));

    // Its start is made current exactly, in play.
    resetWorld();
    restoreStart(r);
    expectSameLevel(saved, copyLevel());
    EXPECT_EQ(gameState, Playing);

    placeBall(0, 333.25f, 377.0f);
    ASSERT_TRUE(saveLevel("data/9.lv"));
    EXPECT_FALSE(replayMatchesLevelFile(r));
    r.level = "data/missing.lv";
    EXPECT_FALSE(replayMatchesLevelFile(r));
}

}  // namespace
