#include "texture_names.h"

#include <cctype>

namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// A path component that names a device: the part before its first dot, trailing blanks and
// dots dropped as the system drops them, is a reserved name.
bool IsDeviceName(const std::string& component) {
    std::string base = Upper(component.substr(0, component.find('.')));
    while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.pop_back();
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$") {
        return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           std::isdigit(static_cast<unsigned char>(base[3]));
}

}  // namespace

bool TextureNameIsLocal(const std::string& name) {
    if (name.empty() || IsSlash(name[0])) return false;
    const bool drive = name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
    if (name.find(':', drive ? 2 : 0) != std::string::npos) return false;
    size_t start = drive ? 2 : 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSlash(name[end])) ++end;
        if (IsDeviceName(name.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}
