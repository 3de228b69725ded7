#include "win32_monitors.h"

namespace {

const wchar_t kCoverClass[] = L"QuillmoorCover";

LRESULT CALLBACK CoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATEANDEAT;  // a click neither activates nor reaches it
    case WM_SETCURSOR:
        SetCursor(nullptr);  // no pointer over the black
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFOEXW info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    const RECT& r = info.rcMonitor;
    char device[4 * CCHDEVICENAME] = "";  // "\\.\DISPLAY1": the same through changes of mode and place
    if (WideCharToMultiByte(CP_UTF8, 0, info.szDevice, -1, device, sizeof device, nullptr, nullptr) <= 0) device[0] = '\0';
    reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
        {{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0, device});
    return TRUE;
}

}  // namespace

std::vector<Monitor> ListMonitors() {
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

ScreenRect PrimaryScreen() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

HWND CreateCover(const RECT& area) {
    static const bool registered = [] {
        WNDCLASSW coverClass = {};
        coverClass.lpfnWndProc = CoverProc;
        coverClass.hInstance = GetModuleHandleW(nullptr);
        coverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        coverClass.lpszClassName = kCoverClass;
        return RegisterClassW(&coverClass) != 0;
    }();
    if (!registered) return nullptr;
    HWND cover = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kCoverClass, L"", WS_POPUP,
                                 area.left, area.top, area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (cover) ShowWindow(cover, SW_SHOWNOACTIVATE);
    return cover;
}

void Covers::Lay(const std::vector<ScreenRect>& areas) {
    if (areas == areas_ && windows_.size() == areas_.size()) return;
    for (HWND cover : windows_) DestroyWindow(cover);
    windows_.clear();
    areas_ = areas;
    for (const ScreenRect& r : areas) {
        if (HWND cover = CreateCover({r.left, r.top, r.right, r.bottom})) windows_.push_back(cover);
    }
}

void OtherMonitorCovers::Begin(const std::vector<Monitor>& monitors) {
    covering_ = true;
    Follow(monitors);
}

void OtherMonitorCovers::Follow(const std::vector<Monitor>& monitors) {
    if (!covering_) return;
    std::vector<ScreenRect> others;
    for (const Monitor& m : monitors) {
        if (!m.primary) others.push_back(m.rect);
    }
    covers_.Lay(others);
}

void OtherMonitorCovers::End() {
    covering_ = false;
    covers_.Lay({});
}
