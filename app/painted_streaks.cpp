#include "app/painted_streaks.h"

#include <GL/gl.h>

#include <cstring>

#include "app/display_window.h"

namespace app {

namespace {

constexpr std::size_t kFrameBytes = std::size_t{kShowWidth} * kShowHeight * 4;

void readFrame(unsigned char* rgba) {
    glReadPixels(0, 0, kShowWidth, kShowHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

}  // namespace

bool paintsStreaksWell() {
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return renderer != nullptr && std::strstr(renderer, "llvmpipe") != nullptr;
}

void PaintedStreaks::streaksMade(std::span<const show::StreakQuad> quads) {
    quads_.assign(quads.begin(), quads.end());
}

void PaintedStreaks::stageDone(show::FrameStage stage) {
    if (stage != show::FrameStage::streaks || state_ == State::off) return;
    if (state_ == State::unchecked) {
        check();
    } else {
        paint();
    }
}

void PaintedStreaks::check() {
    if (!paintsStreaksWell()) {
        state_ = State::off;
        show::sendStreakQuads(quads_);
        return;
    }
    // A frame without streaks tells nothing; the next one is checked.
    if (quads_.empty()) return;
    frame_.resize(kFrameBytes);
    readFrame(frame_.data());
    show::sendStreakQuads(quads_);  // this frame shows GL's streaks
    std::vector<unsigned char> drawn(kFrameBytes);
    readFrame(drawn.data());
    // The window has no alpha: red, green and blue must agree.
    const auto same = [&](const std::vector<unsigned char>& painted) {
        for (std::size_t i = 0; i < kFrameBytes; ++i) {
            if (i % 4 != 3 && painted[i] != drawn[i]) return false;
        }
        return true;
    };
    for (const capture::SnapTies ties :
         {capture::SnapTies::toEven, capture::SnapTies::awayFromZero}) {
        std::vector<unsigned char> candidate = frame_;
        capture::paintStreaks(quads_, candidate.data(), ties);
        if (same(candidate)) {
            ties_ = ties;
            state_ = State::painting;
            return;
        }
    }
    state_ = State::off;
}

void PaintedStreaks::paint() {
    if (quads_.empty()) return;
    readFrame(frame_.data());
    capture::paintStreaks(quads_, frame_.data(), ties_);
    writeBack();
}

// The painted frame over the window, pixel for pixel: identity matrices, the
// raster position at the lower-left corner, nothing between the pixels and
// the colour buffer.
void PaintedStreaks::writeBack() {
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRasterPos2f(-1, -1);
    glDrawPixels(kShowWidth, kShowHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame_.data());
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

}  // namespace app
