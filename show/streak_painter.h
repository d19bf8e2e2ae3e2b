// The show's streak quads painted into a read-back frame on the CPU, to
// exactly the pixels Mesa's llvmpipe gives them: a frame's ten to twenty
// thousand tiny quads cost that rasteriser several times what reading the
// frame back and filling their few pixels here costs. The recorder, which
// reads every frame back anyway, and the live show on llvmpipe paint them
// so, once a frame drawn both ways has shown that the two agree.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "show/streaks.h"

namespace show {

// How a corner that lies exactly half-way between two steps of the
// rasteriser's 1/256-pixel grid is snapped: to the even step, as x86-64
// llvmpipe does, or away from zero, as Debian's 32-bit build does.
enum class SnapTies { toEven, awayFromZero };

// `rgba` is the 1024 by 768 frame as glReadPixels gives it (rows
// bottom first); the quads are painted over it in order, in red, green and
// blue (the window has no alpha to write).
void paintStreaks(const std::vector<StreakQuad>& quads, unsigned char* rgba,
                  SnapTies ties = SnapTies::toEven);

// What drawing a frame's quads both ways showed.
struct PainterVerdict {
    // The way of snapping ties with which the painter gives GL's pixels;
    // empty when neither does.
    std::optional<SnapTies> ties;
    // Where neither does: the first pixel that differs, counted from the top
    // left as an image viewer counts, and its colour from GL and from the
    // painter (snapping ties to even).
    int x = 0;
    int y = 0;
    std::array<unsigned char, 3> gl{};
    std::array<unsigned char, 3> painter{};
};

// Draws `quads` with GL over the 1024 by 768 frame as it stands (which then
// shows GL's streaks) and compares with what the painter makes of the same
// frame, each way of snapping ties.
PainterVerdict drawAndCompare(const std::vector<StreakQuad>& quads);

}  // namespace show
