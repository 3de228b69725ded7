// The session form: a hidden top-level window titled "Quillmoor_Main" whose start-up writes the
// exchange files, starts the renderer and the music, and whose timers watch the renderer and
// keep the music going until the renderer's window has gone.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "renderer/common/startup_trace.h"
#include "renderer/image/dib_decode.h"
#include "renderer/image/exchange_names.h"
#include "saver/ground/win32_ground.h"
#include "saver/main/settings.h"
#include "saver/main/sub_main.h"
#include "saver/main/win32_forms.h"
#include "saver/main/win32_platform.h"
#include "saver/main/win32_text.h"
#include "saver/music/music.h"
#include "saver/music/win32_music.h"
#include "saver/watch/watch_rules.h"
#include "saver/watch/win32_watch.h"
#include "bmp_writer.h"
#include "session.h"
#include "renderer/window/win32_monitors.h"
#include "win32_exchange.h"

namespace {

constexpr UINT_PTR kMp3Timer = 1;       // Timer1: 1000 ms, MP3 watch
constexpr UINT_PTR kCdTimer = 2;        // Timer2: 200 ms, audio-CD watch
constexpr UINT_PTR kRendererTimer = 3;  // Timer3: 500 ms, renderer-window watch
constexpr UINT_PTR kCoverTimer = 4;     // 50 ms, until the renderer's window first shows
constexpr int kSmokeResource = 2;

HWND sessionWindow = nullptr;
bool cdTimerEnabled = false;
HANDLE rendererProcess = nullptr;
DWORD sessionStart = 0;
RendererWatch watch;
Win32MusicPlatform musicPlatform;
// With the scene on the primary alone, black over the other monitors once it shows.
OtherMonitorCovers covers;

void SetTimerEnabled(UINT_PTR id, UINT ms, bool enabled) {
    if (enabled) {
        SetTimer(sessionWindow, id, ms, nullptr);
    } else {
        KillTimer(sessionWindow, id);
    }
    if (id == kCdTimer) cdTimerEnabled = enabled;
}

// The folder the session's files go through, held from its check until the renderer has started.
ExchangeFolder exchange;

// The whole of a file of the program's, or nothing.
bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 && size.QuadPart < (1 << 30);
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                               read == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

// 32 bits on a true-colour screen of 32 bits, otherwise 24: the screen's depth, as far as an
// uncompressed picture the renderer reads can hold it.
int ScreenDepth() {
    HDC screen = GetDC(nullptr);
    const int depth = GetDeviceCaps(screen, BITSPIXEL) == 32 ? 32 : 24;
    ReleaseDC(nullptr, screen);
    return depth;
}

// A monitor's ground picture, named by its place (MonitorPictureName) where it is not the
// primary's.
struct MonitorPicture {
    std::wstring name;
    std::vector<uint8_t> file;
    RECT area;
};

// The monitors as the renderer takes them (each once), but the primary's place, whose picture is
// the ground picture; with the names of their pictures.
struct OtherMonitors {
    std::vector<RECT> areas;
    std::vector<std::wstring> names;
};

OtherMonitors ListOtherMonitors() {
    OtherMonitors others;
    for (const Monitor& m : TakenOnce(ListMonitors(), PrimaryScreen())) {
        const ScreenRect& r = m.rect;
        if (IsPrimaryPlace(r.left, r.top)) continue;
        others.areas.push_back({r.left, r.top, r.right, r.bottom});
        others.names.push_back(Utf8ToWide(MonitorPictureName(r.left, r.top, r.Width(), r.Height())));
    }
    return others;
}

// The built-in 64 x 64 smoke picture, in the screen's depth; empty where it cannot be had.
std::vector<uint8_t> SmokePicture() {
    ResourceBitmap bitmap;
    if (!LoadResourceBitmap(kSmokeResource, bitmap)) return {};
    RgbImage* smoke = nullptr;
    if (DecodeDib(bitmap.file, bitmap.size, &smoke) != DibError::None) return {};
    const int depth = ScreenDepth();
    const std::vector<uint8_t> file = EncodeBmp(smoke->width, smoke->height, depth, [&](int x, int y, uint8_t rgb[3]) {
        const unsigned char* p = smoke->data + (static_cast<size_t>(smoke->height - 1 - y) * smoke->width + x) * 3;
        rgb[0] = p[0];
        rgb[1] = p[1];
        rgb[2] = p[2];
    });
    FreeRgbImage(smoke);
    return file;
}

// The session's three files, made whole before any is written, so that they can be written
// again elsewhere: the photograph, the smoke picture, and a copy of the shipped model.
struct ExchangeFiles {
    std::vector<uint8_t> ground, smoke, model;
    RECT primary = {};
    std::vector<MonitorPicture> monitors;  // with a scene on every monitor: the other monitors'
};

// True where the scene runs on every monitor: with the screen kept as it is.
bool SceneOnEveryMonitor() { return ScreenMode == 1 && AllMonitors == 1; }

// The session's files; on Windows' own desktop the watcher's photographs where the folder holds
// fresh ones (and may be read: `folder` prepared).
bool MakeExchangeFiles(ExchangeFiles& files, const ExchangeFolder* folder) {
    // The primary monitor's ground, and with a scene on every monitor each other monitor's.
    OtherMonitors others;
    if (SceneOnEveryMonitor()) others = ListOtherMonitors();
    std::vector<RECT> areas = {{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}};
    areas.insert(areas.end(), others.areas.begin(), others.areas.end());
    files.primary = areas[0];
    const int depth = ScreenDepth();
    std::vector<std::wstring> names = {L"Quillmoor1.bmp"};
    names.insert(names.end(), others.names.begin(), others.names.end());
    const WatchedPhotographs watched = [&] {
        return folder ? FreshWatchedPhotographs(*folder, areas, names) : std::vector<std::vector<uint8_t>>();
    };
    // Each mirrored and written as a photograph of the monitor is, however it was made (the
    // watcher's as the watcher wrote it, the same way).
    MakeGrounds(areas, watched, [&](size_t m, const uint8_t* bgrx, int width, int height, std::vector<uint8_t>* made) {
        std::vector<uint8_t> file = made ? std::move(*made) : EncodeMirroredCapture(bgrx, width, height, depth);
        if (m == 0) {
            files.ground = std::move(file);
            TraceStartup("saver.ground-encoded");
        } else if (!file.empty()) {
            files.monitors.push_back({others.names[m - 1], std::move(file), others.areas[m - 1]});
        }
    });
    if (files.ground.empty()) return false;
    files.smoke = SmokePicture();
    return !files.smoke.empty() && ReadWholeFile(Utf8ToWide(ProgramFolder() + "\\クイルモア.data"), files.model);
}

bool WriteInto(ExchangeFolder& folder, const ExchangeFiles& files, bool scene) {
    const bool ground = folder.Write(L"Quillmoor1.bmp", files.ground);
    TraceStartup("saver.ground-written");
    if (!ground) return false;
    for (const MonitorPicture& monitor : files.monitors) {
        if (!folder.Write(monitor.name.c_str(), monitor.file)) return false;
    }
    return !scene || (folder.Write(L"Quillmoor2.bmp", files.smoke) && folder.Write(L"Quillmoor.data", files.model));
}

// The exchange folder as the renderer can be told it: its command line is read in the ANSI code
// page, so a name it cannot hold goes by its short form; "" where neither will do.
std::wstring FolderForRenderer(const std::wstring& folder) {
    if (FitsAnsiCodePage(folder)) return folder;
    wchar_t shortPath[MAX_PATH] = L"";
    const DWORD length = GetShortPathNameW(folder.c_str(), shortPath, MAX_PATH);
    return length > 0 && length < MAX_PATH && FitsAnsiCodePage(shortPath) ? shortPath : L"";
}

// Starts the renderer by path, as a normal window with the focus: with no arguments over the
// usual folder in the usual mode; with the folder's path over the user's own, and "/keepmode"
// where the settings keep the screen as it is.
void StartRenderer(const std::wstring& folder) {
    std::wstring path = Utf8ToWide(ProgramFolder() + kRendererName);
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!folder.empty()) commandLine += L" \"" + folder + L"\"";
    if (ScreenMode == 1) commandLine += L" /keepmode";
    if (SceneOnEveryMonitor()) commandLine += L" /allmonitors";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    // Started held, so that it may take the foreground (this program, started by the system, is
    // the foreground one: the keyboard must reach the scene, on Windows' own desktop too) before it
    // runs; its own SetForegroundWindow then takes it.
    if (CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                       &startup, &process)) {
        AllowSetForegroundWindow(process.dwProcessId);
        ResumeThread(process.hThread);
        rendererProcess = process.hProcess;
        CloseHandle(process.hThread);
    }
}

