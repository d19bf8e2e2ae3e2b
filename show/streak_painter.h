// The show's streak quads painted into a read-back frame on the CPU, to
// exactly the pixels Mesa's llvmpipe gives them: a frame's ten to twenty
// thousand tiny quads cost that rasteriser several times what reading the
// frame back and filling their few pixels here costs. The recorder, which
// reads every frame back anyway, the live show on llvmpipe and the page paint
// them so, once a frame drawn both ways has shown that the two agree.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <vector>

#include "show/streaks.h"

namespace show {

// How the rasteriser snaps a quad's corners to its grid. A pixel whose
// centre lies on an edge is in on the left and lower edges, as all of these
// count them in the grid's own direction.
enum class GridRule {
    // llvmpipe into a window: 1/256-pixel steps counted down from the top, a
    // corner exactly half-way between two steps snapped to the even one, as
    // x86-64 Mesa does,
    toEven,
    // or away from zero, as Debian's 32-bit build does.
    awayFromZero,
    // llvmpipe into a framebuffer object (Firefox's WebGL): steps counted up
    // from the bottom, so a few edges land in the next row.
    framebufferObject,
    // SwiftShader (Chromium's WebGL): 1/16-pixel steps.
    sixteenths,
};

// The ways tried, in order, in a native window and in the page, whose GL
// always draws into a framebuffer object.
inline constexpr std::array<GridRule, 2> kWindowRules = {GridRule::toEven, GridRule::awayFromZero};
inline constexpr std::array<GridRule, 4> kPageRules = {
    GridRule::framebufferObject, GridRule::sixteenths, GridRule::toEven, GridRule::awayFromZero};

// `rgba` is the 1024 by 768 frame as glReadPixels gives it (rows
// bottom first); the quads are painted over it in order, in red, green and
// blue (the window has no alpha to write).
void paintStreaks(const std::vector<StreakQuad>& quads, unsigned char* rgba,
                  GridRule rule = GridRule::toEven);

// Rows [first, end) of the frame, counted from the bottom.
struct RowSpan {
    int first = 0;
    int end = 0;
};

// As paintStreaks, into a layer over the frame: the painted pixels also
// become opaque (alpha 255). Gives the rows painted (empty where none).
RowSpan paintStreakLayer(const std::vector<StreakQuad>& quads, unsigned char* rgba, GridRule rule);

// What drawing a frame's quads each way showed.
struct PainterVerdict {
    // The first rule with which the painter gives GL's pixels; empty when
    // none does.
    std::optional<GridRule> rule;
    // Where none does: the first pixel that differs, counted from the top
    // left as an image viewer counts, and its colour from GL and from the
    // painter (the first way tried).
    int x = 0;
    int y = 0;
    std::array<unsigned char, 3> gl{};
    std::array<unsigned char, 3> painter{};
};

// Draws `quads` with GL over the 1024 by 768 frame as it stands (which then
// shows GL's streaks) and compares with what the painter makes of the same
// frame, each of the `ways` in turn.
PainterVerdict drawAndCompare(const std::vector<StreakQuad>& quads,
                              std::span<const GridRule> ways = kWindowRules);

}  // namespace show
