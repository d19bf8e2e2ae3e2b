// GL state helpers: the 2D overlay mode and the show's perspective.
// All expect GL_MODELVIEW as the current matrix mode and leave it current.
#pragma once

namespace render {

// Saves both matrices and every attribute, then sets up a 2D space with the
// given edges (an orthographic projection, identity modelview) and turns off
// depth test, lighting and fog. Pairs with `endOverlay`; never nested.
void beginOverlay(float top, float left, float bottom, float right);
// Restores what `beginOverlay` saved.
void endOverlay();

// Loads the perspective projection: `fovY` degrees, near 0.01f, far 10000.
void setPerspective(float fovY, float aspect);

}  // namespace render
