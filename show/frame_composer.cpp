#include "show/frame_composer.h"

#include <GL/gl.h>

#include "app/clocks.h"
#include "image/texture.h"
#include "platform/data_folder.h"
#include "platform/random.h"
#include "render/gl_state.h"
#include "render/primitives.h"
#include "show/frame_observer.h"
#include "show/hidden_scenes.h"
#include "show/streaks.h"

// Numbers follow one rule throughout the show: constants are floats, a chain
// of arithmetic on them runs in double, and the result is stored as a float.

namespace show {

unsigned char captureBuffer[kCaptureBytes] = {};
int backgroundIndex = 1;
float zoomTime = 0;
bool ringOn = false;
float ringSwitchTime = 0;
bool boxesOn = false;
float boxesSwitchTime = 0;
bool loadingPass = false;

namespace {

// From 5 s the ring, and from 15 s the boxes, get a chance to flip about
// every hundredth of a second: at most one chance per frame, and the
// accumulator starts again from 0 whatever the frame time was.
bool timelineChance(float& switchTime) {
    switchTime += app::frameDelta;
    if (!(switchTime > 0.01f)) return false;
    switchTime = 0;
    return true;
}

void clipToCapture(bool on) {
    if (on) {
        glScissor(0, 0, kCaptureWidth, kCaptureHeight);
        glEnable(GL_SCISSOR_TEST);
    } else {
        glDisable(GL_SCISSOR_TEST);
    }
}

}  // namespace

void composeFrame(FrameObserver* observer) {
    const auto scene = [observer](int mode) {
        drawHiddenScene(mode);
        if (observer != nullptr) observer->sceneDrawn(mode);
    };
    const auto stageDone = [observer](FrameStage stage) {
        if (observer != nullptr) observer->stageDone(stage);
    };
    app::showTime = static_cast<float>(app::showClock.elapsed());
    app::frameDelta = app::frameClock.lap();
    glViewport(0, 0, 1024, 768);
    // The hidden scenes reach the screen only through the capture, and the
    // clear after it wipes the rest: the rasteriser need only fill that corner.
    clipToCapture(true);

    if (!ringOn) scene(0);

    // Three frames in ten choose a background afresh (maybe the same one).
    zoomTime += app::frameDelta;
    if (platform::rand() % 10 < 3) {
        zoomTime = 0;
        backgroundIndex = platform::rand() % 5 + 1;
    }

    if (app::showTime >= 5 && app::showTime < 200) {
        if (timelineChance(ringSwitchTime) && platform::rand() % 10 < 3) ringOn = !ringOn;
        if (ringOn) scene(1);
    }
    if (app::showTime >= 15 && app::showTime < 200) {
        if (timelineChance(boxesSwitchTime) && platform::rand() % 10 == 0) boxesOn = !boxesOn;
        if (boxesOn) scene(2);
    }
    stageDone(FrameStage::hiddenScenes);

    glReadPixels(0, 0, kCaptureWidth, kCaptureHeight, GL_RGBA, GL_UNSIGNED_BYTE, captureBuffer);
    clipToCapture(false);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    stageDone(FrameStage::capture);

    // Made on the first call, after the face picture; statics are released
    // at exit in reverse order, so these go first, while the GL context is
    // still current (the platform never tears it down).
    static image::Texture backgrounds[7];
    if (loadingPass) {
        for (int slot = 1; slot <= 6; ++slot) {
            backgrounds[slot].loadJpeg(platform::dataPath(kBackgroundPaths[slot - 1]));
        }
    }

    render::beginOverlay(1, -1, -1, 1);
    glColor3f(0.2f, 0.2f, 0.2f);  // a fifth of the picture's brightness
    const float zoom = static_cast<float>(zoomTime * static_cast<double>(0.1f) + 1.0);
    glScalef(zoom, zoom, 1);
    render::drawTexturedQuad(backgrounds[backgroundIndex], 1, -1, -1, 1);
    render::endOverlay();
    if (observer != nullptr) observer->backgroundDrawn(backgroundIndex, zoom);
    stageDone(FrameStage::background);

    drawStreaks(captureBuffer, observer);
    stageDone(FrameStage::streaks);
}

}  // namespace show
