#include "show/streaks.h"

#include <GL/gl.h>

#include "platform/random.h"
#include "render/gl_state.h"
#include "render/vector.h"
#include "show/frame_composer.h"
#include "show/frame_observer.h"

namespace show {

namespace {

constexpr int kPixelCount = kCaptureWidth * kCaptureHeight;

// The streak's width factor at an overlay point: the mean of the captured
// pixel's channels, from 0 (black) to 2.5 (white). Overlay y runs down the
// screen while the capture's rows run up, so the capture shows mirrored.
float widthAt(const unsigned char* capture, const render::Vec3& point) {
    int index = static_cast<int>(point.x) + static_cast<int>(point.y) * kCaptureWidth;
    // The row y = 480 and the corner (640, 479) lie past the capture: they
    // read its last pixel.
    if (index >= kPixelCount) index = kPixelCount - 1;
    const unsigned char* pixel = capture + static_cast<std::size_t>(index) * 4;
    const double k = 0.003921569f;  // 1/255
    const double sum = pixel[2] * k + pixel[1] * k + pixel[0] * k;
    return static_cast<float>(sum * static_cast<double>(0.33333334f) * 2.5);
}

// Where a streak enters and which way it runs, by edge: top, bottom, left, right.
void chooseEntry(render::Vec3& entryPoint, render::Vec3& direction) {
    switch (platform::rand() % 4) {
        case 0:
            entryPoint.set(static_cast<float>(platform::rand() % 640), 0, 0);
            direction.set(0, 1, 0);
            break;
        case 1:
            entryPoint.set(static_cast<float>(platform::rand() % 640), 480, 0);
            direction.set(0, -1, 0);
            break;
        case 2:
            entryPoint.set(0, static_cast<float>(platform::rand() % 480), 0);
            direction.set(1, 0, 0);
            break;
        default:
            entryPoint.set(640, static_cast<float>(platform::rand() % 480), 0);
            direction.set(-1, 0, 0);
            break;
    }
}

// base + w * side (+ step), in double, stored as a float.
float corner(float base, float w, float side, float step = 0) {
    return static_cast<float>(base + static_cast<double>(w) * side + step);
}

}  // namespace

void drawStreaks(const unsigned char* capture, FrameObserver* observer) {
    const bool withEmpty = observer != nullptr && observer->wantsEmptyQuads();
    // Kept from frame to frame, so that a frame allocates nothing.
    static std::vector<StreakQuad> quads;
    quads.clear();
    for (int streak = 0; streak < 100; ++streak) {
        render::Vec3 entryPoint;
        render::Vec3 direction;
        chooseEntry(entryPoint, direction);
        const render::Vec3 step = direction.withLength(2);
        // A quarter turn: on screen the width grows to the left of travel.
        const render::Vec3 side(step.y, -step.x, 0);

        // Whole-number starts and steps of exactly 2 keep the walk exact:
        // 241 steps down or up the screen, 321 across it.
        render::Vec3 point = entryPoint;
        while (point.x >= 0 && point.y >= 0 && point.x <= 640 && point.y <= 480) {
            const float w = widthAt(capture, point);
            const int blue = platform::rand() % 256;
            const int green = platform::rand() % 256;
            const int red = platform::rand() % 256;
            // Over black the quad has no width and draws nothing; about half
            // of all quads are such, and the rasteriser's set-up for them
            // costs as much as a drawn one. Its colour draws are still made.
            if (w != 0 || withEmpty) {
                quads.push_back({point.x, point.y, corner(point.x, w, side.x, step.x),
                                 corner(point.y, w, side.y, step.y), static_cast<std::uint8_t>(red),
                                 static_cast<std::uint8_t>(green),
                                 static_cast<std::uint8_t>(blue)});
            }
            point.add(step);
        }
    }
    if (observer != nullptr) observer->streaksMade(quads);
    if (observer == nullptr || !observer->drawsStreaks()) sendStreakQuads(quads);
}

void sendStreakQuads(const std::vector<StreakQuad>& quads) {
    render::beginOverlay(0, 0, 480, 640);
    // Some quads wind clockwise on screen: with culling on they would not show.
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glBegin(GL_QUADS);
    for (const StreakQuad& quad : quads) {
        glColor4ub(quad.red, quad.green, quad.blue, 1);
        glVertex2f(quad.x0, quad.y0);
        glVertex2f(quad.x2, quad.y0);
        glVertex2f(quad.x2, quad.y2);
        glVertex2f(quad.x0, quad.y2);
    }
    glEnd();
    render::endOverlay();
}

}  // namespace show
