// The streak overlay: a hundred streaks that enter at a random edge and run
// straight across the screen, in quads of random colour whose width is the
// brightness of the capture under them.
#pragma once

#include <cstdint>
#include <vector>

namespace show {

class FrameObserver;

// `capture` is the 640 by 480 RGBA capture, rows bottom-up. The observer, if
// any, is handed the quads; it may draw them itself or ask for those of no
// width too.
void drawStreaks(const unsigned char* capture, FrameObserver* observer = nullptr);

// A streak quad as it would be sent: two opposite corners in overlay units
// (640 by 480, y down; the quad is the rectangle between them) and its colour.
struct StreakQuad {
    float x0, y0, x2, y2;
    std::uint8_t red, green, blue;
    bool operator==(const StreakQuad&) const = default;
};

// Sends the quads to GL in the streaks' overlay, as a frame does.
void sendStreakQuads(const std::vector<StreakQuad>& quads);

}  // namespace show
