#include "render/light.h"

#include <GL/gl.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "render/vector.h"
#include "tests/support/gl_test_context.h"

namespace {
// The glLightfv calls made while recording, as (light, parameter) pairs.
bool recordingLights = false;
std::vector<std::pair<GLenum, GLenum>> lightCalls;
}  // namespace

// Stands in for the GL's glLightfv in this program so the order of the calls
// can be seen; it forwards every call to the real one.
extern "C" void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    using Real = void (*)(GLenum, GLenum, const GLfloat*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "glLightfv"));
    if (recordingLights) lightCalls.emplace_back(light, pname);
    real(light, pname, params);
}

namespace {

using render::Matrix4;
using render::Vec3;

std::array<float, 16> modelview() {
    std::array<float, 16> m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

std::array<float, 4> lightParameter(GLenum light, GLenum pname) {
    std::array<float, 4> v{};
    glGetLightfv(light, pname, v.data());
    return v;
}

void expectNear(const Vec3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-6);
    EXPECT_NEAR(v.y, y, 1e-6);
    EXPECT_NEAR(v.z, z, 1e-6);
}

TEST(Matrix4, ComposesAndLeavesTheModelviewAlone) {
    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    glRotatef(30, 1, 1, 0);
    const auto before = modelview();
    GLint depthBefore = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

    Matrix4 m;
    m.setIdentity().translate(3, 0, 0);
    EXPECT_EQ(m.m[12], 3);
    EXPECT_EQ(m.m[13], 0);
    m.setIdentity().rotate(0, 90, 0);
    expectNear(Vec3(1, 0, 0).transform(m), 0, 0, -1);
    // X is applied last: (1, 0, 0) goes to (0, 0, -1) about Y, then to
    // (0, 1, 0) about X; the reverse order would leave it at (0, 0, -1).
    m.setIdentity().rotate(90, 90, 0);
    expectNear(Vec3(1, 0, 0).transform(m), 0, 1, 0);
    m.setIdentity().rotate(0, 0, 90);
    expectNear(Vec3(1, 0, 0).transform(m), 0, 1, 0);
    // A translation composed after a rotation moves points before it turns them.
    m.setIdentity().rotate(0, 90, 0).translate(3, 0, 0);
    expectNear(Vec3(1, 0, 0).transform(m), 0, 0, -4);

    EXPECT_EQ(modelview(), before);
    GLint depth = 0, mode = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(depth, depthBefore);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(ApplyLight, SetsAPositionalLight) {
    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    const auto specularBefore = lightParameter(GL_LIGHT1, GL_SPECULAR);

    recordingLights = true;
    render::applyLight({GL_LIGHT1, Vec3(1, 0, 0), {0.5f, 0.25f, 1, 1}, {0.1f, 0.2f, 0.3f, 0.4f}});
    recordingLights = false;

    const std::vector<std::pair<GLenum, GLenum>> expected = {
        {GL_LIGHT1, GL_AMBIENT}, {GL_LIGHT1, GL_DIFFUSE}, {GL_LIGHT1, GL_POSITION}};
    EXPECT_EQ(lightCalls, expected);

    EXPECT_EQ(lightParameter(GL_LIGHT1, GL_AMBIENT),
              (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_EQ(lightParameter(GL_LIGHT1, GL_DIFFUSE), (std::array<float, 4>{0.5f, 0.25f, 1, 1}));
    // Stored in eye coordinates: only a w of 1 picks up the translation.
    EXPECT_EQ(lightParameter(GL_LIGHT1, GL_POSITION), (std::array<float, 4>{2, 2, 3, 1}));
    EXPECT_EQ(lightParameter(GL_LIGHT1, GL_SPECULAR), specularBefore);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
}

}  // namespace