bool RendererAlive() { return rendererProcess && WaitForSingleObject(rendererProcess, 0) == WAIT_TIMEOUT; }

// The primary screen's mode as it shows now (Wine's current-settings record can describe the
// whole of several monitors); false when it cannot be read.
bool ReadDisplayMode(DisplayMode& mode) {
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    mode.width = GetSystemMetrics(SM_CXSCREEN);
    mode.height = GetSystemMetrics(SM_CYSCREEN);
    mode.bitsPerPixel = GetDeviceCaps(screen, BITSPIXEL);
    mode.frequency = GetDeviceCaps(screen, VREFRESH);
    ReleaseDC(nullptr, screen);
    return true;
}

class Win32SessionEnd final : public SessionEndPlatform {
public:
    bool CdTimerEnabled() override { return cdTimerEnabled; }
    void DisableCdTimer() override { SetTimerEnabled(kCdTimer, 200, false); }
    void DisableMp3Timer() override { SetTimerEnabled(kMp3Timer, 1000, false); }
    std::string CommandArguments() override { return WideToUtf8(CommandArgumentText()); }
    int32_t ShowCursorCount(bool show) override { return ShowCursor(show ? TRUE : FALSE); }
    bool CurrentDisplayMode(DisplayMode& mode) override { return ReadDisplayMode(mode); }
    // The mode the display had. A change that fails while the system is still busy with the
    // renderer's end is asked again, for up to a second, unless the mode has come back
    // meanwhile; a mode refused as such (a monitor gone) is not.
    void RestoreDisplayMode(const DisplayMode& mode) override {
        LONG result = ChangeDisplayModeTo(mode);
        DisplayMode now;
        for (int attempt = 1; attempt < 10 && result == DISP_CHANGE_FAILED; ++attempt) {
            Sleep(100);
            if (ReadDisplayMode(now) && !DisplayModeDiffers(now, mode)) {
                TraceStartup("saver.display-mode-came-back");
                return;
            }
            result = ChangeDisplayModeTo(mode);
        }
        char mark[64];
        std::snprintf(mark, sizeof mark, "saver.display-mode-restore-returned-%ld", static_cast<long>(result));
        TraceStartup(mark);
    }

private:
    // Where the mode is the registry's, the system's own way back to it; otherwise that mode
    // itself, for this session of the system only.
    static LONG ChangeDisplayModeTo(const DisplayMode& mode) {
        DEVMODEA registry = {};
        registry.dmSize = sizeof registry;
        if (EnumDisplaySettingsA(nullptr, ENUM_REGISTRY_SETTINGS, &registry) &&
            !DisplayModeDiffers(mode, {registry.dmPelsWidth, registry.dmPelsHeight, registry.dmBitsPerPel,
                                       registry.dmDisplayFrequency})) {
            return ChangeDisplaySettingsA(nullptr, 0);
        }
        DEVMODEA wanted = {};
        wanted.dmSize = sizeof wanted;
        wanted.dmPelsWidth = mode.width;
        wanted.dmPelsHeight = mode.height;
        wanted.dmBitsPerPel = mode.bitsPerPixel;
        wanted.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
        if (mode.frequency > 1) {
            wanted.dmDisplayFrequency = mode.frequency;
            wanted.dmFields |= DM_DISPLAYFREQUENCY;
        }
        return ChangeDisplaySettingsA(&wanted, 0);
    }
};

