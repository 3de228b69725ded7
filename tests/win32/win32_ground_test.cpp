// The wallpaper's reading where a 32-bit program's sums wrap: headers whose offsets point outside
// their bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "saver/ground/picture_header.h"

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

}  // namespace
