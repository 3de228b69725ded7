// File helpers for the native tests.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Writes `bytes` to `path`, replacing it; false when the file cannot be written.
inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The whole file, or nothing when it cannot be read.
inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return bytes;
}

// This test process's own folder for the files it writes (".../quillmoor-test-<pid>/", made on
// first use, removed when the process ends): two runs on one machine, or two tests of one run
// at once, never write the same file.
inline const std::string& TestFolder() {
    struct Folder {
        std::string path;
        Folder() {
            const char* tmp = std::getenv("TMPDIR");
            path = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillmoor-test-" + std::to_string(getpid()) + "/";
            if (std::system(("rm -rf '" + path + "' && mkdir -p '" + path + "'").c_str()) != 0) path.clear();
        }
        ~Folder() {
            if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
        }
    };
    static const Folder folder;
    return folder.path;
}

// A new, empty folder that is the current folder for the object's life. The renderer's
// exchange files are named "c:\q_mora\..."; on this system those are plain file names, so a
// test can lay them out in a folder of its own.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& path) : path_(path) {
        ok_ = getcwd(previous_, sizeof previous_) != nullptr &&
              std::system(("rm -rf '" + path_ + "' && mkdir -p '" + path_ + "'").c_str()) == 0 &&
              chdir(path_.c_str()) == 0;
    }
    ~ScratchFolder() {
        if (chdir(previous_) == 0) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    bool Ok() const { return ok_; }

private:
    std::string path_;
    char previous_[4096] = "";
    bool ok_ = false;
};
