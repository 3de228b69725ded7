#include <windows.h>

#include "mapped_file.h"

bool MappedFile::Open(const char* path, Sharing sharing) {
    Close();
    const DWORD share = sharing == Sharing::Readers ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE file = CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    file_ = file;
    LARGE_INTEGER length;
    // A view must fit the 32-bit address space; an empty file cannot be mapped at all.
    if (!GetFileSizeEx(file, &length) || length.QuadPart <= 0 || length.QuadPart > 0x7FFFFFFF) {
        Close();
        return false;
    }
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) {
        Close();
        return false;
    }
    mapping_ = mapping;
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
        Close();
        return false;
    }
    data_ = static_cast<const uint8_t*>(view);
    size_ = static_cast<size_t>(length.QuadPart);
    return true;
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
