#include "win32_watch.h"

#include <optional>

#include "saver/ground/ground.h"
#include "saver/ground/win32_ground.h"
#include "saver/main/settings.h"
#include "saver/main/win32_platform.h"
#include "saver/main/win32_text.h"
#include "watch_rules.h"

namespace {

// One watcher per sign-in session (Local\: this session's namespace), the end it is told, and
// its process's ID for whoever tells it, so that they can wait for its image to be let go.
constexpr wchar_t kWatcherMutex[] = L"Local\\QuillmoorWatcher";
constexpr wchar_t kWatcherEnd[] = L"Local\\QuillmoorWatcherEnd";
constexpr wchar_t kWatcherProcess[] = L"Local\\QuillmoorWatcherProcess";
constexpr DWORD kEndWaitMs = 10000;
// The largest picture file taken from the record's word: an 8192 x 8192 photograph at 32 bits,
// the largest the renderer reads, and its headers.
constexpr uint64_t kLargestPicture = 8192ull * 8192 * 4 + 4096;

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";

// The machine's policy that locks the session after so many seconds without input (the saver
// starts there too, and the session locks whatever the account's own values say).
constexpr wchar_t kMachinePolicyKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// A value under `root`\`key` (the 64-bit view, where a 32-bit program would otherwise read the
// 32-bit copy of HKLM) as text (a DWORD as its decimal number); none where it is absent or of
// another type.
std::optional<std::string> ReadValue(HKEY root, const wchar_t* key, const wchar_t* name) {
    HKEY opened;
    if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS) return std::nullopt;
    std::optional<std::string> value;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(opened, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size <= 65536) {
        std::vector<BYTE> data(size + sizeof(wchar_t) * 2, 0);  // room for the missing end of a string
        if (RegQueryValueExW(opened, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS) {
            if (type == REG_SZ || type == REG_EXPAND_SZ) {
                value = WideToUtf8(reinterpret_cast<const wchar_t*>(data.data()));
            } else if (type == REG_DWORD && size == sizeof(DWORD)) {
                DWORD number;
                memcpy(&number, data.data(), sizeof number);
                value = std::to_string(number);
            }
        }
    }
    RegCloseKey(opened);
    return value;
}

// A saver's path as the registry holds it, its environment strings expanded and, where the file
// is there, its long form (the settings page may store the short one).
std::optional<std::string> LongSaverPath(const std::optional<std::string>& value) {
    if (!value || value->empty()) return value;
    const std::wstring stored = Utf8ToWide(*value);
    wchar_t expanded[MAX_PATH * 2] = L"", longer[MAX_PATH * 2] = L"";
    const DWORD e = ExpandEnvironmentStringsW(stored.c_str(), expanded, MAX_PATH * 2);
    const std::wstring path = e > 0 && e <= MAX_PATH * 2 ? expanded : stored;
    const DWORD l = GetLongPathNameW(path.c_str(), longer, MAX_PATH * 2);
    return WideToUtf8(l > 0 && l < MAX_PATH * 2 ? longer : path);
}

SaverValues ReadSaverValues() {
    SaverValues values;
    const HKEY user = HKEY_CURRENT_USER;
    values.saver = LongSaverPath(ReadValue(user, kDesktopKey, L"SCRNSAVE.EXE"));
    values.policySaver = LongSaverPath(ReadValue(user, kPolicyKey, L"SCRNSAVE.EXE"));
    values.policyActive = ReadValue(user, kPolicyKey, L"ScreenSaveActive");
    values.secure = ReadValue(user, kDesktopKey, L"ScreenSaverIsSecure");
    values.policySecure = ReadValue(user, kPolicyKey, L"ScreenSaverIsSecure");
    values.policyTimeout = ReadValue(user, kPolicyKey, L"ScreenSaveTimeOut");
    values.machineLock = ReadValue(HKEY_LOCAL_MACHINE, kMachinePolicyKey, L"InactivityTimeoutSecs");
    UINT seconds = 0;
    if (SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0)) values.timeoutSeconds = seconds;
    return values;
}

