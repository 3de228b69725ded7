// libFuzzer target: any bytes through the BMP decoder. It must refuse or decode without
// reading or writing out of bounds; a decoded picture's pixels are all touched.
#include <cstddef>
#include <cstdint>

#include "renderer/image/dib_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RgbImage* image = nullptr;
    if (DecodeDib(data, size, &image) == DibError::None) {
        unsigned sum = 0;
        const size_t bytes = static_cast<size_t>(image->width) * image->height * 3;
        for (size_t i = 0; i < bytes; ++i) sum += image->data[i];
        volatile unsigned sink = sum;
        (void)sink;
        FreeRgbImage(image);
    }
    return 0;
}
