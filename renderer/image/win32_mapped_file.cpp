#include <windows.h>

#include <string>

#include "local_paths.h"
#include "mapped_file.h"

namespace {

// True when the open file's own final path is on a lettered drive of this computer's disks,
// whatever name (or link) led to it.
bool OnLocalDisk(HANDLE file) {
    wchar_t wide[1024];
    const DWORD length = GetFinalPathNameByHandleW(file, wide, 1024, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= 1024) return false;
    // Only the prefix is judged; the rest of the path may be in any script.
    std::string prefix;
    for (DWORD i = 0; i < length && i < 8; ++i) prefix += wide[i] < 0x80 ? static_cast<char>(wide[i]) : '?';
    const char drive = DriveOfFinalPath(prefix);
    return drive != 0 && DriveIsLocal(drive);
}

// True when the open file is a reparse point (or cannot be told): a link, opened as itself.
bool IsReparsePoint(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    return !GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// How a file is opened: a link where none may be is opened as itself, not followed.
DWORD OpenFlags(MappedFile::Reach reach) {
    return FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN |
           (reach == MappedFile::Reach::LocalDiskNotLink ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
}

}  // namespace

bool DriveIsLocal(char letter) {
    const char root[4] = {letter, ':', '\\', '\0'};
    const UINT type = GetDriveTypeA(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_RAMDISK;
}

MappedFile::Result MappedFile::Open(const char* path, Reach reach) {
    Close();
    return Map(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, OpenFlags(reach), nullptr),
               reach);
}

MappedFile::Result MappedFile::Open(const wchar_t* path, Reach reach) {
    Close();
    return Map(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, OpenFlags(reach), nullptr),
               reach);
}

MappedFile::Result MappedFile::Map(void* opened, Reach reach) {
    HANDLE file = static_cast<HANDLE>(opened);
    const bool notLink = reach == Reach::LocalDiskNotLink;
    if (file == INVALID_HANDLE_VALUE) return Result::Missing;
    file_ = file;
    // A console, a pipe or a device opened by a name: not a picture or a model to read; nor a link
    // opened where none may be (the link itself, not where it leads), nor a file off this
    // computer's disks where it must be on them.
    if (GetFileType(file) != FILE_TYPE_DISK || (notLink && IsReparsePoint(file)) ||
        (reach != Reach::Anywhere && !OnLocalDisk(file))) {
        Close();
        return Result::Missing;
    }
    LARGE_INTEGER length;
    // A view must fit the 32-bit address space; an empty file cannot be mapped at all.
    if (!GetFileSizeEx(file, &length) || length.QuadPart <= 0 || length.QuadPart > 0x7FFFFFFF) {
        Close();
        return Result::Unmappable;
    }
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) {
        Close();
        return Result::Unmappable;
    }
    mapping_ = mapping;
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
        Close();
        return Result::Unmappable;
    }
    data_ = static_cast<const uint8_t*>(view);
    size_ = static_cast<size_t>(length.QuadPart);
    return Result::Mapped;
}

void MappedFile::Close() {
    if (data_) UnmapViewOfFile(data_);
    if (mapping_) CloseHandle(static_cast<HANDLE>(mapping_));
    if (file_) CloseHandle(static_cast<HANDLE>(file_));
    data_ = nullptr;
    size_ = 0;
    mapping_ = nullptr;
    file_ = nullptr;
}
