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

    // Who else may have the file open while it is mapped.
    enum class Sharing { Readers, ReadersAndWriters };

    // Opens `path` for reading and maps all of it; false when the file cannot be opened,
    // mapped or viewed (an empty file cannot be mapped).
    bool Open(const char* path, Sharing sharing = Sharing::Readers);
    // Releases the view, the mapping and the file, in that order.
    void Close();

    const uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
#ifdef _WIN32
    void* file_ = nullptr;     // file handle
    void* mapping_ = nullptr;  // mapping handle
#else
    int fd_ = -1;  // descriptor
#endif
};
