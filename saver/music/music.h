// Background music: an audio CD or an MP3 file through the multimedia command strings, or a
// looping WAV file through the sound player. The session calls the start and stop procedures
// and its timers call the watch steps; nothing here shows anything to the user.
#pragma once

#include <cstdint>
#include <string>

// What the module asks of the platform's multimedia library. Texts are UTF-8.
class MusicPlatform {
public:
    virtual ~MusicPlatform() = default;
    // Runs one command string; writes a zero-terminated reply into `reply` (at most
    // `replyLength` bytes, nothing when it is 0); returns 0 or an error code.
    virtual int32_t SendString(const std::string& command, char* reply, uint32_t replyLength) = 0;
    // The platform's zero-terminated text for an error code; false when it has none.
    virtual bool ErrorString(int32_t code, char* text, uint32_t length) = 0;
    // Number of wave output devices.
    virtual int WaveOutDeviceCount() = 0;
    // Plays the named sound with the given flags; with no name (null) stops the process's sound.
    virtual void PlaySoundFile(const std::string* name, uint32_t flags) = 0;
};

// The platform the module talks to; set once at start-up (tests hand in a fake).
void SetMusicPlatform(MusicPlatform* platform);

// -1 while the audio-CD watch is to go on, 0 once the disc cannot be queried.
extern int16_t CdWatchActive;
// The reply or error text of the latest query or play command.
extern std::string MciReply;
// The audio-CD mode reply, kept between watch steps.
extern char CdModeBuffer[255];

int32_t SendMciCommand(const std::string& command, std::string& reply);
std::string QueryMci(const std::string& command);
int32_t PlayMciDevice(const std::string& device, const std::string& from, const std::string& to);

void OpenCdAudio();
void CheckCdAudio();  // one watch step; leaves its verdict in CdWatchActive
void StopCdAudio();

void PlayMp3();
bool IsMp3Playing();
void CheckMp3();  // one watch step: starts the file again once it has ended
void StopMp3();

void PlayWave();
void StopWave();
