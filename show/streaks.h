// The streak overlay: a hundred streaks that enter at a random edge and run
// straight across the screen, in quads of random colour whose width is the
// brightness of the capture under them.
#pragma once

#include <cstdint>
#include <vector>

namespace show {

// `capture` is the 640 by 480 RGBA capture, rows bottom-up.
void drawStreaks(const unsigned char* capture);

// Quads of zero width draw nothing and are not sent. Set, they are sent as
// the show first did: the benchmark and the tests compare the two ways.
extern bool streaksSendEmptyQuads;

// A streak quad as it would be sent: two opposite corners in overlay units
// (640 by 480, y down; the quad is the rectangle between them) and its colour.
struct StreakQuad {
    float x0, y0, x2, y2;
    std::uint8_t red, green, blue;
    bool operator==(const StreakQuad&) const = default;
};

// Set, the quads are appended here instead of being sent to GL, for a caller
// that draws them itself into a frame it reads back anyway (the capture).
extern std::vector<StreakQuad>* streakQuadSink;

// Sends the quads to GL in the streaks' overlay, as a frame does.
void sendStreakQuads(const std::vector<StreakQuad>& quads);

}  // namespace show
