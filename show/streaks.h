// The streak overlay: a hundred streaks that enter at a random edge and run
// straight across the screen, in quads of random colour whose width is the
// brightness of the capture under them.
#pragma once

namespace show {

// `capture` is the 640 by 480 RGBA capture, rows bottom-up.
void drawStreaks(const unsigned char* capture);

// Quads of zero width draw nothing and are not sent. Set, they are sent as
// the show first did: the benchmark and the tests compare the two ways.
extern bool streaksSendEmptyQuads;

}  // namespace show