// The monitors as they are now, each once: a mirror of the primary is the primary's.
std::vector<Monitor> MonitorsNow() { return TakenOnce(ListMonitors(), PrimaryScreen()); }

// The session's end: covers gone, music stopped, the cursor given back, the display mode put
// back if the renderer could not, the program ended at once.
void UnloadSession() {
    covers.End();
    DisplayMode atEnd;
    if (ReadDisplayMode(atEnd)) {
        char mark[64];
        std::snprintf(mark, sizeof mark, "saver.display-mode-at-end-%lux%lu", static_cast<unsigned long>(atEnd.width),
                      static_cast<unsigned long>(atEnd.height));
        TraceStartup(mark);
    }
    Win32SessionEnd platform;
    EndSession(platform);
    ExitProcess(0);
}

// Writes `files` into `folder` (prepared), or where the fixed folder cannot take them, into the
// user's own `own`; keeps no other monitors' photographs. The photographs alone without `scene`
// (the smoke picture and the model are a session's to write). False where neither takes them.
bool WriteFilesInto(ExchangeFolder& folder, const ExchangeFiles& files, const std::wstring& own, bool scene) {
    if (!WriteInto(folder, files, scene) &&
        (folder.IsUsersOwn() || !folder.UseUsersOwn(own) || !WriteInto(folder, files, scene))) {
        return false;
    }
    // Photographs of monitors this layout no longer has (or of every other monitor, where the
    // scene is on the primary alone now) are not kept.
    std::vector<std::wstring> current;
    for (const MonitorPicture& monitor : files.monitors) current.push_back(monitor.name);
    folder.RemoveOthers(current);
    return true;
}

