// The music module's platform on Windows: the multimedia command interpreter and the sound
// player through their wide entry points, so a music file's path opens on any code page.
#pragma once

#include "music.h"

class Win32MusicPlatform : public MusicPlatform {
public:
    int32_t SendString(const std::string& command, char* reply, uint32_t replyLength) override;
    bool ErrorString(int32_t code, char* text, uint32_t length) override;
    int WaveOutDeviceCount() override;
    void PlaySoundFile(const std::string* name, uint32_t flags) override;
};
