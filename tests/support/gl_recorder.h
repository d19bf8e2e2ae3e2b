// Records some GL calls, then forwards them to the real GL: linking this in
// puts its definitions of these entry points before the GL library's.
#pragma once

#include <GL/gl.h>

#include <array>
#include <vector>

namespace test_support {

// A glTranslatef, glRotatef or glScalef call: its kind and its arguments.
enum Transform : int { translate, rotate, scale };
using TransformCall = std::array<float, 5>;

struct GlRecording {
    bool enabled = false;
    std::vector<TransformCall> transforms;
    std::vector<GLuint> deletedTextures;  // glDeleteTextures, always recorded
    GLint maxTextureSize = 0;             // when set, what GL_MAX_TEXTURE_SIZE reads
};

GlRecording& glRecording();

}  // namespace test_support
