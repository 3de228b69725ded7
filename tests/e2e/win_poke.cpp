// A small Windows tool for the end-to-end scripts: looks at and pokes top-level windows by
// their title, the way another program on the same desktop would.
//
// TITLE may be "CLASS|TITLE" to name the window's class as well.
// usage: win_poke find TITLE         prints "class=C client=WxH visible=V"; status 1 if none
//        win_poke text TITLE         prints the texts of the window's child controls
//        win_poke checks TITLE       prints each check box among them as "TEXT=0|1", and
//                                    " (disabled)" after one that cannot be used
//        win_poke close TITLE        posts a close message
//        win_poke syscommand TITLE N sends a system command with word parameter N
//        win_poke hold TITLE SECONDS  shows a window of its own with that title for a while
//        win_poke origin TITLE       prints the screen position of the window's client area "X Y"
//        win_poke key TITLE VK       makes the window the foreground one and types the key
//                                    (SendInput: the system's own keyboard input path)
//        win_poke rect TITLE         prints the window's rectangle on the screen "L T R B"
//        win_poke screen -           prints the primary screen's size and display modes,
//                                    "screen=WxH current=WxHxBITS registry=WxHxBITS monitors=N"
//        win_poke monitors -         prints each monitor as "L T R B" (the virtual screen's
//                                    pixels), " primary" after the primary's
//        win_poke acl PATH           prints the owner and access list of a file or folder, as
//                                    the system reads them back (SDDL)
//        win_poke holdfile PATH SECONDS  keeps the file open for writing (sharing reads) a while
//        win_poke name PATH          prints a screen saver's name as the Screen Saver list reads
//                                    it: string 1 of the file loaded as data, in the user's language
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

// Prints wide text as UTF-8, whatever the code page.
void PrintUtf8(const wchar_t* text) {
    char utf8[2048];
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr) > 0) std::printf("%s\n", utf8);
}

// Asked with WM_GETTEXT, not GetWindowText: for another program's window that gives only the
// caption kept by the system, and an edit box's text is none.
BOOL CALLBACK PrintChildText(HWND child, LPARAM) {
    wchar_t text[1024] = L"";
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &length) &&
        length > 0) {
        PrintUtf8(text);
    }
    return TRUE;
}

// A check box's text and state, "TEXT=1" when checked.
BOOL CALLBACK PrintCheckBox(HWND child, LPARAM) {
    wchar_t name[32] = L"";
    GetClassNameW(child, name, 32);
    if (lstrcmpiW(name, L"Button") != 0) return TRUE;
    wchar_t text[256] = L"";
    DWORD_PTR length = 0, state = 0;
    SendMessageTimeoutW(child, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &length);
    SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state);
    char utf8[1024];
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr) > 0) {
        std::printf("%s=%d%s\n", utf8, state == BST_CHECKED ? 1 : 0, IsWindowEnabled(child) ? "" : " (disabled)");
    }
    return TRUE;
}

}  // namespace

// A top-level window titled `title` (any code page: the title comes from the wide command
// line) that stays for `seconds`.
int Hold(const wchar_t* title, int seconds) {
    HWND window = CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 80, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    const DWORD end = GetTickCount() + DWORD(seconds) * 1000;
    while (GetTickCount() < end && IsWindow(window)) {  // a close message ends it early
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(20);
    }
    if (IsWindow(window)) DestroyWindow(window);
    return 0;
}

// The display as a program on this desktop sees it.
int Screen() {
    DEVMODEA current = {}, registry = {};
    current.dmSize = registry.dmSize = sizeof current;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current);
    EnumDisplaySettingsA(nullptr, ENUM_REGISTRY_SETTINGS, &registry);
    std::printf("screen=%dx%d current=%lux%lux%lu registry=%lux%lux%lu monitors=%d\n", GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN), current.dmPelsWidth, current.dmPelsHeight, current.dmBitsPerPel,
                registry.dmPelsWidth, registry.dmPelsHeight, registry.dmBitsPerPel, GetSystemMetrics(SM_CMONITORS));
    std::fflush(stdout);
    return 0;
}

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    const RECT& r = info.rcMonitor;
    std::printf("%ld %ld %ld %ld%s\n", r.left, r.top, r.right, r.bottom, (info.dwFlags & MONITORINFOF_PRIMARY) ? " primary" : "");
    return TRUE;
}

