#include "recorder/yuv_frames.h"

#include <algorithm>

namespace capture {

namespace {

// Plain loops over one row pair, each value in its own, so that the compiler
// can do them many pixels at a time.
void lumaRow(const unsigned char* rgba, int width, unsigned char* y) {
    for (int x = 0; x < width; ++x) {
        const int r = rgba[4 * x], g = rgba[4 * x + 1], b = rgba[4 * x + 2];
        // 16 + 219/255 (0.299 R + 0.587 G + 0.114 B), rounded, in 16 bits.
        y[x] = static_cast<unsigned char>((16829 * r + 33039 * g + 6416 * b + (33 << 15)) >> 16);
    }
}

// `rows` are four rows as they are shown: the pair the chroma row belongs to
// in the middle, a row from each side beyond. Horizontally a pair of pixels
// is averaged; vertically the pair weighs 15/16 and its neighbours 1/16, a
// touch softer than a plain mean, as ffmpeg's own conversion is: the video is
// then no larger for the same fidelity.
void chromaRow(const unsigned char* const rows[4], int width, unsigned char* u, unsigned char* v) {
    const unsigned char* above = rows[0];
    const unsigned char* upper = rows[1];
    const unsigned char* lower = rows[2];
    const unsigned char* below = rows[3];
    for (int x = 0; x < width / 2; ++x) {
        const int i = 8 * x;
        // Each sum is 64 times the mean; the shift below divides by 64 and 256.
        const int r = 15 * (upper[i] + upper[i + 4] + lower[i] + lower[i + 4]) + above[i] +
                      above[i + 4] + below[i] + below[i + 4];
        const int g = 15 * (upper[i + 1] + upper[i + 5] + lower[i + 1] + lower[i + 5]) +
                      above[i + 1] + above[i + 5] + below[i + 1] + below[i + 5];
        const int b = 15 * (upper[i + 2] + upper[i + 6] + lower[i + 2] + lower[i + 6]) +
                      above[i + 2] + above[i + 6] + below[i + 2] + below[i + 6];
        u[x] = static_cast<unsigned char>(((-38 * r - 74 * g + 112 * b + (1 << 13)) >> 14) + 128);
        v[x] = static_cast<unsigned char>(((112 * r - 94 * g - 18 * b + (1 << 13)) >> 14) + 128);
    }
}

}  // namespace

void rgbaToYuv420(const unsigned char* rgba, int width, int height, unsigned char* yuv) {
    const std::size_t stride = std::size_t(width) * 4;
    unsigned char* y = yuv;
    unsigned char* u = y + std::size_t(width) * height;
    unsigned char* v = u + std::size_t(width / 2) * (height / 2);
    for (int row = 0; row + 1 < height; row += 2) {
        // The frame's top row is the last one read back.
        const auto shown = [&](int r) {
            return rgba + stride * (height - 1 - std::clamp(r, 0, height - 1));
        };
        const unsigned char* const rows[4] = {shown(row - 1), shown(row), shown(row + 1),
                                              shown(row + 2)};
        lumaRow(rows[1], width, y + std::size_t(width) * row);
        lumaRow(rows[2], width, y + std::size_t(width) * (row + 1));
        chromaRow(rows, width, u + std::size_t(width / 2) * (row / 2),
                  v + std::size_t(width / 2) * (row / 2));
    }
}

}  // namespace capture
