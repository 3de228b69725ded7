// The run-mode session's decisions: which music a file gets, when the renderer watch ends the
// session, and the clean-up at its end. The Win32 session form binds them to its timers.
#pragma once

#include <cstdint>
#include <optional>
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
    // True when the session ended by giving up on a renderer that lives but never showed its
    // window: the session must end it too, or it would take the screen later with no one
    // watching.
    bool GaveUp() const { return gaveUp_; }

private:
    bool seen_ = false;
    bool gaveUp_ = false;
};

// A display mode as the platform reports it; 0 in a field it leaves out.
struct DisplayMode {
    uint32_t width = 0, height = 0, bitsPerPixel = 0, frequency = 0;
};

// True when two readings of the display mode differ: a frequency counts only where both give
// one.
bool DisplayModeDiffers(const DisplayMode& a, const DisplayMode& b);

// The display mode as it was just before the renderer started; empty until then (and in a
// session that never started one).
extern std::optional<DisplayMode> ModeBeforeRenderer;

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
    // The primary display's mode as it is now; false when it cannot be read.
    virtual bool CurrentDisplayMode(DisplayMode& mode) = 0;
    // Switches the display to `mode`, as it was before the renderer.
    virtual void RestoreDisplayMode(const DisplayMode& mode) = 0;
};

// Stops the music, gives the cursor back (run mode "S" only) and, where the display is not in
// the mode it had before the renderer started (a renderer that died in full screen), switches
// it back, in this order. Where the renderer ended in order (or the system restored the mode
// after it) the modes agree and the display is left alone, whatever the registry says. The
// caller then ends the program.
void EndSession(SessionEndPlatform& platform);
