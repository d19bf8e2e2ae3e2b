#include "render/light.h"

namespace render {

void applyLight(LightSource source) {
    const GLfloat ambient[4] = {source.ambient.r, source.ambient.g, source.ambient.b,
                                source.ambient.a};
    const GLfloat diffuse[4] = {source.diffuse.r, source.diffuse.g, source.diffuse.b,
                                source.diffuse.a};
    const GLfloat position[4] = {source.position.x, source.position.y, source.position.z, 1.0f};
    glLightfv(source.light, GL_AMBIENT, ambient);
    glLightfv(source.light, GL_DIFFUSE, diffuse);
    glLightfv(source.light, GL_POSITION, position);
    glEnable(source.light);
}

}  // namespace render
