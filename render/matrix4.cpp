// Matrix4 composition borrows the GL modelview stack: the GL multiplies, we
// read the product back. Each operation holds one stack entry only while it
// runs, so the caller's modelview matrix is untouched.
#include <GL/gl.h>

#include "render/vector.h"

namespace render {

Matrix4& Matrix4::setIdentity() {
    glPushMatrix();
    glLoadIdentity();
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    return *this;
}

Matrix4& Matrix4::translate(float x, float y, float z) {
    glPushMatrix();
    glLoadMatrixf(m);
    glTranslatef(x, y, z);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    return *this;
}

Matrix4& Matrix4::rotate(float ax, float ay, float az) {
    glPushMatrix();
    glLoadMatrixf(m);
    // All three are issued, zero angles included.
    glRotatef(ax, 1, 0, 0);
    glRotatef(ay, 0, 1, 0);
    glRotatef(az, 0, 0, 1);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    return *this;
}

}  // namespace render
