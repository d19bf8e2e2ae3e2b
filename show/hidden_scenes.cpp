#include "show/hidden_scenes.h"

#include <GL/gl.h>

#include <cmath>

#include "app/clocks.h"
#include "image/texture.h"
#include "mesh/builders.h"
#include "mesh/mesh.h"
#include "platform/data_folder.h"
#include "platform/platform.h"
#include "platform/random.h"
#include "render/gl_state.h"
#include "render/light.h"
#include "render/primitives.h"
#include "render/vector.h"
#include "show/frame_composer.h"

namespace show {

float ringPhase = 0;
float ringShapeTime = 0;
int ringSegments = 5;
float boxSeedTime = 0;
int boxSeed = 39420;

namespace {

// Draws one value from 0 to n - 1.
int draw(int n) {
    return platform::rand() % n;
}

void drawFace(image::Texture& face) {
    render::beginOverlay(1, -1, -1, 1);
    glDisable(GL_TEXTURE_2D);  // for the discs; the quad turns it on for itself
    const int a = draw(1000);
    const int b = draw(1000);
    glScalef(static_cast<float>(b * static_cast<double>(0.002f)),
             static_cast<float>(a * static_cast<double>(0.002f)), 1);
    // Upside down: the picture's first row lies along the lower edge. The
    // streaks read the capture bottom-up and turn it the right way again.
    render::drawTexturedQuad(face, -0.7f, -0.6f, 0.7f, 0.6f);
    render::drawFilledCircle(-0.2f, -0.7f, 0.14f, 20, 0, 0, 0, 1);
    render::drawFilledCircle(0.2f, -0.7f, 0.14f, 20, 0, 0, 0, 1);
    render::endOverlay();
}

void drawRing() {
    glDisable(GL_TEXTURE_2D);
    ringPhase += app::frameDelta;
    ringShapeTime += app::frameDelta;
    // Once a hundredth of a second has gathered, every call gets the chance.
    if (ringShapeTime >= 0.01f && draw(10) < 2) {
        ringSegments = draw(4) + 3;
        ringPhase = static_cast<float>(draw(360000) * static_cast<double>(0.001f));
    }

    mesh::Mesh ring;
    ring.assign(mesh::revolveOutline(3, ringSegments, mesh::makePolygonOutline(1, ringSegments)));
    ring.computeNormals();

    // With the modelview at identity the light sits at the eye.
    render::applyLight(
        {GL_LIGHT1, render::Vec3(0, 0, 0), render::Color4{1, 1, 1, 1}, render::Color4{0, 0, 0, 1}});
    glEnable(GL_LIGHTING);

    const double phase = ringPhase;
    const render::Vec3 rotation(
        static_cast<float>(phase * 8), static_cast<float>(phase * 4),
        static_cast<float>(std::sin(phase * static_cast<double>(0.1f)) * 30));
    ring.draw(render::Vec3(-1, -1, -10), rotation, 1);
    ring.release();
}

// A coordinate from -10 to 9.98 and an angle from 0 to 359.64 degrees.
float drawCoordinate() {
    return static_cast<float>(draw(1000) * static_cast<double>(0.02f) - 10);
}
float drawAngle() {
    return static_cast<float>(draw(1000) * static_cast<double>(0.36f));
}

void drawBoxField() {
    mesh::Mesh box(mesh::makeBox(render::Vec3(1, 1, 1)));
    box.computeNormals();

    boxSeedTime += app::frameDelta;
    if (boxSeedTime >= 0.01f) {
        if (draw(10) < 2) boxSeed += 1;
        boxSeedTime = 0;
    }

    // The same seed gives the same field: it stands still until bumped.
    platform::srand(static_cast<std::uint32_t>(boxSeed));
    for (int i = 0; i < 100; ++i) {
        const float z = drawCoordinate();
        const float y = drawCoordinate();
        const float x = drawCoordinate();
        const float aboutZ = drawAngle();
        const float aboutY = drawAngle();
        const float aboutX = drawAngle();
        box.draw(render::Vec3(x, y, z), render::Vec3(aboutX, aboutY, aboutZ), 1);
    }
    // The rest of the frame draws from the clock, not from the box seed.
    platform::srand(platform::millisecondCounter());
    box.release();
}

}  // namespace

void drawHiddenScene(int mode) {
    // Made on the first call; released at exit while the context is current.
    static image::Texture faceTexture(512, 512);
    if (loadingPass) faceTexture.loadJpeg(platform::dataPath(kFacePath));
    glColor4f(1, 1, 1, 1);
    glDisable(GL_LIGHTING);

    switch (mode) {
        case 0:
            drawFace(faceTexture);
            break;
        case 1:
            drawRing();
            break;
        case 2:
            drawBoxField();
            break;
        default:
            return;
    }
}

}  // namespace show
