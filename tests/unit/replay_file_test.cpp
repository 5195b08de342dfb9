// The replay file: what is written reads back exactly, and anything that is
// not a whole replay of this format is refused with a message.
#include <gtest/gtest.h>

#include <string>

#include "app/replay.h"

namespace {

Replay sampleReplay()
{
    Replay r;
    r.gameVersion = "1.0.0";
    r.level = "data/9.lv";
    r.levelIndex = 3;
    r.outcome = "won";
    r.playMs = 12345;
    r.contours = {{0, {0.1 + 0.2, 1e-300, 512.000000001, -3.5, 700, 1100}}, {1, {}}};
    for (int i = 0; i < 7; ++i) r.balls.push_back({100.1f + i, 1.0f / 3.0f, -0.0f, 1e-38f, 9999999.0f});
    r.mouseX = 900;
    r.mouseY = 300.5f;
    r.heldInput = 1u << 6;
    r.startEvents = {{'u', 1, 900, 300}};
    r.passes = {{16, {}}, {16, {}}, {16, {}},
                {9, {{'m', 410, 300}, {'d', 3}, {'k', 122, 64}, {'K', 122}, {'q'}}},
                {16, {}}, {7, {}}};
    r.finalState = R"({"state":"LevelComplete","angle":-0.0286063105})";
    return r;
}

TEST(ReplayFile, ReadsBackExactlyWhatItWrote)
{
    const Replay written = sampleReplay();
    const std::string text = replayText(written);
    Replay read;
    std::string error;
    ASSERT_TRUE(parseReplay(text, read, error)) << error;
    EXPECT_EQ(read, written);
    // Runs of passes without events share one line.
    EXPECT_NE(text.find("\nt16 *3\n"), std::string::npos) << text;
}

TEST(ReplayFile, RefusesTruncatedForeignAndNewerFiles)
{
    const std::string text = replayText(sampleReplay());
    Replay read;
    std::string error;
    // Cut after every line but the last: each is refused and says where.
    for (size_t at = text.find('\n'); at + 1 < text.size(); at = text.find('\n', at + 1)) {
        EXPECT_FALSE(parseReplay(text.substr(0, at + 1), read, error)) << "cut at " << at;
        EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
    }
    EXPECT_FALSE(parseReplay("# tiltmoor progress\nsolved data/9.lv 100\n", read, error));
    EXPECT_NE(error.find("not a replay file"), std::string::npos) << error;
    std::string newer = text;
    newer.replace(0, newer.find('\n'), "tiltmoor-replay 2 9.9.9");
    EXPECT_FALSE(parseReplay(newer, read, error));
    EXPECT_NE(error.find("this game reads format 1"), std::string::npos) << error;
    // A count no play reaches is refused before anything is taken for it.
    std::string hostile = text;
    hostile.replace(hostile.find("passes 6"), 8, "passes 999999999");
    EXPECT_FALSE(parseReplay(hostile, read, error));
    EXPECT_NE(error.find("bad pass count"), std::string::npos) << error;
    // Values no play can hold: a ball not a number, the pointer beyond a
    // 16-bit position.
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"ball 100.1 ", "ball nan "},
                                   {"m-490,0", "m99999,0"}}) {
        std::string bad = text;
        bad.replace(bad.find(from), from.size(), to);
        EXPECT_FALSE(parseReplay(bad, read, error)) << to;
    }
    std::string garbled = text;
    garbled.replace(garbled.find("m-490,0"), 7, "m-490;0");
    EXPECT_FALSE(parseReplay(garbled, read, error));
    EXPECT_NE(error.find("m-490;0"), std::string::npos) << error;
}

}  // namespace
