// The wallpaper's reading where a 32-bit program's sums wrap and its memory runs out: headers whose
// offsets point outside their bytes, and a picture whose rows are longer than a band can hold.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "saver/ground/picture_header.h"
#include "saver/ground/win32_wallpaper.h"
#include "tests/common/dib_builder.h"

namespace {

// One committed page between two that are not: bytes laid at its start or its end are all that
// can be read, one byte more either way faults.
class GuardedPage {
public:
    GuardedPage() {
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, 3 * kPage, MEM_RESERVE, PAGE_NOACCESS));
        VirtualAlloc(base_ + kPage, kPage, MEM_COMMIT, PAGE_READWRITE);
    }
    ~GuardedPage() { VirtualFree(base_, 0, MEM_RELEASE); }
    const uint8_t* At(const std::vector<uint8_t>& bytes, bool atEnd) {
        uint8_t* at = base_ + kPage + (atEnd ? kPage - bytes.size() : 0);
        std::copy(bytes.begin(), bytes.end(), at);
        return at;
    }

private:
    static constexpr size_t kPage = 4096;
    uint8_t* base_;
};

TEST(Win32Ground, HeadersPointingOutsideTheirBytesGiveNoSize) {
    GuardedPage page;
    // TIFF directories said to lie just below the 4 GB mark, in either byte order.
    for (const std::vector<uint8_t>& file : {std::vector<uint8_t>{'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0xFF},
                                            std::vector<uint8_t>{'I', 'I', 42, 0, 0xFE, 0xFF, 0xFF, 0xFF},
                                            std::vector<uint8_t>{'M', 'M', 0, 42, 0xFF, 0xFF, 0xFF, 0xFF},
                                            std::vector<uint8_t>{'M', 'M', 0, 42, 0xFF, 0xFF, 0xFF, 0xFE}}) {
        std::vector<uint8_t> hostile = file;
        hostile.resize(16, 0);
        for (bool atEnd : {false, true}) {
            const PictureHeader header = ReadPictureHeader(page.At(hostile, atEnd), hostile.size());
            EXPECT_EQ(header.format, PictureFormat::Tiff);
            EXPECT_EQ(header.size.width, 0) << int(hostile[4]) << (atEnd ? " at the page's end" : "");
        }
    }
}

TEST(Win32Ground, ARowOfFortyMillionPixelsIsReadAndOnlyWhatMemoryHoldsIsAskedFor) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "qm_ground_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\row.bmp";
    // One bit a pixel, the two colours one after the other.
    DibLayout layout;
    layout.width = 40000000;
    layout.bitCount = 1;
    layout.palette = {0x000000, 0x2080C0};
    layout.pixels.assign(layout.width / 8, 0x55);
    const std::vector<uint8_t> file = BuildDib(layout);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, file.data(), DWORD(file.size()), &written, nullptr);
    CloseHandle(h);
    ASSERT_EQ(written, file.size());

    // A 32-bit program's address space taken in pieces of 1 GB down to 64 MB, so that no more
    // is left free in one piece. (A 64-bit program's is not.)
    std::vector<void*> taken;
    const auto take = [&]() {
        for (SIZE_T size = SIZE_T(1) << 30; sizeof(void*) == 4 && size >= (SIZE_T(64) << 20);) {
            void* p = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
            if (p) taken.push_back(p);
            if (!p) size /= 2;
        }
    };
    // The largest piece given back: room for the picture and a band of its rows, but not for a
    // band of 64 of them (10 GB, or 1.6 GB where the sum wraps in 32 bits).
    take();
    if (!taken.empty()) {
        VirtualFree(taken[0], 0, MEM_RELEASE);
        taken.erase(taken.begin());
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const ShownSize own = [](PixelSize size) { return size; };
    BgrPicture picture;
    PixelSize full;
    EXPECT_TRUE(LoadWallpaperPicture(path, own, picture, full));
    EXPECT_EQ((std::vector<int>{picture.width, picture.height}), (std::vector<int>{40000000, 1}));
    if (picture.bgr.size() == 120000000) {
        EXPECT_EQ((std::vector<int>{picture.bgr[0], picture.bgr[3], picture.bgr[picture.bgr.size() - 3]}),
                  (std::vector<int>{0, 0xC0, 0xC0}));
    }
    picture = BgrPicture();

    // The address space all taken: refused, and the program goes on.
    take();
    if (sizeof(void*) == 4) {
        EXPECT_FALSE(LoadWallpaperPicture(path, own, picture, full));
    }
    EXPECT_TRUE(picture.bgr.empty());
    for (void* p : taken) VirtualFree(p, 0, MEM_RELEASE);
    CoUninitialize();
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
