// The program Mesa builds for one-sided lighting with shininess 0 and no
// attenuation, per light: VP = P - V, normalised by RSQ(DP3), then
// colour += ambient, colour += max(N.VP, 0) * diffuse; as NIR hands it to
// llvmpipe (ST_DEBUG=nir shows it): each DP3 sums z, y, then x, each MAD is
// a multiply then an add, nothing fused, RSQ a division by a square root.
#include "platform/web/gl/lighting.h"

#include <cmath>

namespace webgl {
namespace {

// GL's defaults, which the show keeps.
constexpr float kModelAmbient = 0.2f;
constexpr float kMaterialAmbient = 0.2f;
constexpr float kMaterialDiffuse = 0.8f;
constexpr float kMaterialDiffuseAlpha = 1.0f;

// A DP3 of the program.
float dot3(const float* a, const float* b) {
    return a[2] * b[2] + a[1] * b[1] + a[0] * b[0];
}

float clamp01(float x) {
    return x > 1.0f ? 1.0f : (x > 0.0f ? x : 0.0f);
}

}  // namespace

void transformPosition(const Matrix& modelview, const float in[4], float out[4]) {
    const float* m = modelview.m;
    for (int i = 0; i < 4; ++i) {
        out[i] = m[i] * in[0] + m[4 + i] * in[1] + m[8 + i] * in[2] + m[12 + i] * in[3];
    }
}

VertexLighting::VertexLighting(const LightSource (&lights)[kLightCount], const Matrix& modelview)
    : modelview_(modelview.m), inverse_(modelview.inv) {
    for (const LightSource& source : lights) {
        if (!source.enabled) continue;
        Light& light = lights_[count_++];
        const float* p = source.eyePosition;
        light.positional = p[3] != 0.0f;
        if (light.positional) {
            const float wInverse = 1.0f / p[3];
            for (int i = 0; i < 3; ++i) light.position[i] = p[i] * wInverse;
        } else {
            // Mesa lights a directional light in object space when the
            // modelview keeps lengths; this is the eye-space form, which the
            // show (one positional light) never needs.
            const float length = p[0] * p[0] + p[1] * p[1] + p[2] * p[2];  // Mesa's C, in order
            const float scale = length != 0.0f ? 1.0f / std::sqrt(length) : 1.0f;
            for (int i = 0; i < 3; ++i) light.position[i] = p[i] * scale;
        }
        for (int i = 0; i < 3; ++i) {
            light.ambient[i] = source.ambient[i] * kMaterialAmbient;
            light.diffuse[i] = source.diffuse[i] * kMaterialDiffuse;
        }
    }
}

void VertexLighting::light(const float position[3], const float normal[3], float color[4]) const {
    const float* m = modelview_;
    const float* inv = inverse_;
    // The eye-space vertex, column by column (w = 1 adds the last column
    // as it is), and the normal through the inverse transpose.
    float eye[3];
    float eyeNormal[3];
    for (int i = 0; i < 3; ++i) {
        eye[i] = position[0] * m[i] + position[1] * m[4 + i] + position[2] * m[8 + i] + m[12 + i];
        eyeNormal[i] = dot3(normal, inv + 4 * i);
    }
    float lit[3];
    for (int i = 0; i < 3; ++i) lit[i] = kModelAmbient * kMaterialAmbient;  // plus no emission
    for (int l = 0; l < count_; ++l) {
        const Light& light = lights_[l];
        float toLight[3];
        if (light.positional) {
            for (int i = 0; i < 3; ++i) toLight[i] = light.position[i] - eye[i];
            const float inverseLength = 1.0f / std::sqrt(std::fabs(dot3(toLight, toLight)));
            for (float& value : toLight) value *= inverseLength;
        } else {
            for (int i = 0; i < 3; ++i) toLight[i] = light.position[i];
        }
        const float facing = dot3(eyeNormal, toLight);
        const float diffuse = facing > 0.0f ? facing : 0.0f;
        for (int i = 0; i < 3; ++i) {
            lit[i] = light.ambient[i] + lit[i];
            lit[i] = diffuse * light.diffuse[i] + lit[i];
        }
    }
    for (int i = 0; i < 3; ++i) color[i] = clamp01(lit[i]);
    color[3] = kMaterialDiffuseAlpha;
}

}  // namespace webgl
