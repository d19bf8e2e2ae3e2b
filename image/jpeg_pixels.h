// From coefficients to pixels: the zig-zag order, the AAN inverse DCT with
// its prescale, the level shift and the YCbCr conversion. The arithmetic is
// exact to the operation: every path gives the results of the plain scalar
// formulas bit for bit.
#pragma once

#include <cstdint>
#include <vector>

namespace image::jpeg {

// zigZagOrder[8r + c]: position in the coefficient sequence of row r, column c.
extern const std::uint8_t zigZagOrder[64];
// naturalOrder[k]: row-major index of the k-th coefficient of the sequence.
extern const std::uint8_t naturalOrder[64];
// AAN prescale: 1 and sqrt(2) cos(k pi / 16) for k = 1 to 7, as floats.
extern const float aanFactors[8];

// The one-dimensional AAN step on all columns, then on all rows, in place,
// single precision, no output scaling. The reference for the fast path.
void inverseDct(float block[64]);

// A transformed value to a sample: truncate, shift right by 3 (floor
// division by 8), add 128, clamp to 0 to 255. Values far outside any real
// picture saturate instead of overflowing the conversion.
inline std::uint8_t levelShift(float value) {
    if (value > 1.0e6f) value = 1.0e6f;
    if (value < -1.0e6f) value = -1.0e6f;
    const int p = (static_cast<int>(value) >> 3) + 128;
    return static_cast<std::uint8_t>(p < 0 ? 0 : (p > 255 ? 255 : p));
}

// Transforms a block of quantised coefficients (natural order, 16-byte
// aligned; left all zero for the next block): each is dequantised and
// prescaled as ((value quant) row factor) column factor, then the block goes
// through inverseDct and its 8 rows of level-shifted samples go to `out`,
// `stride` bytes apart. `quant` is in natural order and 16-byte aligned.
// rightHalfZero: the caller knows that columns 4 to 7 hold only zeros.
void transformBlock(float* block, const float* quant, std::uint8_t* out, int stride,
                    bool rightHalfZero = false);

// YCbCr to RGBA with truncation, as the double-precision formulas
//   R = 1.402f Cr' + Y, G = (Y - 0.34414f Cb') - 0.71414f Cr', B = 1.772f Cb' + Y
// (Cb' = Cb - 128, Cr' = Cr - 128) truncated and clamped. Exact because every
// product and sum of those formulas is exact in double.
void convertYCbCr(std::uint8_t y, std::uint8_t cb, std::uint8_t cr, std::uint8_t rgba[4]);

// Converts rows of YCbCr samples to RGBA (or RGB) with the same results as
// convertYCbCr. Keeps the chroma terms of the last row for the next one.
class YCbCrConverter {
  public:
    // `count` pixels; chroma sample i / chromaStep serves pixel i
    // (chromaStep 1 or 2). pixelBytes 4 writes RGBA, 3 RGB.
    void convertRow(const std::uint8_t* y, const std::uint8_t* cb, const std::uint8_t* cr,
                    int chromaStep, int count, std::uint8_t* out, int pixelBytes = 4);
    // For callers that reuse one buffer for different chroma rows.
    void forgetChroma() { lastCb_ = lastCr_ = nullptr; }

  private:
    std::vector<std::int16_t> red_;
    std::vector<std::int16_t> green_;
    std::vector<std::int16_t> blue_;
    const std::uint8_t* lastCb_ = nullptr;
    const std::uint8_t* lastCr_ = nullptr;
    int lastStep_ = 0;
};

}  // namespace image::jpeg
