// The run-mode session's decisions: which music a file gets, when the renderer watch ends the
// session, and the clean-up at its end. The Win32 session form binds them to its timers.
#pragma once

#include <cstdint>
#include <string>

enum class MusicFileKind { None, Wave, Mp3 };

// By the last three characters of the file's name, in any letter case.
MusicFileKind MusicKindOf(const std::string& file);

// Watches the renderer's window. Until the window has been seen once, the watch waits for it,
// for at most kRendererStartGraceMs and no longer than the renderer's process lives, so a slow
// start does not end the session; once seen, the first tick without it ends the session.
class RendererWatch {
public:
    static constexpr uint32_t kRendererStartGraceMs = 15000;
    // One tick; true when the session is to end.
    bool Tick(bool windowPresent, bool processAlive, uint32_t msSinceStart);

private:
    bool seen_ = false;
};

// A display mode as the platform reports it; 0 in a field it leaves out.
struct DisplayMode {
    uint32_t width = 0, height = 0, bitsPerPixel = 0, frequency = 0;
};

// True when the current mode is not the registry mode: the renderer switched the display and
// did not live to switch it back. A frequency counts only where both modes give one.
bool DisplayModeDiffers(const DisplayMode& current, const DisplayMode& registry);

// What the session's end does to the platform.
class SessionEndPlatform {
public:
    virtual ~SessionEndPlatform() = default;
    virtual bool CdTimerEnabled() = 0;
    virtual void DisableCdTimer() = 0;
    virtual void DisableMp3Timer() = 0;
    virtual std::string CommandArguments() = 0;
    // ShowCursor(show); returns the new display count.
    virtual int32_t ShowCursorCount(bool show) = 0;
    // The primary display's current and registry modes; false when they cannot be read.
    virtual bool DisplayModes(DisplayMode& current, DisplayMode& registry) = 0;
    // Switches the display back to its registry mode.
    virtual void RestoreRegistryMode() = 0;
};

// Stops the music, gives the cursor back (run mode "S" only) and, where the display is not in
// its registry mode (a renderer that died in full screen), restores that mode, in this order.
// Where the renderer ended in order (or the system restored the mode after it) the modes agree
// and the display is left alone. The caller then ends the program.
void EndSession(SessionEndPlatform& platform);
