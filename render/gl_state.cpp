#include "render/gl_state.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace render {

// GL_ALL_ATTRIB_BITS as the OpenGL 1.1 header spelled it.
constexpr GLbitfield kAllAttributes = 0xFFFFF;

void beginOverlay(float top, float left, float bottom, float right) {
    glPushMatrix();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(left, right, bottom, top, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushAttrib(kAllAttributes);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
}

void endOverlay() {
    glPopAttrib();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void setPerspective(float fovY, float aspect) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fovY, aspect, static_cast<double>(0.01f), 10000.0);
    glMatrixMode(GL_MODELVIEW);
}

}  // namespace render
