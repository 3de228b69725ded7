// The music module against a scripted multimedia platform: the command strings, their order,
// and the decisions each watch step takes on the replies.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "saver/main/settings.h"
#include "saver/music/music.h"

namespace {

class FakeMci : public MusicPlatform {
public:
    struct Answer {
        int32_t code;
        std::string reply;
    };
    std::map<std::string, Answer> answers;  // by command; anything else succeeds with ""
    std::vector<std::string> sent;
    std::vector<std::string> sounds;
    int devices = 1;
    bool errorTexts = true;

    int32_t SendString(const std::string& command, char* reply, uint32_t length) override {
        sent.push_back(command);
        const auto it = answers.find(command);
        const Answer answer = it == answers.end() ? Answer{0, ""} : it->second;
        if (answer.code == 0 && reply && length) {
            std::strncpy(reply, answer.reply.c_str(), length - 1);
            reply[length - 1] = '\0';
        }
        return answer.code;
    }
    bool ErrorString(int32_t code, char* text, uint32_t length) override {
        if (!errorTexts) return false;
        std::snprintf(text, length, "platform text %d", code);
        return true;
    }
    int WaveOutDeviceCount() override { return devices; }
    void PlaySoundFile(const std::string* name, uint32_t flags) override {
        sounds.push_back((name ? *name : std::string("(none)")) + " flags " + std::to_string(flags));
    }
};

class Music : public testing::Test {
protected:
    void SetUp() override {
        SetMusicPlatform(&mci);
        BgmRepeat = 0;
        BgmFile.clear();
        std::memset(CdModeBuffer, 0, sizeof CdModeBuffer);
        MciReply.clear();
    }
    void TearDown() override { SetMusicPlatform(nullptr); }
    // A disc of ten tracks now at `track` in mode `mode`.
    void Disc(const std::string& track, const std::string& mode) {
        mci.answers["status cdaudio current track"] = {0, track};
        mci.answers["status cdaudio number of tracks"] = {0, "10"};
        mci.answers["status cdaudio mode"] = {0, mode};
        mci.answers["status cdaudio position track 3"] = {0, "03:00:00:00"};
    }
    std::vector<std::string> Tick() {
        mci.sent.clear();
        CheckCdAudio();
        return mci.sent;
    }
    FakeMci mci;
};

const std::vector<std::string> kQueries = {"status cdaudio current track", "status cdaudio number of tracks",
                                           "status cdaudio mode"};

std::vector<std::string> Then(std::vector<std::string> tail) {
    std::vector<std::string> all = kQueries;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
}

TEST_F(Music, CommandPrimitives) {
    std::string reply = "untouched";
    EXPECT_EQ(SendMciCommand("", reply), -1);
    EXPECT_EQ(reply, "コマンド文字列が指定されていません");
    EXPECT_TRUE(mci.sent.empty());

    mci.answers["status x"] = {263, ""};
    EXPECT_EQ(SendMciCommand("status x", reply), 263);
    EXPECT_EQ(reply, "platform text 263");
    mci.errorTexts = false;
    EXPECT_EQ(SendMciCommand("status x", reply), 263);
    EXPECT_EQ(reply, "Error (文字列が取れません)");
    EXPECT_EQ(QueryMci("status x"), "Error:263");  // never the platform's text

    mci.answers["status y"] = {0, "playing"};
    EXPECT_EQ(QueryMci("status y"), "playing");

    mci.sent.clear();
    PlayMciDevice("cdaudio", "", "");
    PlayMciDevice("cdaudio", "5", "");
    PlayMciDevice("cdaudio", "", "9");
    PlayMciDevice("cdaudio", "5", "9");
    EXPECT_EQ(mci.sent, (std::vector<std::string>{"play cdaudio", "play cdaudio from 5", "play cdaudio to 9",
                                                  "play cdaudio from 5 to 9"}));
}

TEST_F(Music, WholeDiscPlaysWhenStopped) {
    mci.sent.clear();
    OpenCdAudio();
    EXPECT_EQ(mci.sent, (std::vector<std::string>{"open cdaudio", "set cdaudio time format tmsf"}));
    Disc("1", "stopped");
    EXPECT_EQ(Tick(), Then({"play cdaudio"}));
    EXPECT_EQ(CdWatchActive, -1);
    Disc("2", "playing");
    EXPECT_EQ(Tick(), Then({}));
    for (const char* other : {"Stopped", "paused", "STOPPED"}) {  // compared case-sensitively
        Disc("2", other);
        EXPECT_EQ(Tick(), Then({})) << other;
    }
    mci.sent.clear();
    StopCdAudio();
    EXPECT_EQ(mci.sent, (std::vector<std::string>{"stop cdaudio", "close cdaudio"}));
}

TEST_F(Music, HeldTrackIsStartedAgain) {
    BgmRepeat = 3;
    const std::vector<std::string> restart = {"status cdaudio position track 3", "play cdaudio from 03:00:00:00"};
    Disc("1", "stopped");
    EXPECT_EQ(Tick(), Then(restart));
    Disc("3", "playing");  // "3" is the number 3
    EXPECT_EQ(Tick(), Then({}));
    Disc("4", "playing");
    EXPECT_EQ(Tick(), Then(restart));

    // A track the disc does not have: the position fails, the play carries the error text,
    // and the watch goes on.
    BgmRepeat = 12;
    mci.answers["status cdaudio position track 12"] = {289, ""};
    mci.answers["play cdaudio from Error:289"] = {289, ""};
    EXPECT_EQ(Tick(), Then({"status cdaudio position track 12", "play cdaudio from Error:289"}));
    EXPECT_EQ(CdWatchActive, -1);
}

TEST_F(Music, WatchEndsWhenTheDiscCannotBeQueried) {
    mci.answers["status cdaudio current track"] = {263, ""};  // no drive, no disc
    EXPECT_EQ(Tick(), (std::vector<std::string>{"status cdaudio current track"}));
    EXPECT_EQ(CdWatchActive, 0);

    Disc("1", "playing");
    mci.answers["status cdaudio number of tracks"] = {0, "error in device"};  // "ERR" in any case
    EXPECT_EQ(Tick(), (std::vector<std::string>{"status cdaudio current track", "status cdaudio number of tracks"}));
    EXPECT_EQ(CdWatchActive, 0);

    BgmRepeat = 3;  // a current track that is not a number ends it too, even when stopped
    Disc("x", "stopped");
    EXPECT_EQ(Tick(), Then({}));
    EXPECT_EQ(CdWatchActive, 0);
}

TEST_F(Music, ModeBufferKeepsItsLastReply) {
    Disc("1", "stopped");
    Tick();
    mci.answers["status cdaudio mode"] = {263, ""};  // a failed mode query reads the old reply
    EXPECT_EQ(Tick(), Then({"play cdaudio"}));
}

TEST_F(Music, Mp3OpenPlayWatchStop) {
    BgmFile = "C:\\My Music\\曲 1.mp3";
    PlayMp3();
    EXPECT_EQ(mci.sent, (std::vector<std::string>{"open \"C:\\My Music\\曲 1.mp3\" type MPEGVideo Alias MP3Play",
                                                  "play MP3Play"}));
    mci.answers["status MP3Play mode"] = {0, "playing"};
    mci.sent.clear();
    CheckMp3();
    EXPECT_EQ(mci.sent, (std::vector<std::string>{"status MP3Play mode"}));
    EXPECT_TRUE(IsMp3Playing());
    mci.answers["status MP3Play mode"] = {0, "stopped"};
    mci.sent.clear();
    CheckMp3();
    EXPECT_EQ(mci.sent, (std::vector<std::string>{"status MP3Play mode", "stop MP3Play", "play MP3Play from 0"}));
    mci.sent.clear();
    StopMp3();
    EXPECT_EQ(mci.sent, (std::vector<std::string>{"stop MP3Play", "close MP3Play"}));

    // A file that does not open is not played.
    mci.answers["open \"C:\\My Music\\曲 1.mp3\" type MPEGVideo Alias MP3Play"] = {275, ""};
    mci.sent.clear();
    PlayMp3();
    EXPECT_EQ(mci.sent.size(), 1u);
}

TEST_F(Music, WaveLoopsOnlyWithADevice) {
    BgmFile = "C:\\a.wav";
    PlayWave();
    StopWave();
    EXPECT_EQ(mci.sounds, (std::vector<std::string>{"C:\\a.wav flags 9", "(none) flags 0"}));
    mci.sounds.clear();
    mci.devices = 0;
    PlayWave();
    StopWave();
    EXPECT_EQ(mci.sounds, (std::vector<std::string>{"(none) flags 0"}));
}

}  // namespace
