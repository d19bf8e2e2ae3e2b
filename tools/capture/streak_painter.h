// The show's streak quads painted into a read-back frame on the CPU, to
// exactly the pixels Mesa's llvmpipe gives them. The capture reads every
// frame back anyway, and a frame's ten to twenty thousand tiny quads cost the
// rasteriser several times what filling their few pixels costs here.
#pragma once

#include <vector>

#include "show/streaks.h"

namespace capture {

// `rgba` is the 1024 by 768 frame as glReadPixels gives it (rows
// bottom first); the quads are painted over it in order, in red, green and
// blue (the window has no alpha to write).
void paintStreaks(const std::vector<show::StreakQuad>& quads, unsigned char* rgba);

}  // namespace capture
