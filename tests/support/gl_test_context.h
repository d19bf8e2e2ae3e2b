// The hidden 1024 by 768 GL context of a test process, and what GL receives,
// seen through feedback mode.
#pragma once

#include <GL/gl.h>

#include <functional>
#include <vector>

namespace test_support {

// Opens the context if needed and makes it current; false fails the test.
bool openGlContext();

// The vertices of the polygons that `draw` sends, each as the `size` floats
// that feedback mode `type` gives (window x, y, z, then colour and texture).
std::vector<std::vector<float>> feedback(GLenum type, int size, const std::function<void()>& draw);

}  // namespace test_support
