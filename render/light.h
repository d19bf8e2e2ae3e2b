// One positional light from a LightSource record. Needs a current GL context
// with GL_MODELVIEW as the matrix mode.
#pragma once

#include <GL/gl.h>

#include "render/vector.h"

namespace render {

struct LightSource {
    GLenum light;   // GL_LIGHT0 + k
    Vec3 position;  // in the coordinates of the modelview matrix current at applyLight
    Color4 diffuse;
    Color4 ambient;
};

// Sets the light's ambient, then diffuse colour, then its position with w = 1
// (always positional), and enables the light. Specular is left alone and
// GL_LIGHTING is the caller's to enable.
void applyLight(LightSource source);

}  // namespace render
