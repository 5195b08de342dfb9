// The game's audio: the device, one looping music track and two effects.
#pragma once
#include <string>

struct Mix_Chunk;
typedef struct _Mix_Music Mix_Music;

class SoundBank {
public:
    SoundBank();
    void load();
    void playMusic(int index);
    void close();

    std::string effectFiles[2];
    std::string musicFiles[1];
    bool loadFailed;
    Mix_Chunk* effects[2];
    Mix_Music* music[1];
};
