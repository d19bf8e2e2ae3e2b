// The frames the encoder is given: studio-range colours, the rows turned top
// first, and each chroma sample where its pixels are.
#include "recorder/yuv_frames.h"
#include "tests/support/test.h"

namespace {

using Rgb = std::array<int, 3>;

// A width by height frame as GL reads it (bottom row first), painted by
// `colour(x, y)` with y counted from the top as shown.
std::vector<unsigned char> frame(int width, int height,
                                 const std::function<Rgb(int, int)>& colour) {
    std::vector<unsigned char> rgba(std::size_t(width) * height * 4, 255);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, y);
            unsigned char* p = &rgba[(std::size_t(height - 1 - y) * width + x) * 4];
            for (int k = 0; k < 3; ++k) p[k] = static_cast<unsigned char>(c[k]);
        }
    }
    return rgba;
}

}  // namespace

TEST(YuvFrames, ColoursAreStudioRangeAndEachSampleStaysWhereItsPixelsAre) {
    // Flat frames: each colour in every sample as ffmpeg converts it.
    const std::pair<Rgb, Rgb> flat[] = {
        {{0, 0, 0}, {16, 128, 128}},   {{255, 255, 255}, {235, 128, 128}},
        {{255, 0, 0}, {81, 90, 240}},  {{0, 255, 0}, {145, 54, 34}},
        {{0, 0, 255}, {41, 240, 110}}, {{128, 128, 128}, {126, 128, 128}},
    };
    for (const auto& [rgb, yuv] : flat) {
        std::vector<unsigned char> out(capture::yuv420Size(6, 4));
        capture::rgbaToYuv420(frame(6, 4, [&](int, int) { return rgb; }).data(), 6, 4, out.data());
        const auto count = [&](int value, std::size_t from, std::size_t to) {
            return std::count(out.begin() + from, out.begin() + to, value);
        };
        EXPECT_EQ(count(yuv[0], 0, 24), 24) << rgb[0] << " " << rgb[1] << " " << rgb[2];
        EXPECT_EQ(count(yuv[1], 24, 30), 6) << rgb[0] << " " << rgb[1] << " " << rgb[2];
        EXPECT_EQ(count(yuv[2], 30, 36), 6) << rgb[0] << " " << rgb[1] << " " << rgb[2];
    }
    // A black 4x4 frame, blue in its top left 2x2 block and red in its bottom
    // right pixel: each block's chroma sample holds its colour, the one above
    // or below a sixteenth of it, the others none.
    std::vector<unsigned char> out(capture::yuv420Size(4, 4));
    const auto colour = [](int x, int y) {
        return Rgb{x == 3 && y == 3 ? 255 : 0, 0, x < 2 && y < 2 ? 255 : 0};
    };
    capture::rgbaToYuv420(frame(4, 4, colour).data(), 4, 4, out.data());
    const std::vector<int> expected = {41, 41, 16, 16, 41,  41,  16,  16,  16,  16,  16,  16,
                                       16, 16, 16, 81, 236, 128, 131, 119, 111, 128, 127, 156};
    EXPECT_EQ(std::vector<int>(out.begin(), out.end()), expected);
}
