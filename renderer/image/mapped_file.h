// A whole file mapped read-only into memory.
#pragma once

#include <cstddef>
#include <cstdint>

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile() { Close(); }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    enum class Result {
        Mapped,
        // No such file; or one that cannot be opened for reading beside other readers alone
        // (someone holds it open for writing); or not a file on a disk (a device, a pipe).
        Missing,
        // A disk file that is there but cannot be mapped: empty, or too large for a view.
        Unmappable,
    };

    // Where the file may lie: anywhere a name can lead; on a disk of this computer only (a
    // file that turns out, once open, to lie on a share counts as missing); or there, and the
    // name not a link itself (nor any other reparse point): a link in its place counts as
    // missing, not followed (for the files the saver writes, which are never links).
    enum class Reach { Anywhere, LocalDisk, LocalDiskNotLink };

    // Opens `path` for reading, letting others only read it meanwhile, and maps all of it.
    Result Open(const char* path, Reach reach = Reach::Anywhere);
#ifdef _WIN32
    // The same for a name in UTF-16, whatever the system's code page can write.
    Result Open(const wchar_t* path, Reach reach = Reach::Anywhere);
#endif
    // Releases the view, the mapping and the file, in that order.
    void Close();

    const uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
#ifdef _WIN32
    // Maps the file just opened (INVALID_HANDLE_VALUE where it did not open).
    Result Map(void* file, Reach reach);
#endif
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
#ifdef _WIN32
    void* file_ = nullptr;     // file handle
    void* mapping_ = nullptr;  // mapping handle
#else
    int fd_ = -1;  // descriptor
#endif
};
