#include "tests/show/gl_recorder.h"

#include <dlfcn.h>

namespace test_support {

GlRecording& glRecording() {
    // Never destroyed: the show deletes its textures after static objects of
    // the test have gone.
    static GlRecording* const recording = new GlRecording();
    return *recording;
}

namespace {

template <typename Function>
Function realGl(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

GLubyte current[4] = {255, 255, 255, 255};

}  // namespace
}  // namespace test_support

using test_support::glRecording;

extern "C" {

void glBegin(GLenum mode) {
    static const auto real = test_support::realGl<void (*)(GLenum)>("glBegin");
    if (glRecording().enabled) {
        ++glRecording().begins;
        glRecording().primitives.push_back(mode);
        glRecording().primitiveVertices.push_back(0);
    }
    real(mode);
}

void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
    static const auto real =
        test_support::realGl<void (*)(GLubyte, GLubyte, GLubyte, GLubyte)>("glColor4ub");
    test_support::current[0] = r;
    test_support::current[1] = g;
    test_support::current[2] = b;
    test_support::current[3] = a;
    real(r, g, b, a);
}

void glVertex2f(GLfloat x, GLfloat y) {
    static const auto real = test_support::realGl<void (*)(GLfloat, GLfloat)>("glVertex2f");
    if (glRecording().enabled) {
        const GLubyte* c = test_support::current;
        glRecording().vertices2.push_back({x, y, c[0], c[1], c[2], c[3]});
        if (!glRecording().primitiveVertices.empty()) ++glRecording().primitiveVertices.back();
    }
    real(x, y);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    static const auto real =
        test_support::realGl<void (*)(GLfloat, GLfloat, GLfloat)>("glTranslatef");
    if (glRecording().enabled) glRecording().translations.push_back({x, y, z});
    real(x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    static const auto real =
        test_support::realGl<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glRotatef");
    if (glRecording().enabled) glRecording().rotations.push_back({angle, x, y, z});
    real(angle, x, y, z);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    static const auto real = test_support::realGl<void (*)(GLfloat, GLfloat, GLfloat)>("glScalef");
    if (glRecording().enabled) glRecording().scales.push_back({x, y, z});
    real(x, y, z);
}

void glDeleteTextures(GLsizei n, const GLuint* names) {
    static const auto real =
        test_support::realGl<void (*)(GLsizei, const GLuint*)>("glDeleteTextures");
    for (GLsizei i = 0; i < n; ++i) glRecording().deletedTextures.push_back(names[i]);
    real(n, names);
}

}  // extern "C"
