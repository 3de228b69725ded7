#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "local_paths.h"
#include "mapped_file.h"

bool DriveIsLocal(char) { return true; }

MappedFile::Result MappedFile::Open(const char* path, Reach reach) {
    Close();
    // A FIFO must not hold the open; a link where none may be is not followed.
    fd_ = ::open(path, O_RDONLY | O_NONBLOCK | (reach == Reach::LocalDiskNotLink ? O_NOFOLLOW : 0));
    if (fd_ < 0) return Result::Missing;
    struct stat st;
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        Close();
        return Result::Missing;
    }
    if (st.st_size <= 0) {
        Close();
        return Result::Unmappable;
    }
    void* view = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd_, 0);
    if (view == MAP_FAILED) {
        Close();
        return Result::Unmappable;
    }
    data_ = static_cast<const uint8_t*>(view);
    size_ = static_cast<size_t>(st.st_size);
    return Result::Mapped;
}

void MappedFile::Close() {
    if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
    if (fd_ >= 0) ::close(fd_);
    data_ = nullptr;
    size_ = 0;
    fd_ = -1;
}
