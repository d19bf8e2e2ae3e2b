// The rendering helpers on a real GL context: matrices and the light as GL
// keeps them, the overlay and the perspective, and what the 2D primitives
// and the outline font send, through feedback mode.
#include <GL/gl.h>
#include <GL/glu.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

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
using test_support::feedback;
using F3 = std::array<float, 3>;
using F4 = std::array<float, 4>;
using Floats = std::vector<float>;

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
void pixelSpace() {
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1024, 0, 768, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
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
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1) && !glIsEnabled(GL_LIGHTING));
}

TEST(Overlay, MapsBothSpacesRestoresEverythingAndThePerspectiveIsGlus) {
    ASSERT_TRUE(test_support::openGlContext());
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_PROJECTION);
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    const GLenum caps[] = {GL_DEPTH_TEST, GL_LIGHTING, GL_FOG};
    for (GLenum cap : caps) glEnable(cap);
    const auto projection = matrix(GL_PROJECTION_MATRIX), modelview = matrix(GL_MODELVIEW_MATRIX);
    auto triangle = [](float a, float b, float c, float d) {
        return feedback(GL_2D, 2, [=] {
            glBegin(GL_TRIANGLES);
            glVertex2f(a, b);
            glVertex2f(c, b);
            glVertex2f(c, d);
            glEnd();
        });
    };
    render::beginOverlay(0, 0, 480, 640);  // pixel units, y down
    for (GLenum cap : caps) EXPECT_FALSE(glIsEnabled(cap)) << cap;
    EXPECT_EQ(triangle(0, 0, 640, 480), (std::vector<Floats>{{0, 768}, {1024, 768}, {1024, 0}}));
    glEnable(GL_BLEND);
    glScalef(2, 2, 2);
    render::endOverlay();
    render::beginOverlay(1, -1, -1, 1);  // the unit square, y up
    EXPECT_EQ(triangle(-1, -1, 1, 1), (std::vector<Floats>{{0, 0}, {1024, 0}, {1024, 768}}));
    render::endOverlay();
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
    glMatrixMode(GL_MODELVIEW);
    render::setPerspective(45, 1.3333334f);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), perspective);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST(Primitives, TheDiscRunsClockwiseFromTheTopAndSurvivesCulling) {
    ASSERT_TRUE(test_support::openGlContext());
    pixelSpace();
    glEnable(GL_CULL_FACE);
    // Back faces culled: every wedge winds counter-clockwise and survives.
    const std::vector<Floats> disc = feedback(
        GL_2D, 2, [] { render::drawFilledCircle(500, 400, 100, 20, 0.25f, 0.5f, 0.75f, 0.5f); });
    ASSERT_EQ(disc.size(), 60u);
    for (int i = 0; i < 20; ++i) {
        // The centre, the next point, the point i * 6.28 / 20 clockwise from straight up.
        const double a = static_cast<float>(i / 20.0 * 6.28f);
        const double b = i < 19 ? static_cast<float>((i + 1) / 20.0 * 6.28f) : 0;
        const double want[3][2] = {{500, 400},
                                   {500 + 100 * std::sin(b), 400 + 100 * std::cos(b)},
                                   {500 + 100 * std::sin(a), 400 + 100 * std::cos(a)}};
        for (int k = 0; k < 6; ++k)
            EXPECT_NEAR(disc[3 * i + k / 2][k % 2], want[k / 2][k % 2], 2e-3);
    }
    F4 colour;
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (F4{0.25f, 0.5f, 0.75f, 0.5f}));
    glDisable(GL_CULL_FACE);
}

// The font's glyphs as triangles in em units, with the red of a white
// directional light from (0.6, 0.8, 0), which shows each vertex's normal.
using Triangle = std::array<Floats, 3>;
constexpr double kLightX = 0.6, kLightY = 0.8;

std::vector<Triangle> glyph(GLuint list) {
    const GLfloat black[] = {0, 0, 0, 1}, white[] = {1, 1, 1, 1};
    const GLfloat direction[] = {GLfloat(kLightX), GLfloat(kLightY), 0, 0};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    const std::vector<Floats> vertices = feedback(GL_3D_COLOR, 7, [list] {
        glPushMatrix();
        glCallList(list);
        glPopMatrix();
    });
    std::vector<Triangle> triangles(vertices.size() / 3);
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const Floats& v = vertices[i];
        triangles[i / 3][i % 3] = {v[0] / 512 - 1, v[1] / 384 - 1, v[2] * 2 - 1, v[3]};
    }
    return triangles;
}
double area(const Triangle& t) {
    return 0.5 *
           ((t[1][0] - t[0][0]) * (t[2][1] - t[0][1]) - (t[2][0] - t[0][0]) * (t[1][1] - t[0][1]));
}
std::vector<Triangle> capAt(const std::vector<Triangle>& all, double z) {
    std::vector<Triangle> cap;
    for (const Triangle& t : all) {
        if (std::all_of(t.begin(), t.end(),
                        [z](const Floats& v) { return std::abs(v[2] - z) < 1e-4; }))
            cap.push_back(t);
    }
    return cap;
}
bool covers(const std::vector<Triangle>& cap, double x, double y) {
    return std::any_of(cap.begin(), cap.end(), [=](const Triangle& t) {
        for (int e = 0; e < 3; ++e) {
            const Floats &a = t[e], &b = t[(e + 1) % 3];
            if ((b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]) < 0) return false;
        }
        return area(t) > 0;
    });
}

