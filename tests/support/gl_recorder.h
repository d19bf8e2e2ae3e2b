// Records some GL calls, then forwards them to the real GL: linking this in
// puts its definitions of these entry points before the GL library's.
#pragma once

#include <GL/gl.h>

#include <array>
#include <vector>

namespace test_support {

struct RecordedVertex {
    float x, y;
    std::array<GLubyte, 4> colour;  // the last glColor4ub
    bool operator==(const RecordedVertex&) const = default;
};

// A glTranslatef, glRotatef or glScalef call: its kind and its arguments.
enum Transform : int { translate, rotate, scale };
using TransformCall = std::array<float, 5>;

struct GlRecording {
    bool enabled = false;
    std::vector<RecordedVertex> vertices;  // glVertex2f
    std::vector<TransformCall> transforms;
    std::vector<GLuint> deletedTextures;  // glDeleteTextures, always recorded

    void clear() {
        vertices.clear();
        transforms.clear();
    }
};

GlRecording& glRecording();

}  // namespace test_support
