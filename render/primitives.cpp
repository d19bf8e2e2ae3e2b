#include "render/primitives.h"

#include <GL/gl.h>

#include <cmath>

namespace render {

void drawTexturedQuad(image::Texture& texture, float top, float left, float bottom, float right) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    texture.bind();
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, texture.vExtent);
    glVertex2f(left, bottom);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(left, top);
    glTexCoord2f(texture.uExtent, 0.0f);
    glVertex2f(right, top);
    glTexCoord2f(texture.uExtent, texture.vExtent);
    glVertex2f(right, bottom);
    glEnd();
    glPopAttrib();
}

void drawFilledCircle(float centreX, float centreY, float radius, int segments, float red,
                      float green, float blue, float alpha) {
    glColor4f(red, green, blue, alpha);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < segments; ++i) {
        const int n = (i + 1) % segments;
        // The angles are floats; 6.28 rather than 2 pi leaves the last wedge
        // a little wider, closed by wrapping to index 0.
        const auto a = static_cast<float>(static_cast<double>(i) / segments * 6.28f);
        const auto b = static_cast<float>(static_cast<double>(n) / segments * 6.28f);
        // Sine gives x and cosine y: angle 0 points straight up.
        glVertex2f(centreX, centreY);
        glVertex2f(static_cast<float>(centreX + radius * std::sin(static_cast<double>(b))),
                   static_cast<float>(centreY + radius * std::cos(static_cast<double>(b))));
        glVertex2f(static_cast<float>(centreX + radius * std::sin(static_cast<double>(a))),
                   static_cast<float>(centreY + radius * std::cos(static_cast<double>(a))));
    }
    glEnd();
}

}  // namespace render
