#include "tests/support/gl_recorder.h"

#include <dlfcn.h>

namespace test_support {

GlRecording& glRecording() {
    // Never destroyed: the show deletes its textures after the test's own
    // static objects have gone.
    static GlRecording* const recording = new GlRecording();
    return *recording;
}

}  // namespace test_support

namespace {

template <typename Function>
Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

std::array<GLubyte, 4> current = {255, 255, 255, 255};

}  // namespace

using test_support::glRecording;

extern "C" {

void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
    static const auto forward = real<void (*)(GLubyte, GLubyte, GLubyte, GLubyte)>("glColor4ub");
    current = {r, g, b, a};
    forward(r, g, b, a);
}

void glVertex2f(GLfloat x, GLfloat y) {
    static const auto forward = real<void (*)(GLfloat, GLfloat)>("glVertex2f");
    if (glRecording().enabled && glRecording().withVertices)
        glRecording().vertices.push_back({x, y, current});
    forward(x, y);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    static const auto forward = real<void (*)(GLfloat, GLfloat, GLfloat)>("glTranslatef");
    if (glRecording().enabled)
        glRecording().transforms.push_back({test_support::translate, x, y, z, 0});
    forward(x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    static const auto forward = real<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glRotatef");
    if (glRecording().enabled)
        glRecording().transforms.push_back({test_support::rotate, angle, x, y, z});
    forward(angle, x, y, z);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    static const auto forward = real<void (*)(GLfloat, GLfloat, GLfloat)>("glScalef");
    if (glRecording().enabled)
        glRecording().transforms.push_back({test_support::scale, x, y, z, 0});
    forward(x, y, z);
}

void glDeleteTextures(GLsizei n, const GLuint* names) {
    static const auto forward = real<void (*)(GLsizei, const GLuint*)>("glDeleteTextures");
    for (GLsizei i = 0; i < n; ++i) glRecording().deletedTextures.push_back(names[i]);
    forward(n, names);
}

}  // extern "C"
