#include "session.h"

#include "saver/main/command_line.h"
#include "saver/main/settings.h"
#include "saver/main/sub_main.h"
#include "saver/music/music.h"

MusicFileKind MusicKindOf(const std::string& file) {
    if (file.size() < 3) return MusicFileKind::None;
    std::string suffix = file.substr(file.size() - 3);
    for (char& c : suffix) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (suffix == "WAV") return MusicFileKind::Wave;
    if (suffix == "MP3") return MusicFileKind::Mp3;
    return MusicFileKind::None;
}

bool RendererWatch::Tick(bool windowPresent, bool processAlive, uint32_t msSinceStart) {
    if (windowPresent) {
        seen_ = true;
        return false;
    }
    if (seen_) return true;
    if (!processAlive) return true;
    gaveUp_ = msSinceStart >= kRendererStartGraceMs;
    return gaveUp_;
}

std::optional<DisplayMode> ModeBeforeRenderer;

bool DisplayModeDiffers(const DisplayMode& a, const DisplayMode& b) {
    if (a.width != b.width || a.height != b.height || a.bitsPerPixel != b.bitsPerPixel) return true;
    // 0 and 1 both stand for "the hardware's default rate".
    return a.frequency > 1 && b.frequency > 1 && a.frequency != b.frequency;
}

void EndSession(SessionEndPlatform& platform) {
    if (platform.CdTimerEnabled()) {
        platform.DisableCdTimer();
        StopCdAudio();
    }
    if (BgmKind == 2) {
        const MusicFileKind kind = MusicKindOf(BgmFile);
        if (kind == MusicFileKind::Wave) StopWave();
        if (kind == MusicFileKind::Mp3) {
            platform.DisableMp3Timer();
            StopMp3();
        }
    }
    if (ModeLetter(platform.CommandArguments()) == "S") {
        CursorCount = platform.ShowCursorCount(CursorCount.value_or(0) != 0);
    }
    DisplayMode current;
    if (ModeBeforeRenderer && platform.CurrentDisplayMode(current) && DisplayModeDiffers(current, *ModeBeforeRenderer)) {
        platform.RestoreDisplayMode(*ModeBeforeRenderer);
    }
}
