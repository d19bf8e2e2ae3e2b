// libFuzzer entry: any bytes, as a whole file in memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/jpeg_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    image::DecodedPicture picture;
    std::string reason;
    if (image::decodeJpeg(data, size, picture, reason)) {
        if (picture.pixels.size() != static_cast<std::size_t>(picture.width) *
                                         static_cast<std::size_t>(picture.height) * 4) {
            __builtin_trap();
        }
        // Read every byte: a picture shorter than it claims fails here.
        unsigned sum = 0;
        for (unsigned char b : picture.pixels) sum += b;
        asm volatile("" : : "r"(sum));
    } else if (reason.empty()) {
        __builtin_trap();
    }
    return 0;
}
