#include "tests/support/gl_recorder.h"

#include <dlfcn.h>

namespace test_support {

GlRecording& glRecording() {
    // Never destroyed: the show deletes its textures after the test's statics.
    static GlRecording* const recording = new GlRecording();
    return *recording;
}

}  // namespace test_support

namespace {

// Calls the GL library's own entry point, looked up once.
template <typename... Args>
void forward(void*& real, const char* name, Args... args) {
    if (real == nullptr) real = dlsym(RTLD_NEXT, name);
    reinterpret_cast<void (*)(Args...)>(real)(args...);
}

void transform(test_support::Transform kind, float a, float b, float c, float d) {
    if (test_support::glRecording().enabled)
        test_support::glRecording().transforms.push_back({float(kind), a, b, c, d});
}

}  // namespace

extern "C" {

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    transform(test_support::translate, x, y, z, 0);
    static void* real = nullptr;
    forward(real, "glTranslatef", x, y, z);
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    transform(test_support::rotate, angle, x, y, z);
    static void* real = nullptr;
    forward(real, "glRotatef", angle, x, y, z);
}
void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    transform(test_support::scale, x, y, z, 0);
    static void* real = nullptr;
    forward(real, "glScalef", x, y, z);
}
void glDeleteTextures(GLsizei n, const GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) test_support::glRecording().deletedTextures.push_back(names[i]);
    static void* real = nullptr;
    forward(real, "glDeleteTextures", n, names);
}

}  // extern "C"
