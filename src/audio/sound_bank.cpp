#include "audio/sound_bank.h"

#include <cstdio>

#include <SDL.h>
#include <SDL_mixer.h>

namespace {
const char* const soundDirectory = "./data/";
constexpr int mixFrequency = 44100;
constexpr Uint16 mixFormat = AUDIO_S16LSB;
constexpr int mixChannels = 2;
constexpr int mixChunkSize = 4096;
constexpr int mixingChannels = 16;
constexpr int musicFadeInMs = 2500;
}

SoundBank::SoundBank()
    : effectFiles{"jump.ogg", "jump2.ogg"},
      musicFiles{"ambientoa.ogg"},
      loadFailed(false),
      effects{nullptr, nullptr},
      music{nullptr}
{
}

void SoundBank::load()
{
    // Loading goes on whether or not the device opened; the loads then fail
    // and say so.
    Mix_OpenAudio(mixFrequency, mixFormat, mixChannels, mixChunkSize);
    Mix_AllocateChannels(mixingChannels);

    for (int i = 0; i < 2; ++i) {
        const std::string path = soundDirectory + effectFiles[i];
        effects[i] = Mix_LoadWAV_RW(SDL_RWFromFile(path.c_str(), "rb"), 1);
        if (!effects[i]) {
            std::printf("  Mix_LoadWAV: %s\n", SDL_GetError());
            loadFailed = true;
        }
    }

    const std::string path = soundDirectory + musicFiles[0];
    music[0] = Mix_LoadMUS(path.c_str());
    if (!music[0]) {
        std::printf(" Mix_LoadMUS: %s\n", SDL_GetError());
        loadFailed = true;
    }
}

void SoundBank::playMusic(int index)
{
    if (!loadFailed && index >= 0 && index < 1) Mix_FadeInMusic(music[index], -1, musicFadeInMs);
}

void SoundBank::close()
{
    Mix_FreeMusic(music[0]);
    Mix_FreeChunk(effects[0]);
    Mix_FreeChunk(effects[1]);
    music[0] = nullptr;
    effects[0] = effects[1] = nullptr;
    Mix_AllocateChannels(0);
    Mix_CloseAudio();
}
