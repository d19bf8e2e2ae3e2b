#include "tests/support/gl_recorder.h"

#include <dlfcn.h>

#include <map>
#include <string>

namespace test_support {

GlRecording& glRecording() {
    // Never destroyed: the show deletes its textures after the test's statics.
    static GlRecording* const recording = new GlRecording();
    return *recording;
}

}  // namespace test_support

namespace {

using namespace test_support;

// Calls the GL library's own entry point, looked up once (in a table that
// outlives the show's textures, deleted at exit).
template <typename... Args>
void forward(const char* name, Args... args) {
    static auto& reals = *new std::map<std::string, void*>();
    void*& real = reals[name];
    if (real == nullptr) real = dlsym(RTLD_NEXT, name);
    reinterpret_cast<void (*)(Args...)>(real)(args...);
}

template <typename... Args>
void record(Transform kind, const char* name, Args... args) {
    if (glRecording().enabled) glRecording().transforms.push_back({float(kind), args...});
    forward(name, args...);
}

}  // namespace

extern "C" {

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record(translate, "glTranslatef", x, y, z); }
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) {
    record(rotate, "glRotatef", a, x, y, z);
}
void glScalef(GLfloat x, GLfloat y, GLfloat z) { record(scale, "glScalef", x, y, z); }
void glGetIntegerv(GLenum name, GLint* values) {
    forward("glGetIntegerv", name, values);
    if (name == GL_MAX_TEXTURE_SIZE && glRecording().maxTextureSize != 0) {
        *values = glRecording().maxTextureSize;
    }
}
void glDeleteTextures(GLsizei n, const GLuint* names) {
    glRecording().deletedTextures.insert(glRecording().deletedTextures.end(), names, names + n);
    forward("glDeleteTextures", n, names);
}

}  // extern "C"
