#include "form_font.h"

#include <vector>

#include "command_line.h"

const char* const kDesignFont = "ＭＳ Ｐゴシック,9.75,400,128";

namespace {

// A whole number from `low` to `high`, written as one.
bool ReadWhole(const std::string& text, int low, int high, int& value) {
    double number = 0;
    if (!ParseNumber(text, number) || number != static_cast<int>(number) || number < low || number > high) return false;
    value = static_cast<int>(number);
    return true;
}

}  // namespace

bool ReadFormFont(const std::string& text, FormFont& font) {
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    FormFont read;
    if (fields.size() != 4 || fields[0].empty()) return false;
    read.name = fields[0];
    if (!ParseNumber(fields[1], read.points) || !(read.points > 0 && read.points <= 72)) return false;
    if (!ReadWhole(fields[2], 1, 1000, read.weight) || !ReadWhole(fields[3], 0, 255, read.charset)) return false;
    font = read;
    return true;
}
