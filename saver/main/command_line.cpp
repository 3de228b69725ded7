#include "command_line.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Length of the decimal number at the start of `s` (0 if none): sign, digits with one point,
// and an exponent only when digits follow it.
size_t NumberLength(const char* s) {
    size_t i = 0;
    if (s[i] == '+' || s[i] == '-') ++i;
    size_t digits = 0;
    while (std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (s[i] == '.') {
        ++i;
        while (std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (s[i] == 'e' || s[i] == 'E') {
        size_t j = i + 1;
        if (s[j] == '+' || s[j] == '-') ++j;
        if (std::isdigit(static_cast<unsigned char>(s[j]))) {
            while (std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
            i = j;
        }
    }
    return i;
}

double ReadNumber(const char* s, size_t length) { return std::strtod(std::string(s, length).c_str(), nullptr); }

}  // namespace

std::string ModeLetter(const std::string& arguments) {
    if (arguments.size() < 2) return "";
    // Only ASCII letters change case; a non-ASCII second character is returned as it is.
    const unsigned char c = static_cast<unsigned char>(arguments[1]);
    if (c >= 0x80) {
        size_t length = 1;
        while (1 + length < arguments.size() && (static_cast<unsigned char>(arguments[1 + length]) & 0xC0) == 0x80) {
            ++length;
        }
        return arguments.substr(1, length);
    }
    return std::string(1, static_cast<char>(std::toupper(c)));
}

int32_t PreviewHandle(const std::string& arguments) {
    if (arguments.size() < 4) return 0;
    // A window handle is 32 bits wide wherever it is passed between programs; its low 32 bits
    // are its value, however the number was written (signed, or unsigned from 2^31 up).
    const double rounded = std::nearbyint(LeadingNumber(arguments.substr(3)));
    if (!std::isfinite(rounded)) return 0;
    double low = std::fmod(rounded, 4294967296.0);  // exact
    if (low < 0) low += 4294967296.0;
    return static_cast<int32_t>(static_cast<uint32_t>(low));
}

double LeadingNumber(const std::string& text) {
    const char* s = text.c_str();
    while (IsBlank(*s)) ++s;
    const size_t length = NumberLength(s);
    return length ? ReadNumber(s, length) : 0.0;
}

bool ParseNumber(const std::string& text, double& value) {
    const char* s = text.c_str();
    while (IsBlank(*s)) ++s;
    const size_t length = NumberLength(s);
    if (length == 0) return false;
    const char* rest = s + length;
    while (IsBlank(*rest)) ++rest;
    if (*rest != '\0') return false;
    value = ReadNumber(s, length);
    return std::isfinite(value);
}

bool RoundToInt32(double value, int32_t& out) {
    const double rounded = std::nearbyint(value);  // the default rounding mode: half to even
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return false;
    out = static_cast<int32_t>(rounded);
    return true;
}
