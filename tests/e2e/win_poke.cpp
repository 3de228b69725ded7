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
//        win_poke mark TITLE SECONDS RRGGBB  the same, a 600 x 400 window at (40, 40) filled with
//                                    that colour, no frame: a mark a photograph shows
//        win_poke idle -             prints the milliseconds since the last input
//        win_poke origin TITLE       prints the screen position of the window's client area "X Y"
//        win_poke key TITLE VK       makes the window the foreground one and types the key
//                                    (SendInput: the system's own keyboard input path)
//        win_poke rect TITLE         prints the window's rectangle on the screen "L T R B"
//        win_poke foreground -       prints "CLASS|TITLE" of the window that has the keyboard
//                                    on this desktop ("none"), leaving it there
//        win_poke screen -           prints the primary screen's size and display modes,
//                                    "screen=WxH current=WxHxBITS registry=WxHxBITS monitors=N"
//        win_poke monitors -         prints each monitor as "L T R B" (the virtual screen's
//                                    pixels), " primary" after the primary's
//        win_poke acl PATH           prints the owner and access list of a file or folder, as
//                                    the system reads them back (SDDL)
//        win_poke holdfile PATH SECONDS  keeps the file open for writing (sharing reads) a while
//        win_poke name PATH          prints a screen saver's name as the Screen Saver list reads
//                                    it: string 1 of the file loaded as data, in the user's language
//        win_poke mode W H           switches the display to W x H for this session of the system
//        win_poke follow TITLE W H MS  switches the display to W x H and waits up to MS ms for the
//                                    window to cover the screen, (0, 0, W, H), and the scene to
//                                    show over it (dark sky across the top, lit ground in the
//                                    far corner); prints its rectangle and how long each took,
//                                    status 1 where they did not
//        win_poke power TITLE display|monitor N  tells the window that the console display's
//                                    state (display) or the monitor's power (monitor) is now N,
//                                    as the system does (WM_POWERBROADCAST)
//        win_poke usage TITLE        prints what the window's process holds, "handles=N gdi=N
//                                    user=N workingset=KB private=KB"
#include <initguid.h>  // the power settings' GUIDs defined here, as the system's headers give them
#include <windows.h>
#include <aclapi.h>
#include <psapi.h>
#include <sddl.h>

#include <cstddef>
#include <vector>

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

// A borderless window titled `title`, filled with `colour` (0xRRGGBB), for `seconds`.
int Mark(const wchar_t* title, int seconds, unsigned long colour) {
    WNDCLASSW kind = {};
    kind.lpfnWndProc = DefWindowProcW;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.hbrBackground = CreateSolidBrush(RGB(colour >> 16 & 255, colour >> 8 & 255, colour & 255));
    kind.lpszClassName = L"QmMark";
    RegisterClassW(&kind);
    HWND window = CreateWindowExW(0, L"QmMark", title, WS_POPUP | WS_VISIBLE, 40, 40, 600, 400, nullptr, nullptr,
                                  kind.hInstance, nullptr);
    if (!window) return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    const DWORD end = GetTickCount() + DWORD(seconds) * 1000;
    while (GetTickCount() < end && IsWindow(window)) {
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

// The display switched to width x height, as a program that changes the resolution does.
bool SwitchDisplay(int width, int height) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&mode, 0) == DISP_CHANGE_SUCCESSFUL;
}

// True while the screen shows the scene over all of a width x height screen: the sky dark across
// the whole width near the top, and the ground lit near the far corner.
bool SceneCoversScreen(int width, int height) {
    HDC screen = GetDC(nullptr);
    auto lit = [&](int x, int y) {
        const COLORREF c = GetPixel(screen, x, y);
        return c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) > 60;
    };
    bool covers = lit(width - 20, height - 20);
    for (int i = 0; i <= 16 && covers; ++i) covers = !lit(i * (width - 1) / 16, height / 40);
    ReleaseDC(nullptr, screen);
    return covers;
}

