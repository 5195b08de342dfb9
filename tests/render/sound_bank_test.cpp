// The sound bank on SDL's dummy audio driver, with small Ogg files made for
// the test.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <SDL.h>
#include <SDL_mixer.h>

#include "audio/sound_bank.h"
#include "render_support.h"

namespace fs = std::filesystem;

namespace {

const char* const soundNames[3] = {"jump.ogg", "jump2.ogg", "ambientoa.ogg"};

class SoundBankTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        openGameWindow();   // SDL with video and audio, as at start-up
        sounds = new TempDir;
        for (const char* name : soundNames) {
            const std::string command = "sox -q -n -r 44100 -c 2 '" + (sounds->path / name).string() +
                                        "' synth 0.2 sine 440 2>&1";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
        }
    }
    static void TearDownTestSuite()
    {
        delete sounds;
        sounds = nullptr;
    }

    void SetUp() override
    {
        previous = fs::current_path();
        fs::create_directory(work.path / "data");
        fs::current_path(work.path);
    }
    void TearDown() override { fs::current_path(previous); }

    // Puts the test's sounds into ./data, all but `missing`.
    void provideSounds(const char* missing = nullptr)
    {
        for (const char* name : soundNames)
            if (!missing || std::string(name) != missing) fs::copy_file(sounds->path / name, work.path / "data" / name);
    }

    static std::string loadCapturingOutput(SoundBank& bank)
    {
        std::fflush(stdout);
        ::testing::internal::CaptureStdout();
        bank.load();
        std::fflush(stdout);
        return ::testing::internal::GetCapturedStdout();
    }

    static bool deviceOpen()
    {
        int frequency = 0, channels = 0;
        Uint16 format = 0;
        return Mix_QuerySpec(&frequency, &format, &channels) != 0;
    }

    static TempDir* sounds;
    TempDir work;
    fs::path previous;
};

TempDir* SoundBankTest::sounds = nullptr;

}  // namespace

TEST_F(SoundBankTest, ConstructionNamesTheFilesAndTouchesNothing)
{
    SoundBank bank;
    EXPECT_EQ(bank.effectFiles[0], "jump.ogg");
    EXPECT_EQ(bank.effectFiles[1], "jump2.ogg");
    EXPECT_EQ(bank.musicFiles[0], "ambientoa.ogg");
    EXPECT_FALSE(bank.loadFailed);
    EXPECT_EQ(bank.effects[0], nullptr);
    EXPECT_EQ(bank.effects[1], nullptr);
    EXPECT_EQ(bank.music[0], nullptr);
    EXPECT_FALSE(deviceOpen());
}

TEST_F(SoundBankTest, AllPresentLoadsQuietlyAndFadesTheMusicIn)
{
    provideSounds();
    SoundBank bank;
    EXPECT_EQ(loadCapturingOutput(bank), "");
    EXPECT_FALSE(bank.loadFailed);
    EXPECT_NE(bank.effects[0], nullptr);
    EXPECT_NE(bank.effects[1], nullptr);
    EXPECT_NE(bank.music[0], nullptr);

    int frequency = 0, channels = 0;
    Uint16 format = 0;
    ASSERT_NE(Mix_QuerySpec(&frequency, &format, &channels), 0);
    EXPECT_EQ(frequency, 44100);
    EXPECT_EQ(format, AUDIO_S16LSB);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(Mix_AllocateChannels(-1), 16);

    // Only index 0 names a track.
    bank.playMusic(1);
    bank.playMusic(-1);
    EXPECT_EQ(Mix_PlayingMusic(), 0);
    bank.playMusic(0);
    EXPECT_EQ(Mix_PlayingMusic(), 1);
    EXPECT_EQ(Mix_FadingMusic(), MIX_FADING_IN);

    bank.close();
    EXPECT_EQ(Mix_PlayingMusic(), 0);
    EXPECT_FALSE(deviceOpen());
}

TEST_F(SoundBankTest, EachMissingSoundIsReportedOnceAndKeepsTheMusicOff)
{
    for (const char* missing : soundNames) {
        SCOPED_TRACE(missing);
        fs::remove_all(work.path / "data");
        fs::create_directory(work.path / "data");
        provideSounds(missing);

        SoundBank bank;
        const std::string output = loadCapturingOutput(bank);
        const bool music = std::string(missing) == "ambientoa.ogg";
        // Two spaces before an effect's message, one before the music's.
        const std::string prefix = music ? " Mix_LoadMUS: " : "  Mix_LoadWAV: ";
        ASSERT_GT(output.size(), prefix.size() + 1) << output;
        EXPECT_EQ(output.substr(0, prefix.size()), prefix) << output;
        EXPECT_NE(output[prefix.size()], ' ') << output;
        EXPECT_EQ(output.find('\n'), output.size() - 1) << "one line: " << output;
        EXPECT_TRUE(bank.loadFailed);

        for (int i = 0; i < 2; ++i) EXPECT_EQ(bank.effects[i] == nullptr, bank.effectFiles[i] == missing);
        EXPECT_EQ(bank.music[0] == nullptr, music);

        bank.playMusic(0);
        EXPECT_EQ(Mix_PlayingMusic(), 0);
        bank.close();
        EXPECT_FALSE(deviceOpen());
    }
}

TEST_F(SoundBankTest, NothingPresentReportsAllThreeAndClosesCleanly)
{
    SoundBank bank;
    const std::string output = loadCapturingOutput(bank);
    EXPECT_EQ(output.rfind("  Mix_LoadWAV: ", 0), 0u) << output;
    size_t lines = 0, effects = 0, musics = 0;
    for (size_t start = 0; start < output.size();) {
        const size_t end = output.find('\n', start);
        const std::string line = output.substr(start, end - start);
        ++lines;
        if (line.rfind("  Mix_LoadWAV: ", 0) == 0) ++effects;
        if (line.rfind(" Mix_LoadMUS: ", 0) == 0) ++musics;
        start = end == std::string::npos ? output.size() : end + 1;
    }
    EXPECT_EQ(lines, 3u);
    EXPECT_EQ(effects, 2u);
    EXPECT_EQ(musics, 1u);
    bank.playMusic(0);
    EXPECT_EQ(Mix_PlayingMusic(), 0);
    bank.close();
    EXPECT_FALSE(deviceOpen());
}
