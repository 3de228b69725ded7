// The watcher's rules. On Windows 10 and 11 the saver runs on a desktop of Windows' own, where
// the user's screen cannot be photographed; a small program of the user's (the saver started
// with /w at sign-in) photographs it on their own desktop in the seconds before Windows
// switches away, and the saver takes that photograph as its ground where it is fresh and the
// session is not locked. What decides (whose settings win, when to wake and photograph, what
// counts as fresh, the small record kept beside the photographs) is here; the sleeping, the
// registry and the capture are win32_watch.cpp's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The photograph is taken this long before the idle time reaches the screen-saver timeout (or
// at half the timeout, where that is later: a timeout of a few seconds).
constexpr int64_t kWatchLeadMs = 3000;
// Taken again this often while the idle time goes on (a video that keeps the display on holds
// the saver off without any input; it may start long after the timeout).
constexpr int64_t kWatchRetakeMs = 10000;
// The oldest photograph the saver takes: three retakes' worth, so that a watcher held back
// (lowest priority on a busy machine) still serves, yet what it shows is less than half a
// minute old.
constexpr int64_t kWatchMaxAgeMs = 30000;
// The watcher never wakes sooner than this while it waits, nor later than the longest sleep, at
// which it reads the settings again (a timeout shortened, another saver chosen).
constexpr int64_t kWatchShortestSleepMs = 1000;
constexpr int64_t kWatchLongestSleepMs = 60000;

// The screen-saver values of the account as the registry keeps them: the user's own under
// HKCU\Control Panel\Desktop and the administrator's under
// HKCU\Software\Policies\Microsoft\Windows\Control Panel\Desktop; none where a value is absent.
// Texts are UTF-8; a number stored as a DWORD is given as its decimal text.
struct SaverValues {
    std::optional<std::string> saver, policySaver;      // SCRNSAVE.EXE
    std::optional<std::string> policyActive;            // ScreenSaveActive ("0": no saver at all)
    std::optional<std::string> secure, policySecure;    // ScreenSaverIsSecure
    std::optional<std::string> policyTimeout;           // ScreenSaveTimeOut, seconds
    std::optional<std::string> machineLock;             // the machine's InactivityTimeoutSecs (HKLM)
    int64_t timeoutSeconds = 0;                         // the user's, as the system reports it
};

// The saver the account runs: the policy's where it names one, else the user's; "" for none,
// and none where the policy turns the screen saver off (its ScreenSaveActive "0").
std::string ChosenSaver(const SaverValues& values);

// True when `chosen` (a path, as SCRNSAVE.EXE holds it, long form) names a saver file called
// `ownName` (this program's file name): the file name alone is compared, letter case of the
// Latin letters ignored, so that the 32-bit saver in SysWOW64 and a portable copy count too.
bool NamesThisSaver(const std::string& chosen, const std::string& ownName);

// True where Windows asks for the password on resume: ScreenSaverIsSecure a number other than 0
// in the user's values or in the policy's, or the machine's policy locking the session after an
// inactivity timeout above 0 (it locks as the saver starts, whatever ScreenSaverIsSecure says).
// Any one is enough: the system hides the desktop there on purpose, and a picture of it must
// never show on a locked screen.
bool IsSecure(const SaverValues& values);

// A process's token as far as it could be read: the user it runs as (its SID's bytes; empty where
// unread) and whether it is elevated (none where unread).
struct TokenFacts {
    std::vector<uint8_t> user;
    std::optional<bool> elevated;
};

// Whether a watcher of token `own` may run beside the desktop's shell of token `shell`: not as
// another user (an installer elevated with an administrator's password runs as that
// administrator), nor elevated where the shell is not (an installer's elevated token would
// otherwise read the user's own values and pictures with rights above theirs for the whole
// sign-in; the watcher comes unelevated at the next sign-in). What cannot be read does not
// hold it back.
bool MayWatchBeside(const TokenFacts& own, const TokenFacts& shell);

// The screen-saver timeout in milliseconds: the policy's where it is a whole number of seconds
// above 0, else the user's; 0 where there is none.
int64_t TimeoutMs(const SaverValues& values);

// What the watcher does on waking: photograph now or not, and how long it then sleeps.
struct WatchStep {
    bool photograph = false;
    int64_t sleepMs = kWatchLongestSleepMs;
};

// The step for an idle time of `idleMs` (since the last input), a timeout of `timeoutMs` (0:
// none) and the age of the watcher's newest photograph where one was taken since the last input
// (none otherwise). Every sleep lies within the shortest and the longest.
WatchStep NextWatchStep(int64_t idleMs, int64_t timeoutMs, std::optional<int64_t> photographAgeMs);

// A monitor photographed, and its picture file as written (size, FNV-1a hash of its bytes).
struct WatchedMonitor {
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint64_t size = 0;
    uint64_t hash = 0;
};

// What the watcher keeps beside its photographs: when they were taken, by the system's tick
// count (milliseconds since it started) and by the clock (milliseconds since 1970, UTC), and
// each monitor's picture, the primary first.
struct WatchRecord {
    int64_t tickMs = 0;
    int64_t clockMs = 0;
    std::vector<WatchedMonitor> monitors;
};

// The record as a small text file, and read back. Reading refuses anything but what
// FormatWatchRecord writes (a hand-edited, cut-short or foreign file): false, `record` untouched.
std::string FormatWatchRecord(const WatchRecord& record);
bool ParseWatchRecord(const std::string& text, WatchRecord& record);

// True when the two records name the same pictures: the same monitors in the same places, each
// picture file of the same size and hash (a screen that has not changed since: the watcher then
// writes its record again, not the pictures).
bool SamePictures(const WatchRecord& a, const WatchRecord& b);

// The FNV-1a hash (64-bit) of the bytes.
uint64_t WatchHash(const uint8_t* bytes, size_t size);

// Now, as the saver sees it when it starts.
struct WatchNow {
    int64_t tickMs = 0;   // the system's tick count
    int64_t clockMs = 0;  // the clock
    int64_t idleMs = 0;   // since the last input
    std::vector<WatchedMonitor> monitors;  // the places the session covers (sizes not compared)
};

// True when the photographs of `record` may be the session's ground: taken after the last input,
// no older than kWatchMaxAgeMs by the tick count, the clock agreeing within a few seconds (a
// record of an earlier start of the system does not), of exactly the monitors of now.
bool IsFreshPhotograph(const WatchRecord& record, const WatchNow& now);
