#include "watch_rules.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr char kRecordHeader[] = "Quillmoor photographs 1";
constexpr size_t kLongestRecord = 4096;
constexpr size_t kMostMonitors = 16;
// The tick count and the clock may drift apart this much over a photograph's short life (the
// clock set by the time service meanwhile), and no more.
constexpr int64_t kClocksAgreeMs = 5000;

char LowerLatin(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A whole number of the text alone, as std::to_string writes it (an optional '-', then digits
// without a leading 0) within [low, high]; false otherwise.
bool ReadWhole(const std::string& text, int64_t low, int64_t high, int64_t& out) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) i = 1;
    if (i == text.size() || text.size() - i > 18) return false;  // 18 digits cannot overflow
    if (text[i] == '0' && (negative || text.size() - i > 1)) return false;  // one way to write each number
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (value < low || value > high) return false;
    out = value;
    return true;
}

// The text's words between single spaces; an empty word (two spaces, a space at either end)
// stays, so that it is refused.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words(1);
    for (char c : line) {
        if (c == ' ') {
            words.emplace_back();
        } else {
            words.back() += c;
        }
    }
    return words;
}

bool ReadHash(const std::string& text, uint64_t& out) {
    if (text.size() != 16) return false;
    uint64_t value = 0;
    for (char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        value = value << 4 | static_cast<uint64_t>(digit);
    }
    out = value;
    return true;
}

bool SamePlaces(const std::vector<WatchedMonitor>& a, const std::vector<WatchedMonitor>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].left != b[i].left || a[i].top != b[i].top || a[i].width != b[i].width || a[i].height != b[i].height) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string ChosenSaver(const SaverValues& values) {
    if (values.policyActive == "0") return "";
    if (values.policySaver && !values.policySaver->empty()) return *values.policySaver;
    return values.saver.value_or("");
}

bool NamesThisSaver(const std::string& chosen, const std::string& ownName) {
    const size_t slash = chosen.find_last_of("\\/");
    const std::string name = slash == std::string::npos ? chosen : chosen.substr(slash + 1);
    if (ownName.empty() || name.size() != ownName.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (LowerLatin(name[i]) != LowerLatin(ownName[i])) return false;
    }
    return true;
}

bool IsSecure(const SaverValues& values) {
    const auto set = [](const std::optional<std::string>& value) {
        return value && std::strtol(value->c_str(), nullptr, 10) != 0;
    };
    return set(values.secure) || set(values.policySecure) || set(values.machineLock);
}

bool MayWatchBeside(const TokenFacts& own, const TokenFacts& shell) {
    if (!own.user.empty() && !shell.user.empty() && own.user != shell.user) return false;
    return !(own.elevated.value_or(false) && !shell.elevated.value_or(true));
}

int64_t TimeoutMs(const SaverValues& values) {
    int64_t seconds = 0;
    if (values.policyTimeout && ReadWhole(*values.policyTimeout, 1, 100000000, seconds)) return seconds * 1000;
    return std::max<int64_t>(0, values.timeoutSeconds) * 1000;
}

WatchStep NextWatchStep(int64_t idleMs, int64_t timeoutMs, std::optional<int64_t> photographAgeMs) {
    const auto within = [](int64_t ms) { return std::clamp(ms, kWatchShortestSleepMs, kWatchLongestSleepMs); };
    WatchStep step;
    if (timeoutMs <= 0) return step;  // no timeout: nothing to photograph for, settings read again later
    const int64_t photographAt = std::max(timeoutMs - kWatchLeadMs, timeoutMs / 2);
    if (idleMs < photographAt) {
        step.sleepMs = within(photographAt - idleMs);
    } else if (!photographAgeMs || *photographAgeMs >= kWatchRetakeMs) {
        step.photograph = true;
        step.sleepMs = within(kWatchRetakeMs);
    } else {
        step.sleepMs = within(kWatchRetakeMs - *photographAgeMs);
    }
    return step;
}

std::string FormatWatchRecord(const WatchRecord& record) {
    std::string text = std::string(kRecordHeader) + "\n";
    text += "taken " + std::to_string(record.tickMs) + " " + std::to_string(record.clockMs) + "\n";
    static const char kDigits[] = "0123456789abcdef";
    for (const WatchedMonitor& m : record.monitors) {
        std::string hash(16, '0');
        for (int i = 0; i < 16; ++i) hash[i] = kDigits[(m.hash >> (60 - 4 * i)) & 15];
        text += "monitor " + std::to_string(m.left) + " " + std::to_string(m.top) + " " + std::to_string(m.width) +
                " " + std::to_string(m.height) + " " + std::to_string(m.size) + " " + hash + "\n";
    }
    return text;
}

bool ParseWatchRecord(const std::string& text, WatchRecord& record) {
    if (text.size() > kLongestRecord || text.empty() || text.back() != '\n') return false;
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    if (lines.size() < 3 || lines.size() - 2 > kMostMonitors || lines[0] != kRecordHeader) return false;
    WatchRecord read;
    const std::vector<std::string> taken = Words(lines[1]);
    constexpr int64_t kLargest = 999999999999999999;  // 18 digits
    if (taken.size() != 3 || taken[0] != "taken" || !ReadWhole(taken[1], 0, kLargest, read.tickMs) ||
        !ReadWhole(taken[2], 0, kLargest, read.clockMs)) {
        return false;
    }
    for (size_t i = 2; i < lines.size(); ++i) {
        const std::vector<std::string> w = Words(lines[i]);
        int64_t left, top, width, height, size;
        WatchedMonitor m;
        if (w.size() != 7 || w[0] != "monitor" || !ReadWhole(w[1], -1000000, 1000000, left) ||
            !ReadWhole(w[2], -1000000, 1000000, top) || !ReadWhole(w[3], 1, 65535, width) ||
            !ReadWhole(w[4], 1, 65535, height) || !ReadWhole(w[5], 1, kLargest, size) || !ReadHash(w[6], m.hash)) {
            return false;
        }
        m.left = static_cast<int32_t>(left);
        m.top = static_cast<int32_t>(top);
        m.width = static_cast<int32_t>(width);
        m.height = static_cast<int32_t>(height);
        m.size = static_cast<uint64_t>(size);
        read.monitors.push_back(m);
    }
    record = read;
    return true;
}

uint64_t WatchHash(const uint8_t* bytes, size_t size) {
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

bool SamePictures(const WatchRecord& a, const WatchRecord& b) {
    if (!SamePlaces(a.monitors, b.monitors)) return false;
    for (size_t i = 0; i < a.monitors.size(); ++i) {
        if (a.monitors[i].size != b.monitors[i].size || a.monitors[i].hash != b.monitors[i].hash) return false;
    }
    return true;
}

bool IsFreshPhotograph(const WatchRecord& record, const WatchNow& now) {
    const int64_t age = now.tickMs - record.tickMs;
    const int64_t clockAge = now.clockMs - record.clockMs;
    return age >= 0 && age <= kWatchMaxAgeMs && age < now.idleMs && clockAge >= age - kClocksAgreeMs &&
           clockAge <= age + kClocksAgreeMs && SamePlaces(record.monitors, now.monitors);
}
