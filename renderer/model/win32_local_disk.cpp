#include <windows.h>

#include "texture_names.h"

namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

}  // namespace

bool PathIsOnLocalDisk(const char* path) {
    // Resolved as opening it would: a relative name from the current folder, which may itself
    // be on a share or a network drive.
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return false;
    if (IsSlash(full[0]) && IsSlash(full[1])) return false;  // a share
    if (!(full[1] == ':' && IsSlash(full[2]))) return false;
    const char root[4] = {full[0], ':', '\\', '\0'};
    const UINT type = GetDriveTypeA(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_RAMDISK;
}
