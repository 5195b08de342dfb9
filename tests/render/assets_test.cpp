// The shipped pictures and sounds, read through the game's own loaders.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>

#include "audio/sound_bank.h"
#include "render/texture.h"
#include "render_support.h"

namespace fs = std::filesystem;

namespace {

std::string dataPath(const std::string& name) { return std::string(TILTMOOR_SOURCE_DIR) + "/data/" + name; }

// Alpha of a pixel of a 4-byte surface, whatever its channel order.
int alphaAt(SDL_Surface* s, int x, int y)
{
    const uint8_t* p = static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * 4;
    uint32_t value;
    std::memcpy(&value, p, 4);
    Uint8 r, g, b, a;
    SDL_GetRGBA(value, s->format, &r, &g, &b, &a);
    return a;
}

// Share of the pixels of rows [y0, y1) whose alpha is at least 200.
double opaqueShare(SDL_Surface* s, int y0, int y1)
{
    int opaque = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < s->w; ++x) opaque += alphaAt(s, x, y) >= 200;
    return double(opaque) / (double(y1 - y0) * s->w);
}

struct Picture {
    const char* name;
    int width, height, bytesPerPixel;
};

void PrintTo(const Picture& picture, std::ostream* os) { *os << picture.name; }

class ShippedPictures : public ::testing::TestWithParam<Picture> {
protected:
    static void SetUpTestSuite() { openGameWindow(); }
};

TEST_P(ShippedPictures, LoadAsTexturesOfTheirDesignedSize)
{
    const Picture& pic = GetParam();
    SDL_Surface* image = IMG_Load(dataPath(pic.name).c_str());
    ASSERT_NE(image, nullptr) << pic.name << ": " << IMG_GetError();
    EXPECT_EQ(image->w, pic.width);
    EXPECT_EQ(image->h, pic.height);
    EXPECT_EQ(image->format->BytesPerPixel, pic.bytesPerPixel) << "the loader takes only 3 or 4 bytes per pixel";
    SDL_FreeSurface(image);

    const unsigned texture = loadTexture(dataPath(pic.name).c_str());
    ASSERT_NE(texture, 0u);
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(w, pic.width);
    EXPECT_EQ(h, pic.height);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

INSTANTIATE_TEST_SUITE_P(Data, ShippedPictures,
                         ::testing::Values(Picture{"splash.png", 1024, 768, 3}, Picture{"main.png", 1024, 256, 4},
                                           Picture{"screw.png", 40, 40, 4}),
                         [](const ::testing::TestParamInfo<Picture>& info) {
                             std::string n = info.param.name;
                             return n.substr(0, n.find('.'));
                         });

TEST(ShippedPictureLayout, BannerShowsItsMoorAtTheBottomEdgeAndLetsTheSceneThroughBelowTheName)
{
    SDL_Surface* banner = IMG_Load(dataPath("main.png").c_str());
    ASSERT_NE(banner, nullptr);
    ASSERT_EQ(banner->format->BytesPerPixel, 4);
    // The bottom band shows only the upper 46 to 66 rows: the moor is solid there.
    EXPECT_GT(opaqueShare(banner, 30, 46), 0.95);
    // Its ragged crest leaves sky above it in the very first rows.
    EXPECT_LT(opaqueShare(banner, 0, 4), 0.5);
    // The top band, shifted up by 55 to 65 rows, fades out: the level shows
    // through its lower part.
    EXPECT_LT(opaqueShare(banner, 215, 256), 0.01);
    SDL_FreeSurface(banner);
}

TEST(ShippedPictureLayout, ScrewHeadIsOpaqueWithATransparentSurround)
{
    SDL_Surface* screw = IMG_Load(dataPath("screw.png").c_str());
    ASSERT_NE(screw, nullptr);
    ASSERT_EQ(screw->format->BytesPerPixel, 4);
    for (int corner = 0; corner < 4; ++corner)
        EXPECT_EQ(alphaAt(screw, corner % 2 ? 39 : 0, corner / 2 ? 39 : 0), 0) << "corner " << corner;
    EXPECT_EQ(alphaAt(screw, 20, 20), 255);
    EXPECT_EQ(alphaAt(screw, 12, 28), 255);
    SDL_FreeSurface(screw);
}

TEST(ShippedPictureLayout, IconIsA32By32Bitmap)
{
    SDL_Surface* icon = SDL_LoadBMP(dataPath("icon.bmp").c_str());
    ASSERT_NE(icon, nullptr) << SDL_GetError();
    EXPECT_EQ(icon->w, 32);
    EXPECT_EQ(icon->h, 32);
    SDL_FreeSurface(icon);
}

class ShippedSounds : public ::testing::Test {
protected:
    static void SetUpTestSuite() { openGameWindow(); }
    void SetUp() override
    {
        previous = fs::current_path();
        fs::current_path(TILTMOOR_SOURCE_DIR);   // the bank reads ./data/
    }
    void TearDown() override { fs::current_path(previous); }
    fs::path previous;
};

TEST_F(ShippedSounds, MusicAndBothEffectsLoadThroughTheSoundBank)
{
    SoundBank bank;
    bank.load();
    EXPECT_FALSE(bank.loadFailed);
    EXPECT_NE(bank.music[0], nullptr);
    EXPECT_NE(bank.effects[0], nullptr);
    EXPECT_NE(bank.effects[1], nullptr);

    // The device is open as the bank opened it: 44.1 kHz, 16-bit, stereo.
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    ASSERT_NE(Mix_QuerySpec(&frequency, &format, &channels), 0);
    const double bytesPerSecond = double(frequency) * channels * 2;
    for (int i = 0; i < 2; ++i) {
        ASSERT_NE(bank.effects[i], nullptr);
        const double seconds = bank.effects[i]->alen / bytesPerSecond;
        EXPECT_GT(seconds, 0.05) << bank.effectFiles[i];
        EXPECT_LT(seconds, 1.0) << bank.effectFiles[i] << " should be a short effect";
    }
    bank.close();
}

TEST_F(ShippedSounds, MusicLastsHalfAMinuteAndMeetsItselfQuietlyAtTheLoop)
{
    ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096), 0) << Mix_GetError();
    // Decoded whole, the way the mixer would stream it.
    Mix_Chunk* music = Mix_LoadWAV("./data/ambientoa.ogg");
    ASSERT_NE(music, nullptr) << Mix_GetError();
    const auto* samples = reinterpret_cast<const int16_t*>(music->abuf);
    const size_t count = music->alen / 2;
    EXPECT_GE(count / 2, size_t(30 * 44100)) << "at least 30 s";

    // Where the loop joins, both ends are near silence, so no click.
    const int edge = 64;
    for (int k = 0; k < edge; ++k) {
        EXPECT_LT(std::abs(samples[k]), 600) << "start, sample " << k;
        EXPECT_LT(std::abs(samples[count - 1 - k]), 600) << "end, sample " << k;
    }
    // And it is music, not silence: somewhere in the middle it is well heard.
    int loudest = 0;
    for (size_t k = count / 4; k < count * 3 / 4; ++k) loudest = std::max(loudest, std::abs(int(samples[k])));
    EXPECT_GT(loudest, 8000);
    Mix_FreeChunk(music);
    Mix_CloseAudio();
}

}  // namespace
