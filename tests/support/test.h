// What the tests share: GoogleTest, GL, the standard library, and the hidden
// 1024 by 768 GL context of a test process with what GL receives in it.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

// Opens the context if needed and makes it current; false fails the test.
bool openGlContext();

// The vertices of the polygons that `draw` sends, each as the `size` floats
// that feedback mode `type` gives (window x, y, z, then colour and texture).
std::vector<std::vector<float>> feedback(GLenum type, int size, const std::function<void()>& draw);

// N floats of GL state.
template <std::size_t N = 16>
std::array<float, N> glGet(GLenum which) {
    std::array<float, N> values{};
    glGetFloatv(which, values.data());
    return values;
}

}  // namespace test_support
