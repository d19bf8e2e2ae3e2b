// Per-vertex lighting, on the CPU, in the float operations Mesa's
// fixed-function vertex program runs on llvmpipe (main/ffvertex_prog.c, no
// fused multiply-adds, 1 / sqrt for RSQ). The show lights with what GL
// starts with: no glMaterial, no glLightModel, no colour material, no
// GL_NORMALIZE, one-sided; only the lights' ambient, diffuse and position
// change. No GL here: the tests link this beside desktop GL to compare.
#pragma once

#include "platform/web/gl/matrix_stack.h"

namespace webgl {

constexpr int kLightCount = 8;

struct LightSource {
    bool enabled = false;
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {0, 0, 0, 1};      // light 0 starts white
    float eyePosition[4] = {0, 0, 1, 0};  // transformed by the modelview at glLightfv
};

// A light position as glLightfv(GL_POSITION) stores it: times the modelview.
void transformPosition(const Matrix& modelview, const float in[4], float out[4]);

// The constants of one draw, then the colour of each vertex.
class VertexLighting {
  public:
    // `modelview` analysed (its inverse turns the normals).
    VertexLighting(const LightSource (&lights)[kLightCount], const Matrix& modelview);

    // The lit colour of a vertex (object-space position with w = 1, normal
    // as given), clamped to [0, 1]; alpha is the material's diffuse alpha.
    void light(const float position[3], const float normal[3], float color[4]) const;

  private:
    struct Light {
        bool positional;
        float position[3];  // positional: eye space divided by w; else the unit direction
        float ambient[3];   // light times material
        float diffuse[3];
    };
    Light lights_[kLightCount];
    int count_ = 0;
    const float* modelview_;
    const float* inverse_;
};

}  // namespace webgl