// The exchange files, each the session's own, and no photograph of an earlier session's beside
// them. Where the fixed folder cannot take them (a folder, or a file another program holds, in a
// file's place: an earlier version's folder may hold anything), the user's own folder takes them
// instead. False (the session ends without a renderer) where neither can: the renderer is never
// started on files left by another.
bool WriteExchangeFiles(std::wstring& folderArgument) {
    // The folder first: it may hold the watcher's photographs.
    const std::wstring own = UsersOwnExchangeFolder();
    if (!exchange.Prepare(Utf8ToWide(kExchangeFolder), own)) return false;
    ExchangeFiles files;
    if (!MakeExchangeFiles(files, &exchange) || !WriteFilesInto(exchange, files, own, true)) return false;
    if (exchange.IsUsersOwn()) folderArgument = FolderForRenderer(exchange.Path());
    return !exchange.IsUsersOwn() || !folderArgument.empty();
}

WatchedMonitor Watched(const RECT& area, const std::vector<uint8_t>& file) {
    return {area.left, area.top, area.right - area.left, area.bottom - area.top, file.size(),
            WatchHash(file.data(), file.size())};
}

}  // namespace

bool WriteWatchedPhotographs(int64_t tickMs, int64_t clockMs) {
    ExchangeFiles files;
    if (!MakeExchangeFiles(files, nullptr)) return false;
    WatchRecord record;
    record.tickMs = tickMs;
    record.clockMs = clockMs;
    record.monitors.push_back(Watched(files.primary, files.ground));
    std::vector<std::wstring> names = {L"Quillmoor1.bmp"};
    for (const MonitorPicture& monitor : files.monitors) {
        record.monitors.push_back(Watched(monitor.area, monitor.file));
        names.push_back(monitor.name);
    }
    ExchangeFolder folder;
    const std::wstring own = UsersOwnExchangeFolder();
    if (!folder.Prepare(Utf8ToWide(kExchangeFolder), own)) return false;
    // A screen that has not changed since the last photograph (a display kept on by a program
    // while nothing moves): its pictures stay as they are, and only the record is new, rather
    // than megabytes written every few seconds for as long as the user is away.
    // The smoke picture and the model are not the watcher's: the session writes them as it starts.
    if (!HoldsWatchedPictures(folder, record, names) && !WriteFilesInto(folder, files, own, false)) return false;
    // The record last: one left from before names other pictures, and is refused by their hashes.
    const std::string text = FormatWatchRecord(record);
    return folder.Write(kWatchRecordName, std::vector<uint8_t>(text.begin(), text.end()));
}

