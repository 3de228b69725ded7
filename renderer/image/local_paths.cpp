#include "local_paths.h"

#include <cctype>

char DriveOfFinalPath(const std::string& finalPath) {
    // "\\?\" + letter + ":\" and nothing else: "\\?\UNC\" has a "U" where the letter would be,
    // but no colon after it.
    if (finalPath.size() < 7 || finalPath.compare(0, 4, "\\\\?\\") != 0) return 0;
    const unsigned char letter = static_cast<unsigned char>(finalPath[4]);
    if (!std::isalpha(letter) || letter >= 0x80 || finalPath[5] != ':' || finalPath[6] != '\\') return 0;
    return static_cast<char>(std::toupper(letter));
}
