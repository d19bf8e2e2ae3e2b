#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "mesh/mesh.h"
#include "tests/support/gl_test_context.h"

namespace {

using mesh::Mesh;
using render::Vec3;

std::array<float, 16> modelview() {
    std::array<float, 16> m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

// Window coordinates from -10..10 in x and y onto 100 x 100 pixels.
void tenUnitView() {
    glViewport(0, 0, 100, 100);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10, 10, -10, 10, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The feedback values of what `m.draw(...)` sends: x, y, z, rgba, strq per vertex.
std::vector<GLfloat> feedback(const Mesh& m, const Vec3& at, const Vec3& angles, float alpha) {
    std::vector<GLfloat> buffer(1024);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    m.draw(at, angles, alpha);
    buffer.resize(static_cast<std::size_t>(glRenderMode(GL_RENDER)));
    return buffer;
}

TEST(MeshDraw, FeedbackShowsPlacedFadedTriangles) {
    ASSERT_TRUE(test_support::openGlContext());
    tenUnitView();
    glRotatef(5, 0, 0, 1);
    const auto before = modelview();
    glLoadIdentity();

    // One triangle whose corners differ in every attribute; vertex 3 is unused.
    Mesh m(4, 1);
    for (int i = 0; i < 4; ++i) {
        m.vertices[i].normal.set(0, 0.6f, 0.8f * i);
        m.vertices[i].texCoord.set(0.25f * i, 1 - 0.25f * i);
        m.vertices[i].color = {0.2f * i, 0.5f, 1, 1 - 0.1f * i};
    }
    m.vertices[0].position.set(0, 1, 0);
    m.vertices[1].position.set(2, 0, 0);
    m.vertices[2].position.set(0, 0, 2);
    m.triangles[0] = {0, 1, 2, 0};

    // Z turns first, then Y, then X, then the move: (0, 1, 0) goes to
    // (-1, 0, 0), (0, 0, 1), (0, -1, 0); (2, 0, 0) to (0, 2, 0), (0, 2, 0),
    // (0, 0, 2); (0, 0, 2) to (0, 0, 2), (2, 0, 0), (2, 0, 0).
    const std::vector<GLfloat> buffer = feedback(m, Vec3(1, 2, 0), Vec3(90, 90, 90), 0.5f);
    ASSERT_EQ(buffer.size(), 2u + 3 * 11);
    EXPECT_EQ(buffer[0], GL_POLYGON_TOKEN);
    EXPECT_EQ(buffer[1], 3);
    // Window x = 5 (x + 10), y = 5 (y + 10), depth (1 - z / 10) / 2.
    const float window[3][3] = {{55, 55, 0.5f}, {55, 60, 0.4f}, {65, 60, 0.5f}};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const GLfloat* v = &buffer[2 + 11 * k];
        const mesh::MeshVertex& source = m.vertices[k];
        EXPECT_NEAR(v[0], window[k][0], 1e-3);
        EXPECT_NEAR(v[1], window[k][1], 1e-3);
        EXPECT_NEAR(v[2], window[k][2], 1e-5);
        const float want[6] = {source.color.r,        source.color.g,    source.color.b,
                               source.color.a * 0.5f, source.texCoord.x, source.texCoord.y};
        for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(v[3 + i], want[i]) << i;
    }
    // The last corner's normal was sent with it; the stored colours are not faded.
    GLfloat normal[3];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_FLOAT_EQ(normal[1], 0.6f);
    EXPECT_FLOAT_EQ(normal[2], 1.6f);
    EXPECT_FLOAT_EQ(m.vertices[0].color.a, 1);
    EXPECT_FLOAT_EQ(m.vertices[2].color.a, 0.8f);

    glLoadMatrixf(before.data());
    m.draw(Vec3(1, 2, 3), Vec3(4, 5, 6), 1);
    EXPECT_EQ(modelview(), before);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(MeshDraw, SkipsTrianglesOutsideTheVertexArrayAndDrawsNothingWhenEmpty) {
    ASSERT_TRUE(test_support::openGlContext());
    tenUnitView();
    Mesh m(3, 3);
    m.vertices[1].position.set(1, 0, 0);
    m.vertices[2].position.set(0, 1, 0);
    m.triangles[0] = {0, 1, 3, 0};
    m.triangles[1] = {0, 1, 2, 0};
    m.triangles[2] = {-1, 1, 2, 0};
    EXPECT_EQ(feedback(m, Vec3(), Vec3(), 1).size(), 2u + 3 * 11);

    m.release();
    EXPECT_TRUE(feedback(m, Vec3(), Vec3(), 1).empty());
    EXPECT_TRUE(feedback(Mesh(), Vec3(), Vec3(), 1).empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