namespace {

void FormLoad() {
    TraceStartup("saver.form-loading");
    std::wstring folderArgument;
    if (!WriteExchangeFiles(folderArgument)) {
        exchange.Release();
        UnloadSession();  // quietly: cursor and display as they were
    }
    TraceStartup("saver.files-written");
    DisplayMode before;
    if (ReadDisplayMode(before)) ModeBeforeRenderer = before;
    StartRenderer(folderArgument);
    exchange.Release();
    TraceStartup("saver.renderer-started");
    if (BgmKind == 1) {
        OpenCdAudio();
        SetTimerEnabled(kCdTimer, 200, true);
    } else if (BgmKind == 2) {
        const MusicFileKind kind = MusicKindOf(BgmFile);
        if (kind == MusicFileKind::Wave) PlayWave();
        if (kind == MusicFileKind::Mp3) {
            PlayMp3();
            SetTimerEnabled(kMp3Timer, 1000, true);
        }
    }
}

LRESULT CALLBACK SessionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        switch (wParam) {
        case kRendererTimer: {
            const bool present = FindWindowW(nullptr, L"Quillmoor_VC") != nullptr;
            if (watch.Tick(present, RendererAlive(), GetTickCount() - sessionStart)) {
                SetTimerEnabled(kRendererTimer, 500, false);
                if (watch.GaveUp()) TerminateProcess(rendererProcess, 0);
                UnloadSession();
            }
            return 0;
        }
        case kCoverTimer:
            // The covers come with the scene, not before: until the renderer's window shows,
            // the desktop stays as the user left it.
            if (FindWindowW(nullptr, L"Quillmoor_VC")) {
                KillTimer(window, kCoverTimer);
                covers.Begin(MonitorsNow());
            } else if (!RendererAlive()) {
                KillTimer(window, kCoverTimer);
            }
            return 0;
        case kMp3Timer: CheckMp3(); return 0;
        case kCdTimer:
            CheckCdAudio();
            SetTimerEnabled(kCdTimer, 200, CdWatchActive != 0);
            return 0;
        }
    }
    // A mode changed, a monitor came, went or moved (a monitor that comes may tell only the work
    // area's change): the covers, where they are, over the other monitors as they now are.
    if (message == WM_DISPLAYCHANGE || (message == WM_SETTINGCHANGE && wParam == SPI_SETWORKAREA)) {
        covers.Follow(MonitorsNow());
    }
    if (message == WM_CLOSE || message == WM_QUERYENDSESSION) {
        UnloadSession();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void RunSessionForm() {
    SetMusicPlatform(&musicPlatform);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = SessionWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QuillmoorSession";
    RegisterClassW(&windowClass);
    // Never shown: its title marks a running session for a second start.
    sessionWindow = CreateWindowExW(WS_EX_TOOLWINDOW, L"QuillmoorSession", L"Quillmoor_Main", WS_POPUP, 0, 0,
                                    GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                    windowClass.hInstance, nullptr);
    if (!sessionWindow) return;
    sessionStart = GetTickCount();
    SetTimerEnabled(kRendererTimer, 500, true);
    // With a scene on the primary alone, the other monitors are covered with black, those that
    // come during the session too.
    if (!SceneOnEveryMonitor()) SetTimer(sessionWindow, kCoverTimer, 50, nullptr);
    FormLoad();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    UnloadSession();
}
