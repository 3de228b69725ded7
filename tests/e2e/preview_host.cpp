// Stands in for the system's screen-saver settings page: a 152 x 112 pane at (100, 100) that
// starts the saver with "/p <handle>" (or "/p:<handle>"), looks at what the saver put in it,
// then closes and waits for the saver to end. Reports "key value" lines.
//
// usage: preview_host SAVER.scr space|colon|bogus
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    while (GetTickCount() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(20);
    }
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count != 3) return 2;
    const std::wstring form = args[2];

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"PreviewHost";
    RegisterClassW(&windowClass);
    HWND pane = CreateWindowExW(0, L"PreviewHost", L"Preview Host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100,
                                152, 112, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!pane) return 3;
    ShowWindow(pane, SW_SHOW);
    UpdateWindow(pane);

    const unsigned long handle = form == L"bogus" ? 0x7ffffff0ul : static_cast<unsigned long>(reinterpret_cast<uintptr_t>(pane));
    std::wstring commandLine = L"\"" + std::wstring(args[1]) + L"\" /p" + (form == L"colon" ? L":" : L" ") +
                               std::to_wstring(handle);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION saver = {};
    if (!CreateProcessW(args[1], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &saver)) {
        return 4;
    }
    Pump(3000);

    HWND child = FindWindowExW(pane, nullptr, nullptr, nullptr);
    std::printf("saver.running %d\n", WaitForSingleObject(saver.hProcess, 0) == WAIT_TIMEOUT ? 1 : 0);
    if (child) {
        RECT rect;
        GetWindowRect(child, &rect);
        std::printf("child %ldx%ld at %ld,%ld visible %d\n", rect.right - rect.left, rect.bottom - rect.top,
                    rect.left - 100, rect.top - 100, IsWindowVisible(child) ? 1 : 0);
    } else {
        std::printf("child none\n");
    }
    std::printf("ready\n");
    std::fflush(stdout);
    Pump(1500);  // time for a screenshot

    DestroyWindow(pane);
    const bool ended = WaitForSingleObject(saver.hProcess, 5000) == WAIT_OBJECT_0;
    std::printf("saver.ended_with_pane %d\n", ended ? 1 : 0);
    std::fflush(stdout);
    return 0;
}
