#include "win32_ground.h"

#include <objbase.h>

#include <memory>
#include <new>

#include "renderer/common/startup_trace.h"
#include "saver/main/win32_text.h"
#include "ground.h"
#include "win32_wallpaper.h"

namespace {

PixelRect ToPixels(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        reinterpret_cast<std::vector<PixelRect>*>(list)->push_back(ToPixels(info.rcMonitor));
    }
    return TRUE;
}

// COM on this thread for as long as the object lives, where it was not there already.
class ComScope {
public:
    ComScope() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (started_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool started_;
};

// The user's wallpaper for the session's monitors, read when first asked for, each picture
// decoded once for every monitor that shows it.
class Wallpaper {
public:
    explicit Wallpaper(const std::vector<RECT>& monitors) {
        for (const RECT& r : monitors) monitors_.push_back(ToPixels(r));
    }

    // The monitor's ground with the wallpaper; false where its picture cannot be read.
    bool Ground(size_t m, std::vector<uint8_t>& ground) {
        Read();
        const Picture* picture = PictureOf(m);
        if (!picture) return false;
        const PixelRect& monitor = monitors_[m];
        const Placement placement =
            PlaceWallpaper(setup_.position, picture->full, monitor, allMonitors_, setup_.tileOrigin);
        ground = ComposeGround(&picture->decoded, placement, setup_.background, monitor.width, monitor.height);
        return !ground.empty();
    }

    // The monitor's ground in the background colour.
    std::vector<uint8_t> Plain(size_t m) {
        Read();
        return ComposeGround(nullptr, Placement(), setup_.background, monitors_[m].width, monitors_[m].height);
    }

private:
    struct Picture {
        std::vector<std::string> files;  // the files it was tried from
        bool read = false;
        BgrPicture decoded;
        PixelSize full;
    };

    void Read() {
        if (com_) return;
        com_ = std::make_unique<ComScope>();
        // The box around every monitor of the system, whether the session covers it or not: a
        // spanned picture lies over all of them.
        std::vector<PixelRect> all;
        EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&all));
        allMonitors_ = Surrounding(all.empty() ? monitors_ : all);
        setup_ = ReadWallpaperSetup(monitors_);
        TraceStartup("saver.wallpaper-read");
    }

    // The picture monitor `m` shows (decoded on first need, with every monitor that tries the
    // same files); null where none of its files can be read.
    const Picture* PictureOf(size_t m) {
        const std::vector<std::string>& files = setup_.files[m];
        if (files.empty()) return nullptr;
        for (const std::unique_ptr<Picture>& p : pictures_) {
            if (p->files == files) return p->read ? p.get() : nullptr;
        }
        pictures_.push_back(std::make_unique<Picture>());
        Picture& picture = *pictures_.back();
        picture.files = files;
        std::vector<PixelRect> showing;
        for (size_t other = 0; other < monitors_.size(); ++other) {
            if (setup_.files[other] == files) showing.push_back(monitors_[other]);
        }
        const ShownSize shown = [&](PixelSize size) {
            return LargestShown(setup_.position, size, showing, allMonitors_, setup_.tileOrigin);
        };
        for (const std::string& file : files) {
            if ((picture.read = LoadWallpaperPicture(file, shown, picture.decoded, picture.full))) break;
        }
        TraceStartup("saver.wallpaper-decoded");
        return picture.read ? &picture : nullptr;
    }

    std::vector<PixelRect> monitors_;
    PixelRect allMonitors_;
    WallpaperSetup setup_;
    std::unique_ptr<ComScope> com_;  // there once the setup has been read
    std::vector<std::unique_ptr<Picture>> pictures_;
};

}  // namespace

std::string ThreadDesktopName() {
    HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
    wchar_t name[256] = L"";
    DWORD needed = 0;
    if (!desktop || !GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof name - sizeof name[0], &needed)) {
        return "";
    }
    return WideToUtf8(name);
}

std::vector<uint8_t> CaptureScreen(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return {};
    HWND desktop = GetDesktopWindow();
    HDC screen = GetDC(desktop);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP surface = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    std::vector<uint8_t> pixels;
    if (surface && memory) {
        HGDIOBJ old = SelectObject(memory, surface);
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);  // black where it fails
        GdiFlush();
        const uint8_t* first = static_cast<const uint8_t*>(bits);
        try {
            pixels.assign(first, first + size_t(width) * height * 4);
        } catch (const std::bad_alloc&) {  // the handles are let go below all the same
            pixels.clear();
        }
        SelectObject(memory, old);
    }
    if (memory) DeleteDC(memory);
    if (surface) DeleteObject(surface);
    ReleaseDC(desktop, screen);
    return pixels;
}

void MakeGrounds(const std::vector<RECT>& monitors, const WatchedPhotographs& watched, const GroundSink& sink) {
    const std::vector<GroundSource> order = GroundOrder(DesktopKindOf(ThreadDesktopName()));
    TraceStartup("saver.desktop-named");
    Wallpaper wallpaper(monitors);
    std::vector<std::vector<uint8_t>> photographs;
    bool photographsAsked = false;
    for (size_t m = 0; m < monitors.size(); ++m) {
        const int width = monitors[m].right - monitors[m].left, height = monitors[m].bottom - monitors[m].top;
        std::vector<uint8_t> ground;
        bool made = false, watchers = false;
        for (size_t s = 0; s < order.size() && !made; ++s) {
            // A source that needs more memory than there is gives nothing; the next is tried.
            try {
                switch (order[s]) {
                case GroundSource::Photograph:
                    ground = CaptureScreen(monitors[m]);
                    TraceStartup("saver.captured");
                    made = !ground.empty() && !IsOneColour(ground.data(), width, height);
                    break;
                case GroundSource::WatchersPhotograph:
                    if (!photographsAsked && watched) photographs = watched();
                    photographsAsked = true;
                    made = watchers = photographs.size() == monitors.size() && !photographs[m].empty();
                    break;
                case GroundSource::Wallpaper: made = wallpaper.Ground(m, ground); break;
                case GroundSource::BackgroundColour:
                    ground = wallpaper.Plain(m);
                    made = true;
                    break;
                }
            } catch (const std::bad_alloc&) {
                ground.clear();
                made = watchers = false;
            }
        }
        TraceStartup("saver.ground-made");
        if (watchers) {
            sink(m, nullptr, width, height, &photographs[m]);
        } else if (!ground.empty()) {
            sink(m, ground.data(), width, height, nullptr);
        }
    }
}
