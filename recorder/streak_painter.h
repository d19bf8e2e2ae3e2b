// The show's streak quads painted into a read-back frame on the CPU, to
// exactly the pixels Mesa's llvmpipe gives them. The capture reads every
// frame back anyway, and a frame's ten to twenty thousand tiny quads cost the
// rasteriser several times what filling their few pixels costs here.
#pragma once

#include <vector>

#include "show/streaks.h"

namespace capture {

// How a corner that lies exactly half-way between two steps of the
// rasteriser's 1/256-pixel grid is snapped: to the even step, as x86-64
// llvmpipe does, or away from zero, as Debian's 32-bit build does.
enum class SnapTies { toEven, awayFromZero };

// `rgba` is the 1024 by 768 frame as glReadPixels gives it (rows
// bottom first); the quads are painted over it in order, in red, green and
// blue (the window has no alpha to write).
void paintStreaks(const std::vector<show::StreakQuad>& quads, unsigned char* rgba,
                  SnapTies ties = SnapTies::toEven);

}  // namespace capture
