#include <windows.h>

#include "mapped_file.h"

MappedFile::Result MappedFile::Open(const char* path) {
    Close();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Result::Missing;
    file_ = file;
    // A console, a pipe or a device opened by a name: not a picture or a model to read.
    if (GetFileType(file) != FILE_TYPE_DISK) {
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
