// The rendering helpers on a real GL context: matrices and state as GL keeps
// them; what the primitives and the outline font send, through feedback mode.
#include <GL/glu.h>
#include "tests/support/test.h"

#include "render/gl_state.h"
#include "render/outline_font.h"
#include "render/primitives.h"
#include "render/vector.h"

namespace {

using render::Vec3;
using test_support::feedback;
using test_support::glGet;
using F3 = std::array<float, 3>;

F3 xyz(const Vec3& v) { return {v.x, v.y, v.z}; }
void expectNear(const F3& got, const F3& want) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-6) << i;
}

TEST(VectorsAndGlState, LengthsStayFiniteAndTheOverlayRestoresWhatItChanges) {
    // Lengths in double: a zero vector stays zero, extreme ones stay finite.
    Vec3 tiny(1e-45f, 0, 0), huge(3e38f, 0, 3e38f);
    tiny.normalize();
    huge.normalize();
    expectNear(xyz(tiny), {1, 0, 0});
    expectNear(xyz(huge), {std::sqrt(0.5f), 0, std::sqrt(0.5f)});
    expectNear(xyz(Vec3(0, -1e-40f, 0).withLength(2)), {0, -2, 0});

    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    const auto before = glGet(GL_MODELVIEW_MATRIX);
    // The overlay turns off what would hide or tint 2D drawing, then puts all back.
    const GLenum caps[] = {GL_DEPTH_TEST, GL_LIGHTING, GL_FOG};
    for (GLenum cap : caps) glEnable(cap);
    render::beginOverlay(0, 0, 480, 640);
    for (GLenum cap : caps) EXPECT_FALSE(glIsEnabled(cap)) << cap;
    glViewport(0, 0, 10, 10);
    render::endOverlay();
    for (GLenum cap : caps) EXPECT_TRUE(glIsEnabled(cap)) << cap;
    EXPECT_EQ(glGet<4>(GL_VIEWPORT)[2], 1024) << "every attribute comes back";
    EXPECT_EQ(glGet(GL_MODELVIEW_MATRIX), before);
    // The show's perspective is GLU's with near 0.01f and far 10000.
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45, 1.3333334f, 0.01f, 10000);
    const auto perspective = glGet(GL_PROJECTION_MATRIX);
    render::setPerspective(45, 1.3333334f);
    EXPECT_EQ(glGet(GL_PROJECTION_MATRIX), perspective);
    EXPECT_EQ(glGet<1>(GL_MATRIX_MODE)[0], float{GL_MODELVIEW});
}

TEST(Primitives, TheDiscRunsClockwiseFromTheTopAndSurvivesCulling) {
    ASSERT_TRUE(test_support::openGlContext());
    glViewport(0, 0, 1024, 768);
    glOrtho(0, 1024, 0, 768, -1, 1);
    glEnable(GL_CULL_FACE);
    // Back faces culled: every wedge winds counter-clockwise and survives.
    const auto disc = feedback(
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
    EXPECT_EQ(glGet<4>(GL_CURRENT_COLOR), (std::array<float, 4>{0.25f, 0.5f, 0.75f, 0.5f}));
    glDisable(GL_CULL_FACE);
}

// The glyph in em units, lit from (0.6, 0.8, 0) alone: red shows the normal.
std::vector<std::array<double, 4>> glyph(GLuint list) {
    const GLfloat black[] = {0, 0, 0, 1}, white[] = {1, 1, 1, 1}, light[] = {0.6f, 0.8f, 0, 0};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    std::vector<std::array<double, 4>> vertices;
    for (const auto& v : feedback(GL_3D_COLOR, 7, [list] {
             glPushMatrix();
             glCallList(list);
             glPopMatrix();
         }))
        vertices.push_back({v[0] / 512.0 - 1, v[1] / 384.0 - 1, v[2] * 2.0 - 1, v[3]});
    return vertices;
}

TEST(OutlineFont, GlyphsAreClosedSolidsFacingOutwardsInTimesMetrics) {
    ASSERT_TRUE(test_support::openGlContext());
    glViewport(0, 0, 1024, 768);
    render::OutlineFont font;
    font.build("Times New Roman", 0.2f);
    ASSERT_NE(font.listBase, 0u);
    const auto& m = font.glyphMetrics;
    EXPECT_EQ(glGet(GL_MODELVIEW_MATRIX)[12], 0) << "building runs no list";
    for (GLuint i = 0; i < 256; ++i) {  // each list advances by its glyph
        glPushMatrix();
        glCallList(font.listBase + i);
        const float advance = glGet(GL_MODELVIEW_MATRIX)[12];
        glPopMatrix();
        ASSERT_EQ(advance, m[i].cellIncX) << "glyph " << i;
    }
    EXPECT_TRUE(glyph(font.listBase + 255).empty()) << "the last is empty";
    EXPECT_EQ(m[255].cellIncX, 0);

    // 'A': the front cap at z = 0 faces +z; faces turned outwards give a signed
    // volume of the cap's area times the depth, 0.2; normals agree with faces.
    const auto a = glyph(font.listBase + 'A');
    ASSERT_GT(a.size(), 60u);
    double volume = 0, front = 0;
    for (std::size_t i = 0; i + 2 < a.size(); i += 3) {
        const auto &p = a[i], &q = a[i + 1], &r = a[i + 2];
        const double u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
        const double w[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
        const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                             u[0] * w[1] - u[1] * w[0]};
        volume += (p[0] * n[0] + p[1] * n[1] + p[2] * n[2]) / 6;  // p . (q x r) / 6
        if (std::abs(p[2]) + std::abs(q[2]) + std::abs(r[2]) < 1e-4) {
            EXPECT_GE(n[2], 0) << "the front cap faces +z";
            front += n[2] / 2;
        }
        const double lit = std::max(0.0, (n[0] * 0.6 + n[1] * 0.8) / std::hypot(n[0], n[1], n[2]));
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[i + k][3], lit, 0.02) << "triangle " << i / 3;
    }
    EXPECT_GT(front, 0.05);
    EXPECT_LT(front, 0.4);
    EXPECT_NEAR(volume, front * 0.2, 1e-3);
    // At one design unit the curves of 'o' take many segments; at 0.05 em few.
    const std::size_t fine = glyph(font.listBase + 'o').size();
    EXPECT_GT(fine, 900u);
    platform::GlyphMetrics coarse;
    const GLuint list = glGenLists(1);
    ASSERT_TRUE(
        platform::buildOutlineGlyphs("Times New Roman", 'o', 1, list, 0.05f, 0.2f, &coarse));
    EXPECT_LT(glyph(list).size() * 3, fine);

    // Times New Roman's advances in em units; 'A' on the baseline, 'g' below.
    EXPECT_NEAR(m['A'].cellIncX, 1479 / 2048.0, 1e-4);
    EXPECT_NEAR(m['A'].originY - m['A'].blackBoxY, 0, 0.01);
    EXPECT_LT(m['g'].originY - m['g'].blackBoxY, -0.1);
    // Code page 1252: 0x80 euro, 0x9F Y diaeresis; 0x81 undefined (.notdef advance).
    EXPECT_FALSE(glyph(font.listBase + 0x80).empty());
    EXPECT_NEAR(m[0x80].cellIncX, 0.5, 1e-4);
    EXPECT_EQ(m[0x9F].cellIncX, m['Y'].cellIncX);
    EXPECT_TRUE(glyph(font.listBase + 0x81).empty());
    EXPECT_GT(m[0x81].cellIncX, 0);
    EXPECT_EQ(m[0x81].blackBoxX, 0);
}

}  // namespace