TEST(OutlineFont, GlyphsAreSolidsWithOutwardFacesInTimesMetrics) {
    ASSERT_TRUE(test_support::openGlContext());
    glViewport(0, 0, 1024, 768);
    render::OutlineFont font;
    font.build("Times New Roman", 0.2f);
    ASSERT_NE(font.listBase, 0u);
    const auto& m = font.glyphMetrics;
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX)[12], 0) << "building runs no list";
    for (GLuint i = 0; i < 256; ++i) {  // each list advances by its glyph
        glPushMatrix();
        glCallList(font.listBase + i);
        const float advance = matrix(GL_MODELVIEW_MATRIX)[12];
        glPopMatrix();
        ASSERT_EQ(advance, m[i].cellIncX) << "glyph " << i;
    }
    EXPECT_TRUE(glyph(font.listBase + 255).empty() && m[255].cellIncX == 0) << "the last is empty";

    const std::vector<Triangle> all = glyph(font.listBase + 'A');
    const std::vector<Triangle> front = capAt(all, 0), back = capAt(all, -0.2);
    ASSERT_TRUE(!front.empty() && front.size() == back.size());
    double frontArea = 0, backArea = 0;
    for (const Triangle& t : front) {
        EXPECT_GE(area(t), 0) << "the front cap faces +z";
        for (const Floats& v : t) EXPECT_NEAR(v[3], 0, 0.02) << "cap normal along z";
        frontArea += area(t);
    }
    for (const Triangle& t : back) backArea -= area(t);
    EXPECT_TRUE(frontArea > 0.05 && frontArea < 0.4) << frontArea;
    EXPECT_NEAR(frontArea, backArea, 1e-6) << "the back cap faces -z";
    // Each wall, stepped a little along its own normal, leaves the letter;
    // stepped against it, it enters; the normals sent agree.
    int walls = 0;
    for (const Triangle& t : all) {
        const double ux = t[1][0] - t[0][0], uy = t[1][1] - t[0][1], uz = t[1][2] - t[0][2];
        const double wx = t[2][0] - t[0][0], wy = t[2][1] - t[0][1], wz = t[2][2] - t[0][2];
        const double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, length = std::hypot(nx, ny);
        if (length < 1e-9) continue;
        ++walls;
        const double cx = (t[0][0] + t[1][0] + t[2][0]) / 3, cy = (t[0][1] + t[1][1] + t[2][1]) / 3;
        EXPECT_FALSE(covers(front, cx + nx * 1e-4 / length, cy + ny * 1e-4 / length));
        EXPECT_TRUE(covers(front, cx - nx * 1e-4 / length, cy - ny * 1e-4 / length));
        for (const Floats& v : t)
            EXPECT_NEAR(v[3], std::max(0.0, (nx * kLightX + ny * kLightY) / length), 0.02);
    }
    EXPECT_GT(walls, 20);
    // 'o' keeps its counter open; at one design unit its curves take many segments.
    const std::vector<Triangle> o = glyph(font.listBase + 'o');
    const double middle = m['o'].originY - m['o'].blackBoxY / 2;
    EXPECT_FALSE(covers(capAt(o, 0), m['o'].originX + m['o'].blackBoxX / 2, middle));
    EXPECT_TRUE(covers(capAt(o, 0), m['o'].originX + 0.02, middle));
    EXPECT_GT(o.size(), 300u);

    // Times New Roman's advances in em units; 'A' on the baseline, 'g' below.
    EXPECT_NEAR(m['A'].cellIncX, 1479 / 2048.0, 1e-4);
    EXPECT_NEAR(m['m'].cellIncX, 1593 / 2048.0, 1e-4);
    EXPECT_NEAR(m['A'].originY - m['A'].blackBoxY, 0, 0.01);
    EXPECT_LT(m['g'].originY - m['g'].blackBoxY, -0.1);
    // Code page 1252: 0x80 the euro sign, 0x9F Y with diaeresis; 0x81 is
    // undefined: nothing drawn, and the face's .notdef advance.
    EXPECT_FALSE(capAt(glyph(font.listBase + 0x80), 0).empty());
    EXPECT_NEAR(m[0x80].cellIncX, 0.5, 1e-4);
    EXPECT_EQ(m[0x9F].cellIncX, m['Y'].cellIncX);
    EXPECT_FALSE(capAt(glyph(font.listBase + 0xE9), 0).empty()) << "a composite glyph";
    EXPECT_TRUE(glyph(font.listBase + 0x81).empty());
    EXPECT_TRUE(m[0x81].cellIncX > 0 && m[0x81].blackBoxX == 0);
}

}  // namespace
