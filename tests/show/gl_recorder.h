// Records the GL calls the show makes, then forwards them to the real GL.
// The recorder's definitions of these entry points take the place of the GL
// library's within the test program.
#pragma once

#include <GL/gl.h>

#include <array>
#include <vector>

namespace test_support {

struct RecordedVertex {
    float x, y;
    GLubyte r, g, b, a;  // the colour set before the vertex (glColor4ub)
};

struct GlRecording {
    bool enabled = false;
    int begins = 0;                                  // glBegin calls
    std::vector<GLenum> primitives;                  // mode of each glBegin
    std::vector<int> primitiveVertices;              // glVertex2f calls in each
    std::vector<RecordedVertex> vertices2;           // glVertex2f while enabled
    std::vector<std::array<float, 3>> translations;  // glTranslatef
    std::vector<std::array<float, 4>> rotations;     // glRotatef
    std::vector<std::array<float, 3>> scales;        // glScalef
    std::vector<GLuint> deletedTextures;             // glDeleteTextures

    void clear() {
        begins = 0;
        primitives.clear();
        primitiveVertices.clear();
        vertices2.clear();
        translations.clear();
        rotations.clear();
        scales.clear();
        deletedTextures.clear();
    }
};

GlRecording& glRecording();

}  // namespace test_support
