// The music module on the real multimedia library under Wine: an MP3 that plays, ends and is
// started again; a WAV that loops; an audio CD that cannot be opened.
#include <windows.h>

#include <gtest/gtest.h>

#include "saver/main/settings.h"
#include "saver/music/music.h"
#include "saver/music/win32_music.h"

namespace {

class Win32Music : public testing::Test {
protected:
    void SetUp() override { SetMusicPlatform(&platform_); }
    void TearDown() override {
        StopMp3();
        StopWave();
        SetMusicPlatform(nullptr);
    }
    // Polls IsMp3Playing until it reads `playing`, for at most `ms`.
    static bool WaitForPlaying(bool playing, int ms) {
        for (int waited = 0; waited < ms; waited += 100) {
            if (IsMp3Playing() == playing) return true;
            Sleep(100);
        }
        return false;
    }
    Win32MusicPlatform platform_;
};

TEST_F(Win32Music, Mp3PlaysEndsAndStartsAgain) {
    BgmFile = QM_TONE_MP3;  // 1.2 s in a folder whose name has a blank
    PlayMp3();
    ASSERT_TRUE(WaitForPlaying(true, 3000));
    ASSERT_TRUE(WaitForPlaying(false, 5000));  // the file has ended
    CheckMp3();
    EXPECT_TRUE(WaitForPlaying(true, 3000));
    StopMp3();
    EXPECT_EQ(QueryMci("status MP3Play mode").rfind("Error:", 0), 0u);  // closed
}

// Whether a sound of this process is playing: a sound asked for with SND_NOSTOP is refused
// while another one plays (and, when nothing plays, is started and stopped again at once).
bool SoundPlaying() {
    if (!PlaySoundA(QM_TONE_WAV, nullptr, SND_FILENAME | SND_ASYNC | SND_NOSTOP)) return true;
    PlaySoundA(nullptr, nullptr, 0);
    return false;
}

TEST_F(Win32Music, WaveLoopsUntilStopped) {
    ASSERT_GT(waveOutGetNumDevs(), 0u);
    EXPECT_FALSE(SoundPlaying());
    BgmFile = QM_TONE_WAV;  // 1.2 s
    PlayWave();
    Sleep(2000);  // past its end: only a loop is still playing
    EXPECT_TRUE(SoundPlaying());
    StopWave();
    EXPECT_FALSE(SoundPlaying());
}

TEST_F(Win32Music, NoCdDriveEndsTheWatchAtItsFirstStep) {
    OpenCdAudio();
    CheckCdAudio();
    EXPECT_EQ(CdWatchActive, 0);
    StopCdAudio();
}

}  // namespace
