#include "app/painted_streaks.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>

#include "app/display_window.h"
#if defined(__EMSCRIPTEN__)
#include "platform/web/gl/gl11.h"
#endif

namespace app {

namespace {

constexpr std::size_t kRowBytes = std::size_t{kShowWidth} * 4;
constexpr std::size_t kFrameBytes = kRowBytes * kShowHeight;

}  // namespace

bool paintsStreaksWell() {
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return renderer != nullptr && (std::strstr(renderer, "llvmpipe") != nullptr ||
                                   std::strstr(renderer, "SwiftShader") != nullptr);
}

void PaintedStreaks::streaksMade(std::span<const show::StreakQuad> quads) {
    quads_.assign(quads.begin(), quads.end());
}

void PaintedStreaks::stageDone(show::FrameStage stage) {
#if !defined(__EMSCRIPTEN__)
    // The rasteriser's threads start on the frame so far while the streaks
    // are painted, rather than at the swap.
    if (stage == show::FrameStage::background && state_ == State::painting) glFlush();
#endif
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
#if defined(__EMSCRIPTEN__)
    const auto ways = show::kPageRules;
#else
    const auto ways = show::kWindowRules;
#endif
    const show::PainterVerdict verdict =
        show::drawAndCompare(quads_, ways);  // this frame shows GL's
    state_ = verdict.rule ? State::painting : State::off;
    if (verdict.rule) rule_ = *verdict.rule;
}

// The streaks go into a layer (frame_) that is transparent but for them,
// drawn over the frame: nothing is read back, so the rasteriser can go on
// with the background while they are painted. Only the rows painted last
// time are cleared, and only the rows painted now are drawn.
void PaintedStreaks::paint() {
    if (quads_.empty()) return;
    const show::RowSpan last = layerRows_;
    std::fill(frame_.begin() + static_cast<std::ptrdiff_t>(last.first * kRowBytes),
              frame_.begin() + static_cast<std::ptrdiff_t>(last.end * kRowBytes), 0);
    layerRows_ = show::paintStreakLayer(quads_, frame_.data(), rule_);
    drawLayer();
}

#if defined(__EMSCRIPTEN__)
void PaintedStreaks::drawLayer() {
    webgl::drawLayer(kShowWidth, kShowHeight, frame_.data(), layerRows_.first, layerRows_.end);
}
#else
// The painted rows over the window, pixel for pixel, where the layer is
// opaque: identity matrices, the raster position at the lower-left corner
// and moved up to the first row by a whole number, nothing between the
// pixels and the colour buffer but the alpha test.
void PaintedStreaks::drawLayer() {
    if (layerRows_.first >= layerRows_.end) return;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_NOTEQUAL, 0);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRasterPos2f(-1, -1);
    glBitmap(0, 0, 0, 0, 0, static_cast<GLfloat>(layerRows_.first), nullptr);
    glDrawPixels(kShowWidth, layerRows_.end - layerRows_.first, GL_RGBA, GL_UNSIGNED_BYTE,
                 frame_.data() + static_cast<std::size_t>(layerRows_.first) * kRowBytes);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}
#endif

}  // namespace app
