#include <windows.h>

#include "renderer/image/local_paths.h"
#include "texture_names.h"

std::string LocalDiskPath(const char* name) {
    // Resolved as opening it would: a relative name from the current folder, which may itself
    // be on a share or a network drive.
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(name, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return "";
    const char lower = static_cast<char>(full[0] | 0x20);
    const bool driveLetter = lower >= 'a' && lower <= 'z' && full[1] == ':' && full[2] == '\\';
    return driveLetter && DriveIsLocal(full[0]) ? std::string(full, length) : "";
}