// The owner and access list of `path` as SDDL, "O:...D:...".
int PrintAcl(const wchar_t* path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return 1;
    }
    LPWSTR sddl = nullptr;
    const bool ok = ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &sddl, nullptr);
    if (ok) PrintUtf8(sddl);
    LocalFree(sddl);
    LocalFree(descriptor);
    std::fflush(stdout);
    return ok ? 0 : 1;
}

// Another program's hold on a file: open for writing, others may only read it.
int HoldFile(const wchar_t* path, int seconds) {
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    Sleep(DWORD(seconds) * 1000);
    CloseHandle(file);
    return 0;
}

// String 1 of a screen saver, the way the system's settings page lists it.
int PrintSaverName(const wchar_t* path) {
    HMODULE saver = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!saver) return 1;
    wchar_t name[256] = L"";
    const int length = LoadStringW(saver, 1, name, 256);
    FreeLibrary(saver);
    if (length <= 0) return 1;
    PrintUtf8(name);
    std::fflush(stdout);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: win_poke find|text|close|syscommand|hold TITLE [N]\n");
        return 2;
    }
    // Sizes and places as they are on the screen, whatever its DPI (not scaled to 96).
    SetProcessDPIAware();
    // Titles come from the wide command line, so any code page can name any window.
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count != argc) return 2;
    if (std::strcmp(argv[1], "hold") == 0 && argc == 4) return Hold(wide[2], std::atoi(argv[3]));
    if (std::strcmp(argv[1], "screen") == 0) return Screen();
    if (std::strcmp(argv[1], "monitors") == 0) {
        EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, 0);
        std::fflush(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "acl") == 0) return PrintAcl(wide[2]);
    if (std::strcmp(argv[1], "holdfile") == 0 && argc == 4) return HoldFile(wide[2], std::atoi(argv[3]));
    if (std::strcmp(argv[1], "name") == 0) return PrintSaverName(wide[2]);
    // "CLASS|TITLE" names the window's class too (a message box beside a window of its title).
    wchar_t* title = wide[2];
    const wchar_t* className = nullptr;
    if (wchar_t* bar = wcschr(title, L'|')) {
        *bar = L'\0';
        className = title;
        title = bar + 1;
    }
    HWND window = FindWindowW(className, title);
    if (!window) return 1;
    const char* verb = argv[1];
    if (std::strcmp(verb, "find") == 0) {
        char className[256] = "";
        GetClassNameA(window, className, sizeof className);
        RECT client = {};
        GetClientRect(window, &client);
        std::printf("class=%s client=%ldx%ld visible=%d\n", className, client.right - client.left,
                    client.bottom - client.top, IsWindowVisible(window) ? 1 : 0);
    } else if (std::strcmp(verb, "origin") == 0) {
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        std::printf("%ld %ld\n", origin.x, origin.y);
    } else if (std::strcmp(verb, "key") == 0 && argc == 4) {
        SetForegroundWindow(window);
        INPUT keys[2] = {};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = static_cast<WORD>(std::strtoul(argv[3], nullptr, 0));
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        if (SendInput(2, keys, sizeof(INPUT)) != 2) return 1;
    } else if (std::strcmp(verb, "rect") == 0) {
        RECT rect = {};
        GetWindowRect(window, &rect);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    } else if (std::strcmp(verb, "text") == 0) {
        EnumChildWindows(window, PrintChildText, 0);
    } else if (std::strcmp(verb, "checks") == 0) {
        EnumChildWindows(window, PrintCheckBox, 0);
    } else if (std::strcmp(verb, "close") == 0) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else if (std::strcmp(verb, "syscommand") == 0 && argc == 4) {
        SendMessageA(window, WM_SYSCOMMAND, static_cast<WPARAM>(std::strtoul(argv[3], nullptr, 0)), 0);
    } else {
        return 2;
    }
    std::fflush(stdout);
    return 0;
}
