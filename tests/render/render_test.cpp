// The rendering helpers on a real GL context: vectors, matrices and the
// light as GL keeps them, the overlay and the perspective, the two 2D
// primitives and the outline font through feedback mode.
#include <GL/gl.h>
#include <GL/glu.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "image/texture.h"
#include "render/gl_state.h"
#include "render/light.h"
#include "render/outline_font.h"
#include "render/primitives.h"
#include "render/vector.h"
#include "tests/support/gl_test_context.h"

namespace {
std::vector<GLenum> lightCalls;  // the parameter of each glLightfv, in order
}  // namespace

// Stands in for the GL's glLightfv in this program, so that the order of the
// calls shows; forwards each to the real one.
extern "C" void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    using Real = void (*)(GLenum, GLenum, const GLfloat*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "glLightfv"));
    lightCalls.push_back(pname);
    real(light, pname, params);
}

namespace {

using render::Vec3;
using F3 = std::array<float, 3>;
using F4 = std::array<float, 4>;

F3 xyz(const Vec3& v) {
    return {v.x, v.y, v.z};
}
void expectNear(const F3& got, const F3& want) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-6) << i;
}
std::array<float, 16> matrix(GLenum which) {
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}
F4 light(GLenum pname) {
    F4 v{};
    glGetLightfv(GL_LIGHT1, pname, v.data());
    return v;
}

// The vertices `draw` sends, in window coordinates: x, y, s, t of each.
template <class Draw>
std::vector<F4> feedback(Draw draw) {
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<F4> vertices;
    for (GLint i = 0; i < used; i += 2 + 12 * static_cast<int>(buffer[i + 1])) {
        for (int v = 0; v < static_cast<int>(buffer[i + 1]); ++v) {
            const GLfloat* p = &buffer[i + 2 + 12 * v];
            vertices.push_back({p[0], p[1], p[8], p[9]});
        }
    }
    return vertices;
}

TEST(Matrix4AndLight, ComposeOnTheStackAndLeaveItAlone) {
    // Lengths in double: a zero vector stays zero, extreme ones stay finite.
    Vec3 zero, tiny(1e-45f, 0, 0), huge(3e38f, 0, 3e38f);
    zero.normalize();
    tiny.normalize();
    huge.normalize();
    EXPECT_EQ(xyz(zero), (F3{0, 0, 0}));
    expectNear(xyz(tiny), {1, 0, 0});
    expectNear(xyz(huge), {std::sqrt(0.5f), 0, std::sqrt(0.5f)});
    expectNear(xyz(Vec3(0, -1e-40f, 0).withLength(2)), {0, -2, 0});

    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    const auto before = matrix(GL_MODELVIEW_MATRIX);
    render::Matrix4 m;
    // X is applied last: (1, 0, 0) goes to (0, 0, -1) about Y, then to (0, 1, 0) about X.
    m.setIdentity().rotate(90, 90, 0);
    expectNear(xyz(Vec3(1, 0, 0).transform(m)), {0, 1, 0});
    m.setIdentity().rotate(0, 0, 90);
    expectNear(xyz(Vec3(1, 0, 0).transform(m)), {0, 1, 0});
    m.setIdentity().rotate(0, 90, 0).translate(3, 1, 0);
    expectNear(xyz(Vec3(1, 0, 0).transform(m)), {0, 1, -4});
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), before);

    lightCalls.clear();
    const F4 specular = light(GL_SPECULAR);
    render::applyLight({GL_LIGHT1, Vec3(1, 0, 0), {0.5f, 0.25f, 1, 1}, {0.1f, 0.2f, 0.3f, 0.4f}});
    EXPECT_EQ(lightCalls, (std::vector<GLenum>{GL_AMBIENT, GL_DIFFUSE, GL_POSITION}));
    EXPECT_EQ(light(GL_AMBIENT), (F4{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_EQ(light(GL_DIFFUSE), (F4{0.5f, 0.25f, 1, 1}));
    // Positional, in eye coordinates: only a w of 1 picks up the translation.
    EXPECT_EQ(light(GL_POSITION), (F4{2, 2, 3, 1}));
    EXPECT_EQ(light(GL_SPECULAR), specular);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST(Overlay, MapsBothSpacesRestoresEverythingAndThePerspectiveIsGlus) {
    ASSERT_TRUE(test_support::openGlContext());
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    const GLenum caps[] = {GL_DEPTH_TEST, GL_LIGHTING, GL_FOG};
    for (GLenum cap : caps) glEnable(cap);
    const auto projection = matrix(GL_PROJECTION_MATRIX), modelview = matrix(GL_MODELVIEW_MATRIX);

    auto triangle = [](float a, float b, float c, float d) {
        return feedback([=] {
            glBegin(GL_TRIANGLES);
            glVertex2f(a, b);
            glVertex2f(c, b);
            glVertex2f(c, d);
            glEnd();
        });
    };
    render::beginOverlay(0, 0, 480, 640);  // pixel units, y down
    for (GLenum cap : caps) EXPECT_FALSE(glIsEnabled(cap)) << cap;
    const std::vector<F4> pixels = triangle(0, 0, 640, 480);
    glEnable(GL_BLEND);
    glScalef(2, 2, 2);
    render::endOverlay();
    render::beginOverlay(1, -1, -1, 1);  // the unit square, y up
    const std::vector<F4> square = triangle(-1, -1, 1, 1);
    render::endOverlay();
    EXPECT_EQ(pixels, (std::vector<F4>{{0, 768}, {1024, 768}, {1024, 0}}));
    EXPECT_EQ(square, (std::vector<F4>{{0, 0}, {1024, 0}, {1024, 768}}));

    GLint mode = 0, depth = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_TRUE(mode == GL_MODELVIEW && depth == 1);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
    for (GLenum cap : caps) EXPECT_TRUE(glIsEnabled(cap)) << cap;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, 1.3333334f, 0.01f, 10000);
    const auto perspective = matrix(GL_PROJECTION_MATRIX);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    render::setPerspective(45, 1.3333334f);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), perspective);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    for (GLenum cap : caps) glDisable(cap);
}

