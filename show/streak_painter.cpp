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
// the viewport (fused multiply-add; a window's y scale runs down), the
// half-pixel shift and the snap to the grid. Pixel k's centre is then at
// k * step, rows counted from the top (from the bottom into a framebuffer
// object).
int step(GridRule rule) {
    return rule == GridRule::sixteenths ? 16 : 256;
}
int snap(float window, GridRule rule) {
    const float fixed = (window - 0.5f) * static_cast<float>(step(rule));
    if (rule != GridRule::awayFromZero) return static_cast<int>(std::nearbyint(fixed));
    return static_cast<int>(fixed >= 0 ? fixed + 0.5f : fixed - 0.5f);
}
int fixedX(float x, GridRule rule) {
    const float clip = x * (2.0f / 640.0f) + -1.0f;
    return snap(clip * 512.0f + 512.0f, rule);
}
int fixedY(float y, GridRule rule) {
    const float product = y * (2.0f / (0.0f - 480.0f));
    const float clip = product + 1.0f;
    if (rule == GridRule::framebufferObject) return snap(std::fmaf(clip, 384.0f, 384.0f), rule);
    return snap(std::fmaf(clip, -384.0f, 384.0f), rule);
}

// The pixels [first, end) whose centres lie between two edges, `a` and `b`
// in steps of `unit`. Where the grid counts up, a centre on the lower (or
// left) edge is inside and one on the upper edge outside; where it counts
// down from the top, one on the upper edge is outside and one on the lower
// edge inside.
void upward(int a, int b, int unit, int limit, int& first, int& end) {
    if (a > b) std::swap(a, b);
    first = std::clamp(a <= 0 ? 0 : (a + unit - 1) / unit, 0, limit);
    end = std::clamp(b <= 0 ? 0 : (b + unit - 1) / unit, first, limit);
}
void downward(int a, int b, int unit, int& first, int& end) {
    if (a > b) std::swap(a, b);
    first = std::clamp(a < 0 ? 0 : a / unit + 1, 0, kHeight);
    end = std::clamp(b < 0 ? 0 : b / unit + 1, first, kHeight);
}

// The quads in order; `opaque` also sets alpha. Gives the rows painted,
// counted from the bottom.
RowSpan paint(const std::vector<StreakQuad>& quads, unsigned char* rgba, GridRule rule,
              bool opaque) {
    RowSpan painted{kHeight, 0};
    const int unit = step(rule);
    const bool up = rule == GridRule::framebufferObject;
    for (const show::StreakQuad& quad : quads) {
        int left = 0, right = 0, first = 0, end = 0;
        upward(fixedX(quad.x0, rule), fixedX(quad.x2, rule), unit, kWidth, left, right);
        const int y0 = fixedY(quad.y0, rule), y2 = fixedY(quad.y2, rule);
        if (up) {
            upward(y0, y2, unit, kHeight, first, end);
        } else {
            downward(y0, y2, unit, first, end);
        }
        if (left == right || first == end) continue;
        const int bottom = up ? first : kHeight - end;
        painted.first = std::min(painted.first, bottom);
        painted.end = std::max(painted.end, bottom + end - first);
        for (int row = first; row < end; ++row) {
            const auto fromBottom = static_cast<std::size_t>(up ? row : kHeight - 1 - row);
            unsigned char* pixel = rgba + fromBottom * kWidth * 4 + left * 4;
            for (int x = left; x < right; ++x, pixel += 4) {
                pixel[0] = quad.red;
                pixel[1] = quad.green;
                pixel[2] = quad.blue;
                if (opaque) pixel[3] = 255;
            }
        }
    }
    if (painted.first >= painted.end) painted = {0, 0};
    return painted;
}

}  // namespace

void paintStreaks(const std::vector<StreakQuad>& quads, unsigned char* rgba, GridRule rule) {
    paint(quads, rgba, rule, false);
}

RowSpan paintStreakLayer(const std::vector<StreakQuad>& quads, unsigned char* rgba, GridRule rule) {
    return paint(quads, rgba, rule, true);
}

PainterVerdict drawAndCompare(const std::vector<StreakQuad>& quads,
                              std::span<const GridRule> ways) {
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
    for (const GridRule rule : ways) {
        std::vector<unsigned char> painted = background;
        paintStreaks(quads, painted.data(), rule);
        const std::size_t at = difference(painted);
        if (at == kBytes) {
            verdict.rule = rule;
            return verdict;
        }
        if (rule == ways.front()) {
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
