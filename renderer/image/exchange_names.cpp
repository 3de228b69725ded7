#include "exchange_names.h"

#include <cctype>
#include <climits>
#include <cstdlib>

std::string MonitorPictureName(int left, int top, int width, int height) {
    return "Quillmoor1_m" + std::to_string(left) + "_" + std::to_string(top) + "_" + std::to_string(width) + "x" +
           std::to_string(height) + ".bmp";
}

bool IsPrimaryPlace(int left, int top) { return left == 0 && top == 0; }

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool IsMonitorPictureName(const std::string& name) {
    // Its four numbers read back, then the name written again from them: only a name of exactly
    // MonitorPictureName's form (no sign, zero or blank more, nothing after) comes out the same.
    const std::string lower = Lower(name), prefix = "quillmoor1_m";
    if (lower.compare(0, prefix.size(), prefix) != 0) return false;
    long long n[4] = {};
    const char* at = lower.c_str() + prefix.size();
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        n[i] = std::strtoll(at, &end, 10);
        if (end == at || n[i] < INT_MIN || n[i] > INT_MAX || *end != "__x."[i]) return false;
        at = end + 1;
    }
    return n[2] > 0 && n[3] > 0 &&  // an empty monitor is never photographed
           Lower(MonitorPictureName(int(n[0]), int(n[1]), int(n[2]), int(n[3]))) == lower;
}
