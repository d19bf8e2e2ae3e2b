#include "show/streak_painter.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace show {

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// Overlay units to the rasteriser's fixed point, rounded step by step as the
// pipeline rounds: the orthographic matrix in float, the vertex transform,
// the viewport (whose y scale runs down the window, fused multiply-add), the
// half-pixel shift and the snap to 1/256 of a pixel. Pixel k's centre is
// then at k * 256, rows counted from the top.
int snap(float window, SnapTies ties) {
    const float fixed = (window - 0.5f) * 256.0f;
    if (ties == SnapTies::toEven) return static_cast<int>(std::nearbyint(fixed));
    return static_cast<int>(fixed >= 0 ? fixed + 0.5f : fixed - 0.5f);
}
int fixedX(float x, SnapTies ties) {
    const float clip = x * (2.0f / 640.0f) + -1.0f;
    return snap(clip * 512.0f + 512.0f, ties);
}
int fixedY(float y, SnapTies ties) {
    const float product = y * (2.0f / (0.0f - 480.0f));
    const float clip = product + 1.0f;
    return snap(std::fmaf(clip, -384.0f, 384.0f), ties);
}

// The pixels [first, end) whose centres lie between two edges. A centre on
// the left edge is inside and one on the right edge outside; for rows, one on
// the upper edge is outside and one on the lower edge inside.
void columns(int a, int b, int& first, int& end) {
    if (a > b) std::swap(a, b);
    first = std::clamp(a <= 0 ? 0 : (a + 255) / 256, 0, kWidth);
    end = std::clamp(b <= 0 ? 0 : (b + 255) / 256, first, kWidth);
}
void rows(int a, int b, int& first, int& end) {
    if (a > b) std::swap(a, b);
    first = std::clamp(a < 0 ? 0 : a / 256 + 1, 0, kHeight);
    end = std::clamp(b < 0 ? 0 : b / 256 + 1, first, kHeight);
}

}  // namespace

void paintStreaks(const std::vector<StreakQuad>& quads, unsigned char* rgba, SnapTies ties) {
    for (const show::StreakQuad& quad : quads) {
        int left = 0, right = 0, top = 0, bottom = 0;
        columns(fixedX(quad.x0, ties), fixedX(quad.x2, ties), left, right);
        rows(fixedY(quad.y0, ties), fixedY(quad.y2, ties), top, bottom);
        for (int row = top; row < bottom; ++row) {
            unsigned char* pixel = rgba + (std::size_t{kHeight - 1} - row) * kWidth * 4 + left * 4;
            for (int x = left; x < right; ++x, pixel += 4) {
                pixel[0] = quad.red;
                pixel[1] = quad.green;
                pixel[2] = quad.blue;
            }
        }
    }
}

PainterVerdict drawAndCompare(const std::vector<StreakQuad>& quads) {
    constexpr std::size_t kBytes = std::size_t{kWidth} * kHeight * 4;
    std::vector<unsigned char> background(kBytes);
    std::vector<unsigned char> drawn(kBytes);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, background.data());
    sendStreakQuads(quads);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, drawn.data());
    // The first pixel (red, green or blue: the window has no alpha) where
    // `painted` differs from GL's.
    const auto difference = [&](const std::vector<unsigned char>& painted) {
        for (std::size_t i = 0; i < kBytes; ++i) {
            if (i % 4 != 3 && painted[i] != drawn[i]) return i / 4 * 4;
        }
        return kBytes;
    };
    PainterVerdict verdict;
    for (const SnapTies ties : {SnapTies::toEven, SnapTies::awayFromZero}) {
        std::vector<unsigned char> painted = background;
        paintStreaks(quads, painted.data(), ties);
        const std::size_t at = difference(painted);
        if (at == kBytes) {
            verdict.ties = ties;
            return verdict;
        }
        if (ties == SnapTies::toEven) {
            // Rows come bottom first in the read-back.
            verdict.x = static_cast<int>(at / 4 % kWidth);
            verdict.y = kHeight - 1 - static_cast<int>(at / 4 / kWidth);
            verdict.gl = {drawn[at], drawn[at + 1], drawn[at + 2]};
            verdict.painter = {painted[at], painted[at + 1], painted[at + 2]};
        }
    }
    return verdict;
}

}  // namespace show
