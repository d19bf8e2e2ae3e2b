// The baseline JPEG decoder: sequential DCT, Huffman coding, 8-bit samples,
// one to three components, any restart interval, one scan or several.
// Needs no GL; Texture::loadJpeg decodes with it and then uploads.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace image {

// Pictures larger than this on a side are refused.
constexpr int kMaxJpegSide = 16384;

struct DecodedPicture {
    int width = 0;
    int height = 0;
    int componentCount = 0;
    // width x height pixels of red, green, blue, alpha; rows from the top.
    // Grey is expanded to R = G = B; a two-component picture keeps its two
    // samples in bytes 0 and 1 and zeros in bytes 2 and 3.
    std::vector<unsigned char> pixels;
};

// Decodes the stream held in bytes[0, size). Never reads outside it. On
// refusal returns false, leaves `out` empty (0 x 0) and says why in `reason`
// (a short phrase such as "progressive JPEG is not supported").
bool decodeJpeg(const unsigned char* bytes, std::size_t size, DecodedPicture& out,
                std::string& reason);

}  // namespace image