TEST(Primitives, TheQuadShowsTheUsedPartUprightAndTheDiscRunsClockwise) {
    ASSERT_TRUE(test_support::openGlContext());
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1024, 0, 768, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    image::Texture texture;
    const std::vector<unsigned char> pixels(640 * 480 * 4, 99);
    texture.upload(pixels.data(), 640, 480);
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    const GLenum caps[] = {GL_LIGHTING, GL_FOG, GL_CULL_FACE, GL_BLEND, GL_DEPTH_TEST};
    for (GLenum cap : caps) glEnable(cap);
    // top 700, left 100, bottom 50, right 900: texture row 0 along the top.
    const std::vector<F4> quad =
        feedback([&] { render::drawTexturedQuad(texture, 700, 100, 50, 900); });
    const std::vector<F4> corners = {
        {100, 50, 0, 0.9375f}, {100, 700, 0, 0}, {900, 700, 0.625f, 0}, {900, 50, 0.625f, 0.9375f}};
    ASSERT_GE(quad.size(), 4u) << "culling, depth test and the rest are off for the quad";
    for (const F4& c : corners) EXPECT_NE(std::find(quad.begin(), quad.end(), c), quad.end());
    for (GLenum cap : caps) EXPECT_TRUE(glIsEnabled(cap)) << cap;
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), other);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);

    // Back faces culled: every wedge winds counter-clockwise and survives.
    glColor4f(1, 1, 1, 1);
    const std::vector<F4> disc =
        feedback([] { render::drawFilledCircle(500, 400, 100, 20, 0.25f, 0.5f, 0.75f, 0.5f); });
    ASSERT_EQ(disc.size(), 60u);
    for (int i = 0; i < 20; ++i) {
        // Centre, the next point, the point at i * 6.28 / 20 clockwise from straight up.
        const double a = static_cast<float>(i / 20.0 * 6.28f);
        const double b = i < 19 ? static_cast<float>((i + 1) / 20.0 * 6.28f) : 0;
        const F4 want[3] = {{500, 400},
                            {float(500 + 100 * std::sin(b)), float(400 + 100 * std::cos(b))},
                            {float(500 + 100 * std::sin(a)), float(400 + 100 * std::cos(a))}};
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(disc[3 * i + k][0], want[k][0], 2e-3) << i;
            EXPECT_NEAR(disc[3 * i + k][1], want[k][1], 2e-3) << i;
        }
    }
    F4 colour;
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (F4{0.25f, 0.5f, 0.75f, 0.5f}));
    for (GLenum cap : caps) glDisable(cap);
    glDeleteTextures(1, &other);
}

TEST(OutlineFont, ListsAdvanceByTheirGlyphsAndTheLastOneIsEmpty) {
    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    render::OutlineFont font;
    font.build("Times New Roman", 0.2f);
    ASSERT_NE(font.listBase, 0u);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX)[12], 0) << "building runs no list";
    for (GLuint i = 0; i < 256; ++i) {
        glPushMatrix();
        glCallList(font.listBase + i);
        const float advance = matrix(GL_MODELVIEW_MATRIX)[12];
        glPopMatrix();
        ASSERT_EQ(advance, font.glyphMetrics[i].cellIncX) << "glyph " << i;
    }
    EXPECT_EQ(font.glyphMetrics[255].cellIncX, 0);
    EXPECT_NEAR(font.glyphMetrics['A'].cellIncX, 1479 / 2048.0, 1e-4);
    EXPECT_TRUE(feedback([&] { glCallList(font.listBase + 255); }).empty());
    // 'O' at one design unit: its curves take many segments.
    EXPECT_GT(feedback([&] { glCallList(font.listBase + 'O'); }).size(), 600u);
}

}  // namespace