// Switches the display and times the window's move over the new screen and the scene's showing
// over all of it, from before the switch (which tells the windows of the change as it happens).
int Follow(HWND window, int width, int height, DWORD ms) {
    const DWORD start = GetTickCount();
    if (!SwitchDisplay(width, height)) return 2;
    RECT rect = {};
    DWORD moved = 0;
    for (;;) {
        const DWORD after = GetTickCount() - start;
        GetWindowRect(window, &rect);
        if (!moved && rect.left == 0 && rect.top == 0 && rect.right == width && rect.bottom == height) moved = after;
        const bool shown = moved && SceneCoversScreen(width, height);
        if (shown || after > ms) {
            std::printf("%ld %ld %ld %ld, the window after %lu ms, the scene %s%lu ms\n", rect.left, rect.top, rect.right,
                        rect.bottom, moved, shown ? "after " : "not after ", after);
            std::fflush(stdout);
            return shown ? 0 : 1;
        }
        Sleep(5);
    }
}

// A power setting's change as the system reports it: WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
// and a pointer to a POWERBROADCAST_SETTING in the window's own process (the system does not
// carry the record between processes, so it is written into that process's memory first).
// Prints the window's answer.
int Power(HWND window, const char* which, DWORD value) {
    const GUID* setting = std::strcmp(which, "display") == 0   ? &GUID_CONSOLE_DISPLAY_STATE
                          : std::strcmp(which, "monitor") == 0 ? &GUID_MONITOR_POWER_ON
                                                               : nullptr;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    if (!setting || !process) return 1;
    unsigned char record[offsetof(POWERBROADCAST_SETTING, Data) + sizeof value] = {};
    POWERBROADCAST_SETTING header = {};
    header.PowerSetting = *setting;
    header.DataLength = sizeof value;
    std::memcpy(record, &header, offsetof(POWERBROADCAST_SETTING, Data));
    std::memcpy(record + offsetof(POWERBROADCAST_SETTING, Data), &value, sizeof value);
    void* there = VirtualAllocEx(process, nullptr, sizeof record, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    DWORD_PTR answer = 0;
    const bool sent = there && WriteProcessMemory(process, there, record, sizeof record, nullptr) &&
                      SendMessageTimeoutW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(there),
                                          SMTO_ABORTIFHUNG, 5000, &answer);
    if (there) VirtualFreeEx(process, there, 0, MEM_RELEASE);
    CloseHandle(process);
    if (!sent) return 1;
    std::printf("answered %lu\n", static_cast<unsigned long>(answer));
    return 0;
}

// The handles a process holds, counted in the system's list of every process's handles
// (GetProcessHandleCount answers 0 under Wine).
unsigned long CountHandles(DWORD processId) {
    struct Entry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO
        ULONG owner;
        UCHAR type, flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    using QueryProc = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    for (ULONG size = 1 << 20; size <= (1u << 28); size *= 2) {
        std::vector<unsigned char> buffer(size);
        ULONG needed = 0;
        const LONG status = query(16 /* SystemHandleInformation */, buffer.data(), size, &needed);
        if (status == LONG(0xC0000004)) continue;  // too small
        if (status != 0) return 0;
        ULONG count = 0;
        std::memcpy(&count, buffer.data(), sizeof count);
        const size_t first = sizeof(ULONG_PTR);  // the count, padded to a pointer
        unsigned long mine = 0;
        for (ULONG i = 0; i < count && first + (i + 1) * sizeof(Entry) <= size; ++i) {
            Entry entry;
            std::memcpy(&entry, buffer.data() + first + i * sizeof(Entry), sizeof entry);
            mine += entry.owner == processId;
        }
        return mine;
    }
    return 0;
}

// The GDI objects a process holds, counted in the GDI handle table its environment block points
// at (GetGuiResources answers 0 under Wine): the entries that hold an object of the process or
// of none (stock objects; Wine keeps a table in each process and names no owner). Entries laid
// out as Wine lays them out: 24 bytes, the owner's id at 8, the type at 14. (Wine 8's 32-bit
// processes point at no table: 0 there means unknown.)
unsigned long CountGdiObjects(HANDLE process) {
    struct Basic {  // PROCESS_BASIC_INFORMATION
        LONG exitStatus;
        PVOID peb;
        ULONG_PTR affinity;
        LONG priority;
        ULONG_PTR id, parent;
    } basic = {};
    using QueryProc = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0 || !basic.peb) return 0;
    // PEB.GdiSharedHandleTable: at 0xf8 in a 64-bit process, at 0x94 in a 32-bit one.
    PVOID table = nullptr;
    const size_t at = sizeof(void*) == 8 ? 0xf8 : 0x94;
    if (!ReadProcessMemory(process, static_cast<char*>(basic.peb) + at, &table, sizeof table, nullptr) || !table) return 0;
    const size_t entrySize = 24, owner = 8, type = 14, entries = 0x10000;
    std::vector<unsigned char> bytes(entries * entrySize);
    if (!ReadProcessMemory(process, table, bytes.data(), bytes.size(), nullptr)) return 0;
    const USHORT id = static_cast<USHORT>(GetProcessId(process));
    unsigned long held = 0;
    for (size_t i = 0; i < entries; ++i) {
        USHORT ownerId;
        std::memcpy(&ownerId, &bytes[i * entrySize + owner], sizeof ownerId);
        held += (ownerId == id || ownerId == 0) && bytes[i * entrySize + type] != 0;
    }
    return held;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<unsigned long*>(count);
    return TRUE;
}