// This program's file name, long form.
std::string OwnFileName() {
    wchar_t path[MAX_PATH * 2] = L"", longer[MAX_PATH * 2] = L"";
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) return "";
    const DWORD l = GetLongPathNameW(path, longer, MAX_PATH * 2);
    const std::wstring full = l > 0 && l < MAX_PATH * 2 ? longer : path;
    return WideToUtf8(full.substr(full.find_last_of(L'\\') + 1));
}

// Milliseconds since the last input, as the system counts it for the screen saver.
int64_t IdleMs() {
    LASTINPUTINFO input = {sizeof input, 0};
    if (!GetLastInputInfo(&input)) return 0;
    return static_cast<DWORD>(GetTickCount() - input.dwTime);  // modulo 2^32: right across a wrap
}

// Milliseconds since 1970 (UTC) by the clock.
int64_t ClockMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const int64_t ticks = static_cast<int64_t>(ULARGE_INTEGER{{now.dwLowDateTime, now.dwHighDateTime}}.QuadPart);
    return ticks / 10000 - 11644473600000;
}

// True where the desktop that takes the input now is this thread's own: not so while the session
// is locked (Windows' own desktop takes it, and cannot even be opened from here).
bool OwnDesktopTakesInput() {
    HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (!input) return false;
    wchar_t name[256] = L"";
    DWORD needed = 0;
    const bool named = GetUserObjectInformationW(input, UOI_NAME, name, sizeof name - sizeof name[0], &needed);
    CloseDesktop(input);
    return named && WideToUtf8(name) == ThreadDesktopName();
}

// Whether the user's desktop can be photographed now: this is a desktop of the user's, the one
// shown, and no screen saver (a session of Quillmoor's, which would photograph itself, or
// another's) is on it.
bool MayPhotograph() {
    BOOL running = FALSE;
    SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return !running && DesktopKindOf(ThreadDesktopName()) == DesktopKind::Users && OwnDesktopTakesInput() &&
           !FindWindowW(nullptr, L"Quillmoor_Main") && !FindWindowW(nullptr, L"Quillmoor_VC");
}

// What a process's token tells: its user and whether it is elevated; what cannot be read stays
// unread.
TokenFacts ProcessToken(HANDLE process) {
    TokenFacts facts;
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return facts;
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
        PSID sid = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
        const BYTE* first = static_cast<const BYTE*>(sid);
        facts.user.assign(first, first + GetLengthSid(sid));
    }
    TOKEN_ELEVATION elevation = {};
    if (GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
        facts.elevated = elevation.TokenIsElevated != 0;
    }
    CloseHandle(token);
    return facts;
}

// Whether this watcher may run beside the desktop's shell (MayWatchBeside); true where there is
// no shell to compare with.
bool ShellAllowsWatcher() {
    DWORD shellProcessId = 0;
    HWND shell = GetShellWindow();
    if (!shell || !GetWindowThreadProcessId(shell, &shellProcessId)) return true;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellProcessId);
    if (!process) return true;
    const TokenFacts shellToken = ProcessToken(process);
    CloseHandle(process);
    return MayWatchBeside(ProcessToken(GetCurrentProcess()), shellToken);
}

class WatcherSettings final : public Win32Settings<SettingsPlatform> {};

// Tells the watcher of this sign-in session to end, and waits for its process.
void EndWatcher() {
    HANDLE end = OpenEventW(EVENT_MODIFY_STATE, FALSE, kWatcherEnd);
    if (!end) return;  // none runs
    HANDLE process = nullptr;
    if (HANDLE shared = OpenFileMappingW(FILE_MAP_READ, FALSE, kWatcherProcess)) {
        if (const void* view = MapViewOfFile(shared, FILE_MAP_READ, 0, 0, sizeof(DWORD))) {
            DWORD id;
            memcpy(&id, view, sizeof id);
            process = OpenProcess(SYNCHRONIZE, FALSE, id);
            UnmapViewOfFile(view);
        }
        CloseHandle(shared);
    }
    SetEvent(end);
    if (process) {
        WaitForSingleObject(process, kEndWaitMs);
        CloseHandle(process);
    }
    CloseHandle(end);
}

}  // namespace

