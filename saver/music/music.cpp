#include "music.h"

#include <cstring>

#include "saver/main/command_line.h"
#include "saver/main/settings.h"

int16_t CdWatchActive = 0;
std::string MciReply;
char CdModeBuffer[255] = "";

namespace {

MusicPlatform* platform = nullptr;
char MciReplyBuffer[512];
char MciErrorBuffer[256];
char Mp3ModeBuffer[30];

constexpr uint32_t kSoundAsyncLoop = 9;  // SND_ASYNC + SND_LOOP

// Sends a command whose reply nobody reads.
void Send(const std::string& command) { platform->SendString(command, nullptr, 0); }

// The first seven characters of a reply area are exactly `word`.
bool StartsWith7(const char* area, const char* word) { return std::strncmp(area, word, 7) == 0; }

}  // namespace

void SetMusicPlatform(MusicPlatform* p) { platform = p; }

int32_t SendMciCommand(const std::string& command, std::string& reply) {
    if (command.empty()) {
        reply = "コマンド文字列が指定されていません";
        return -1;
    }
    MciReplyBuffer[0] = '\0';
    const int32_t code = platform->SendString(command, MciReplyBuffer, sizeof MciReplyBuffer);
    MciReplyBuffer[sizeof MciReplyBuffer - 1] = '\0';
    if (code != 0) {
        if (platform->ErrorString(code, MciErrorBuffer, sizeof MciErrorBuffer)) {
            MciErrorBuffer[sizeof MciErrorBuffer - 1] = '\0';
            reply = MciErrorBuffer;
        } else {
            reply = "Error (文字列が取れません)";
        }
        return code;
    }
    reply = MciReplyBuffer;
    return 0;
}

std::string QueryMci(const std::string& command) {
    const int32_t code = SendMciCommand(command, MciReply);
    return code != 0 ? "Error:" + std::to_string(code) : MciReply;
}

int32_t PlayMciDevice(const std::string& device, const std::string& from, const std::string& to) {
    std::string command = "play " + device;
    if (!from.empty()) command += " from " + from;
    if (!to.empty()) command += " to " + to;
    return SendMciCommand(command, MciReply);
}

void OpenCdAudio() {
    Send("open cdaudio");
    Send("set cdaudio time format tmsf");
}

void CheckCdAudio() {
    CdWatchActive = -1;
    auto failed = [](const std::string& reply) {
        std::string upper = reply;
        for (char& c : upper) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        return upper.find("ERR") != std::string::npos;
    };
    const std::string current = QueryMci("status cdaudio current track");
    if (failed(current)) {
        CdWatchActive = 0;
        return;
    }
    if (failed(QueryMci("status cdaudio number of tracks"))) {
        CdWatchActive = 0;
        return;
    }
    // The buffer keeps its old content when the query fails.
    platform->SendString("status cdaudio mode", CdModeBuffer, sizeof CdModeBuffer);
    CdModeBuffer[sizeof CdModeBuffer - 1] = '\0';
    const bool stopped = StartsWith7(CdModeBuffer, "stopped");

    if (BgmRepeat != 0) {
        // The current track is read as a number; a reply that is not one ends the watch.
        double track = 0;
        if (!ParseNumber(current, track)) {
            CdWatchActive = 0;
            return;
        }
        if (stopped || track != BgmRepeat) {
            const std::string start = QueryMci("status cdaudio position track " + std::to_string(BgmRepeat));
            PlayMciDevice("cdaudio", start, "");
        }
    } else if (stopped) {
        PlayMciDevice("cdaudio", "", "");
    }
}

void StopCdAudio() {
    Send("stop cdaudio");
    Send("close cdaudio");
}

void PlayMp3() {
    // The path is quoted, so folders and names with blanks open.
    if (platform->SendString("open \"" + BgmFile + "\" type MPEGVideo Alias MP3Play", nullptr, 0) == 0) {
        Send("play MP3Play");
    }
}

bool IsMp3Playing() {
    platform->SendString("status MP3Play mode", Mp3ModeBuffer, sizeof Mp3ModeBuffer);
    Mp3ModeBuffer[sizeof Mp3ModeBuffer - 1] = '\0';
    return StartsWith7(Mp3ModeBuffer, "playing");
}

void CheckMp3() {
    if (IsMp3Playing()) return;
    Send("stop MP3Play");
    Send("play MP3Play from 0");
}

void StopMp3() {
    Send("stop MP3Play");
    Send("close MP3Play");
}

void PlayWave() {
    if (platform->WaveOutDeviceCount() <= 0) return;
    platform->PlaySoundFile(&BgmFile, kSoundAsyncLoop);
}

void StopWave() { platform->PlaySoundFile(nullptr, 0); }
