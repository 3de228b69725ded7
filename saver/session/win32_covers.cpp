#include "win32_covers.h"

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

}  // namespace

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