BOOL CALLBACK CountTopWindow(HWND top, LPARAM count) {
    ++*reinterpret_cast<unsigned long*>(count);
    EnumChildWindows(top, CountWindow, count);
    return TRUE;
}

// The windows of the thread that owns `window`, its top-level ones and their children.
unsigned long CountWindows(HWND window) {
    unsigned long count = 0;
    EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), CountTopWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// What the window's process holds: its handles, GDI objects, windows and memory, as the system
// counts them and, where Wine does not, as counted here.
int Usage(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return 1;
    DWORD handles = 0;
    GetProcessHandleCount(process, &handles);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    std::printf("handles=%lu gdi=%lu user=%lu counted-handles=%lu counted-gdi=%lu windows=%lu workingset=%lu private=%lu "
                "pagefile=%lu\n",
                static_cast<unsigned long>(handles), static_cast<unsigned long>(GetGuiResources(process, GR_GDIOBJECTS)),
                static_cast<unsigned long>(GetGuiResources(process, GR_USEROBJECTS)), CountHandles(processId),
                CountGdiObjects(process), CountWindows(window), static_cast<unsigned long>(memory.WorkingSetSize / 1024),
                static_cast<unsigned long>(memory.PrivateUsage / 1024), static_cast<unsigned long>(memory.PagefileUsage / 1024));
    CloseHandle(process);
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
    if (std::strcmp(argv[1], "mark") == 0 && argc == 5) {
        return Mark(wide[2], std::atoi(argv[3]), std::strtoul(argv[4], nullptr, 16));
    }
    if (std::strcmp(argv[1], "idle") == 0) {
        LASTINPUTINFO input = {sizeof input, 0};
        GetLastInputInfo(&input);
        std::printf("%lu\n", static_cast<unsigned long>(GetTickCount() - input.dwTime));
        std::fflush(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "screen") == 0) return Screen();
    if (std::strcmp(argv[1], "foreground") == 0) {
        HWND foreground = GetForegroundWindow();
        char className[256] = "none", title[256] = "";
        if (foreground) {
            GetClassNameA(foreground, className, sizeof className);
            GetWindowTextA(foreground, title, sizeof title);
        }
        std::printf("%s%s%s\n", className, foreground ? "|" : "", title);
        std::fflush(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "monitors") == 0) {
        EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, 0);
        std::fflush(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "acl") == 0) return PrintAcl(wide[2]);
    if (std::strcmp(argv[1], "holdfile") == 0 && argc == 4) return HoldFile(wide[2], std::atoi(argv[3]));
    if (std::strcmp(argv[1], "name") == 0) return PrintSaverName(wide[2]);
    if (std::strcmp(argv[1], "mode") == 0 && argc == 4) return SwitchDisplay(std::atoi(argv[2]), std::atoi(argv[3])) ? 0 : 1;
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
    } else if (std::strcmp(verb, "follow") == 0 && argc == 6) {
        return Follow(window, std::atoi(argv[3]), std::atoi(argv[4]), static_cast<DWORD>(std::atoi(argv[5])));
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
    } else if (std::strcmp(verb, "power") == 0 && argc == 5) {
        return Power(window, argv[3], std::strtoul(argv[4], nullptr, 0));
    } else if (std::strcmp(verb, "usage") == 0) {
        return Usage(window);
    } else {
        return 2;
    }
    std::fflush(stdout);
    return 0;
}
