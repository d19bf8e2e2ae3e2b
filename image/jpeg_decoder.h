// The baseline JPEG decoder: sequential DCT, Huffman coding, 8-bit samples,
// one to three components, any restart interval, one scan or several.
// A picture in one scan is turned into pixels one MCU row at a time, while
// that row's samples are still in the cache, so the memory it needs beside
// its output is a band of rows whatever its size. Needs no GL;
// Texture::loadJpeg decodes with it straight into its texture image.
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

// Receives a picture as it is decoded, a band of rows at a time, top to
// bottom, so that a caller can put the rows where they belong (a texture, a
// file) without a whole decoded picture in between.
class RowSink {
  public:
    virtual ~RowSink() = default;
    // Once, after the headers and before any picture data is decoded.
    // Rows come in bands of at most bandRows. Returning false refuses the
    // picture (the decode then fails with "refused by the reader").
    virtual bool begin(int width, int height, int componentCount, int bandRows) = 0;
    // Where row y goes: width x 4 bytes, laid out as in DecodedPicture, or
    // without the fourth byte of each pixel when rgbRows says so. Every row
    // is asked for once, in order.
    virtual unsigned char* row(int y) = 0;
    // Whether rows are width x 3 bytes (asked after begin).
    virtual bool rgbRows() const { return false; }
    // Rows first to first + count - 1 are written.
    virtual void rowsDone(int first, int count) = 0;
};

// Decodes the stream held in bytes[0, size) into `sink`. Never reads outside
// it. On refusal returns false and says why in `reason` (a short phrase such
// as "progressive JPEG is not supported"); rows may have reached the sink
// before a damaged part of the data was found.
bool decodeJpeg(const unsigned char* bytes, std::size_t size, RowSink& sink, std::string& reason);

// The same into one buffer. On refusal leaves `out` empty (0 x 0).
bool decodeJpeg(const unsigned char* bytes, std::size_t size, DecodedPicture& out,
                std::string& reason);

}  // namespace image