void RunWatcher(bool end) {
    if (end) {
        EndWatcher();
        return;
    }
    if (!ShellAllowsWatcher()) return;
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kWatcherMutex);
    if (!mutex) return;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return;
    }
    HANDLE endEvent = CreateEventW(nullptr, TRUE, FALSE, kWatcherEnd);
    if (endEvent) ResetEvent(endEvent);  // an end told to a watcher before this one is not this one's
    HANDLE shared = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD), kWatcherProcess);
    if (void* view = shared ? MapViewOfFile(shared, FILE_MAP_WRITE, 0, 0, sizeof(DWORD)) : nullptr) {
        const DWORD id = GetCurrentProcessId();
        memcpy(view, &id, sizeof id);
        UnmapViewOfFile(view);
    }
    // The lowest priority: the CPU, the disk and memory only when nothing else wants them.
    SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
    SetPriorityClass(GetCurrentProcess(), PROCESS_MODE_BACKGROUND_BEGIN);
    const std::string ownName = OwnFileName();
    WatcherSettings settings;
    bool photographed = false;  // since the last input
    ULONGLONG taken = 0;        // the tick count of the newest photograph
    while (endEvent) {
        const SaverValues values = ReadSaverValues();
        if (!NamesThisSaver(ChosenSaver(values), ownName)) break;
        const int64_t idle = IdleMs();
        const ULONGLONG now = GetTickCount64();
        const int64_t age = static_cast<int64_t>(now - taken);
        if (age >= idle) photographed = false;  // input since
        WatchStep step;
        if (!IsSecure(values)) {
            step = NextWatchStep(idle, TimeoutMs(values), photographed ? std::optional<int64_t>(age) : std::nullopt);
        }
        if (step.photograph && MayPhotograph()) {
            LoadSettings(settings);  // which monitors a session photographs
            if (WriteWatchedPhotographs(static_cast<int64_t>(now), ClockMs())) {
                photographed = true;
                taken = now;
            }
        }
        if (WaitForSingleObject(endEvent, static_cast<DWORD>(step.sleepMs)) != WAIT_TIMEOUT) break;
    }
    if (shared) CloseHandle(shared);
    if (endEvent) CloseHandle(endEvent);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

namespace {

// The record in `folder`; false where there is none it can read.
bool ReadWatchRecord(const ExchangeFolder& folder, WatchRecord& record) {
    std::vector<uint8_t> bytes;
    return folder.Read(kWatchRecordName, 4096, bytes) && ParseWatchRecord(std::string(bytes.begin(), bytes.end()), record);
}

// The pictures `record` names, read from `folder` (`names` theirs), each of the recorded size and
// hash; false where any is not.
bool ReadRecordedPictures(const ExchangeFolder& folder, const WatchRecord& record, const std::vector<std::wstring>& names,
                          std::vector<std::vector<uint8_t>>& pictures) {
    if (names.size() != record.monitors.size()) return false;
    pictures.assign(names.size(), {});
    for (size_t m = 0; m < names.size(); ++m) {
        const WatchedMonitor& recorded = record.monitors[m];
        if (recorded.size > kLargestPicture ||
            !folder.Read(names[m].c_str(), static_cast<size_t>(recorded.size), pictures[m]) ||
            pictures[m].size() != recorded.size || WatchHash(pictures[m].data(), pictures[m].size()) != recorded.hash) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool HoldsWatchedPictures(const ExchangeFolder& folder, const WatchRecord& record, const std::vector<std::wstring>& names) {
    WatchRecord held;
    std::vector<std::vector<uint8_t>> pictures;
    return ReadWatchRecord(folder, held) && SamePictures(held, record) && ReadRecordedPictures(folder, held, names, pictures);
}

std::vector<std::vector<uint8_t>> FreshWatchedPhotographs(const ExchangeFolder& folder, const std::vector<RECT>& areas,
                                                          const std::vector<std::wstring>& names) {
    WatchRecord record;
    if (!ReadWatchRecord(folder, record)) return {};
    WatchNow now;
    now.tickMs = static_cast<int64_t>(GetTickCount64());
    now.clockMs = ClockMs();
    now.idleMs = IdleMs();
    for (const RECT& a : areas) now.monitors.push_back({a.left, a.top, a.right - a.left, a.bottom - a.top, 0, 0});
    std::vector<std::vector<uint8_t>> photographs;
    if (!IsFreshPhotograph(record, now) || IsSecure(ReadSaverValues()) ||
        !ReadRecordedPictures(folder, record, names, photographs)) {
        return {};
    }
    return photographs;
}
