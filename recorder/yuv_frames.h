// Frames as the encoder takes them: 8-bit YUV 4:2:0 in three planes (Y, then
// U, then V), rows top first, with studio-range BT.601 colours as ffmpeg
// converts RGB by default. Made here, a frame crosses the pipe at less than
// half the bytes of RGBA and the encoder needs no conversion of its own.
#pragma once

#include <cstddef>

namespace capture {

// Bytes of a width by height frame in this form.
constexpr std::size_t yuv420Size(int width, int height) {
    return std::size_t(width) * height + 2 * (std::size_t(width / 2) * (height / 2));
}

// `rgba` has its rows bottom first, as GL reads them; width and height are
// even. Each chroma sample is made from its 2x2 block and, a little, the rows
// above and below it.
void rgbaToYuv420(const unsigned char* rgba, int width, int height, unsigned char* yuv);

}  // namespace capture
