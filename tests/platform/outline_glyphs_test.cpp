// Glyph lists looked at through GL feedback, in object coordinates.
#include "platform/outline_glyphs.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "tests/support/gl_test_context.h"

namespace {

// Array index of a character's glyph.
constexpr int code(char c) {
    return static_cast<unsigned char>(c);
}

// x, y, z, and the red of the lit colour, which shows the normal.
using Vertex = std::array<double, 4>;
using Triangle = std::array<Vertex, 3>;

constexpr float kExtrusion = 0.2f;
// The light's direction: a vertex's red is max(0, normal . light).
constexpr double kLightX = 0.6, kLightY = 0.8;

// Every polygon the list draws, as triangles in object coordinates: the
// matrices are identity, so window coordinates map straight back. Drawn
// lit by a white directional light with nothing else adding colour.
std::vector<Triangle> drawnTriangles(GLuint list) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glViewport(0, 0, 1024, 768);
    glDepthRange(0, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const GLfloat black[] = {0, 0, 0, 1}, white[] = {1, 1, 1, 1};
    const GLfloat direction[] = {GLfloat(kLightX), GLfloat(kLightY), 0, 0};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_COLOR_MATERIAL);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    for (GLenum p : {GL_AMBIENT, GL_SPECULAR, GL_EMISSION}) {
        if (p != GL_EMISSION) glLightfv(GL_LIGHT0, p, black);
        glMaterialfv(GL_FRONT_AND_BACK, p, black);
    }
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    std::vector<GLfloat> buffer(1 << 21);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glCallList(list);
    const GLint used = glRenderMode(GL_RENDER);
    glPopMatrix();
    glPopAttrib();
    EXPECT_GE(used, 0) << "feedback buffer overflowed";

    constexpr GLint stride = 7;  // x, y, z, r, g, b, a
    const auto vertexAt = [&](GLint at) {
        return Vertex{buffer[at] / 512.0 - 1, buffer[at + 1] / 384.0 - 1, buffer[at + 2] * 2.0 - 1,
                      buffer[at + 3]};
    };
    std::vector<Triangle> triangles;
    for (GLint i = 0; i < used;) {
        EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
        const GLint n = static_cast<GLint>(buffer[i + 1]);
        const GLint first = i + 2;
        for (GLint k = 1; k + 1 < n; ++k) {
            triangles.push_back({vertexAt(first), vertexAt(first + stride * k),
                                 vertexAt(first + stride * (k + 1))});
        }
        i = first + stride * n;
    }
    return triangles;
}

double signedArea(const Triangle& t) {
    return 0.5 *
           ((t[1][0] - t[0][0]) * (t[2][1] - t[0][1]) - (t[2][0] - t[0][0]) * (t[1][1] - t[0][1]));
}

bool atDepth(const Triangle& t, double z) {
    return std::all_of(t.begin(), t.end(),
                       [z](const Vertex& v) { return std::abs(v[2] - z) < 1e-4; });
}

std::vector<Triangle> capAt(const std::vector<Triangle>& all, double z) {
    std::vector<Triangle> cap;
    for (const Triangle& t : all) {
        if (atDepth(t, z)) cap.push_back(t);
    }
    return cap;
}

bool covers(const std::vector<Triangle>& cap, double x, double y) {
    for (const Triangle& t : cap) {
        const double area = signedArea(t);
        if (area == 0) continue;
        const double sign = area > 0 ? 1 : -1;
        bool inside = true;
        for (int e = 0; e < 3 && inside; ++e) {
            const Vertex& a = t[e];
            const Vertex& b = t[(e + 1) % 3];
            inside = sign * ((b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0])) >= 0;
        }
        if (inside) return true;
    }
    return false;
}

struct Font {
    GLuint base = 0;
    platform::GlyphMetrics metrics[255];
    bool built = false;
};

Font buildTimes() {
    Font font;
    font.base = glGenLists(256);
    font.built = platform::buildOutlineGlyphs("Times New Roman", 0, 255, font.base, 0, kExtrusion,
                                              font.metrics);
    return font;
}

}  // namespace

// The show's own font: caps at both depths facing away from the solid,
// walls facing out, and metrics in em units of a Times-compatible face.
TEST(OutlineGlyphs, LetterIsASolidWithOutwardFaces) {
    ASSERT_TRUE(test_support::openGlContext());
    const Font font = buildTimes();
    ASSERT_TRUE(font.built);

    const std::vector<Triangle> all = drawnTriangles(font.base + 'A');
    const std::vector<Triangle> front = capAt(all, 0);
    const std::vector<Triangle> back = capAt(all, -kExtrusion);
    ASSERT_FALSE(front.empty());
    EXPECT_EQ(front.size(), back.size());
    double frontArea = 0, backArea = 0;
    for (const Triangle& t : front) {
        EXPECT_GE(signedArea(t), 0) << "front cap must face +z";
        for (const Vertex& v : t) EXPECT_NEAR(v[3], 0, 0.02) << "cap normal along z";
        frontArea += signedArea(t);
    }
    for (const Triangle& t : back) {
        EXPECT_LE(signedArea(t), 0) << "back cap must face -z";
        backArea -= signedArea(t);
    }
    EXPECT_GT(frontArea, 0.05);
    EXPECT_LT(frontArea, 0.4);
    EXPECT_NEAR(frontArea, backArea, 1e-6);

    // Each wall triangle, stepped a little along its own normal, leaves the
    // letter; stepped against it, it enters.
    int walls = 0;
    for (const Triangle& t : all) {
        if (atDepth(t, 0) || atDepth(t, -kExtrusion)) continue;
        for (const Vertex& v : t) {
            EXPECT_TRUE(std::abs(v[2]) < 1e-4 || std::abs(v[2] + kExtrusion) < 1e-4)
                << "vertex between the caps at z = " << v[2];
        }
        const std::array<double, 3> u{t[1][0] - t[0][0], t[1][1] - t[0][1], t[1][2] - t[0][2]};
        const std::array<double, 3> w{t[2][0] - t[0][0], t[2][1] - t[0][1], t[2][2] - t[0][2]};
        const double nx = u[1] * w[2] - u[2] * w[1];
        const double ny = u[2] * w[0] - u[0] * w[2];
        const double length = std::hypot(nx, ny);
        if (length < 1e-9) continue;
        ++walls;
        const double cx = (t[0][0] + t[1][0] + t[2][0]) / 3;
        const double cy = (t[0][1] + t[1][1] + t[2][1]) / 3;
        const double step = 1e-4 / length;
        EXPECT_FALSE(covers(front, cx + nx * step, cy + ny * step)) << "wall faces inwards";
        EXPECT_TRUE(covers(front, cx - nx * step, cy - ny * step)) << "wall off the outline";
        // The normals given agree with the wall's facing.
        const double lit = std::max(0.0, (nx * kLightX + ny * kLightY) / length);
        for (const Vertex& v : t) EXPECT_NEAR(v[3], lit, 0.02) << "wall normal";
    }
    EXPECT_GT(walls, 20);

    // Times New Roman's advances; a face that is not metric-compatible
    // would move every line of text.
    const platform::GlyphMetrics& a = font.metrics[code('A')];
    EXPECT_NEAR(a.cellIncX, 1479 / 2048.0, 1e-4);
    EXPECT_NEAR(font.metrics[code('m')].cellIncX, 1593 / 2048.0, 1e-4);
    EXPECT_NEAR(font.metrics[code(' ')].cellIncX, 0.25, 1e-4);
    EXPECT_EQ(a.cellIncY, 0);
    EXPECT_NEAR(a.originY - a.blackBoxY, 0, 0.01) << "'A' sits on the baseline";
    EXPECT_NEAR(a.blackBoxY, 0.65, 0.05);
    EXPECT_LT(font.metrics[code('g')].originY - font.metrics[code('g')].blackBoxY, -0.1)
        << "descender";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(OutlineGlyphs, CodePageHolesAndMissingGlyphs) {
    ASSERT_TRUE(test_support::openGlContext());
    const Font font = buildTimes();
    ASSERT_TRUE(font.built);

    // 'o': the counter stays open, the stroke is filled.
    const platform::GlyphMetrics& o = font.metrics[code('o')];
    const std::vector<Triangle> ring = capAt(drawnTriangles(font.base + 'o'), 0);
    const double middleY = o.originY - o.blackBoxY / 2;
    EXPECT_FALSE(covers(ring, o.originX + o.blackBoxX / 2, middleY));
    EXPECT_TRUE(covers(ring, o.originX + 0.02, middleY));

    // Code page 1252, not Latin-1: 0x80 is the euro sign, 0x9F is Y with
    // diaeresis; 0x81 is undefined and the face has nothing for it.
    EXPECT_FALSE(capAt(drawnTriangles(font.base + 0x80), 0).empty());
    EXPECT_NEAR(font.metrics[0x80].cellIncX, 0.5, 1e-4);
    EXPECT_FALSE(capAt(drawnTriangles(font.base + 0x9F), 0).empty());
    EXPECT_FLOAT_EQ(font.metrics[0x9F].cellIncX, font.metrics[code('Y')].cellIncX);
    EXPECT_FALSE(capAt(drawnTriangles(font.base + 0xE9), 0).empty()) << "composite glyph";

    // A missing glyph draws nothing but still advances.
    EXPECT_TRUE(drawnTriangles(font.base + 0x81).empty());
    EXPECT_GT(font.metrics[0x81].cellIncX, 0);
    EXPECT_EQ(font.metrics[0x81].blackBoxX, 0);

    // A part of the range lands at the list base with the same glyphs.
    const GLuint part = glGenLists(2);
    platform::GlyphMetrics partMetrics[2];
    ASSERT_TRUE(
        platform::buildOutlineGlyphs("Times New Roman", 'A', 2, part, 0, kExtrusion, partMetrics));
    EXPECT_FLOAT_EQ(partMetrics[0].cellIncX, font.metrics[code('A')].cellIncX);
    EXPECT_FLOAT_EQ(partMetrics[1].blackBoxX, font.metrics[code('B')].blackBoxX);
    EXPECT_EQ(drawnTriangles(part).size(), drawnTriangles(font.base + 'A').size());
}

// Extrusion 0 gives the front cap alone; a coarser deviation gives far
// fewer segments on the curves.
TEST(OutlineGlyphs, FlatGlyphsAndCoarseCurves) {
    ASSERT_TRUE(test_support::openGlContext());
    const GLuint lists = glGenLists(2);
    platform::GlyphMetrics metrics;
    ASSERT_TRUE(platform::buildOutlineGlyphs("Times New Roman", 'O', 1, lists, 0, 0, &metrics));
    ASSERT_TRUE(
        platform::buildOutlineGlyphs("Times New Roman", 'O', 1, lists + 1, 0.05f, 0, &metrics));
    const std::vector<Triangle> fine = drawnTriangles(lists);
    ASSERT_FALSE(fine.empty());
    EXPECT_EQ(capAt(fine, 0).size(), fine.size());
    for (const Triangle& t : fine) EXPECT_GE(signedArea(t), 0);
    const std::size_t coarse = drawnTriangles(lists + 1).size();
    EXPECT_GT(coarse, 4u);
    EXPECT_LT(coarse * 2, fine.size());
}

TEST(OutlineGlyphs, BadArgumentsFailInOneLine) {
    platform::GlyphMetrics metrics[2];
    metrics[0].cellIncX = 5;
    testing::internal::CaptureStderr();
    // List base 0 names no lists: nothing may be written, GL not touched.
    EXPECT_FALSE(platform::buildOutlineGlyphs("Times New Roman", 0, 2, 0, 0, kExtrusion, metrics));
    EXPECT_FALSE(
        platform::buildOutlineGlyphs("Times New Roman", 250, 7, 1, 0, kExtrusion, nullptr));
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(metrics[0].cellIncX, 0) << "metrics are cleared on failure";
    EXPECT_EQ(errors.find("streakshow: font Times New Roman: "), 0u);
    int lines = 0;
    for (char c : errors) lines += c == '\n';
    EXPECT_EQ(lines, 2) << errors;
}

// With no fonts at all fontconfig has nothing to offer: the build fails in
// one line before touching GL. Runs in a fresh process, since fontconfig
// reads its configuration once.
TEST(OutlineGlyphsDeathTest, NoFontsFailsInOneLine) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("streakshow-nofonts-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "broken.ttf") << "not a font";
    std::ofstream(dir / "fonts.conf")
        << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig><dir>"
        << dir.string() << "</dir><cachedir>" << (dir / "cache").string()
        << "</cachedir></fontconfig>\n";
    const std::string conf = (dir / "fonts.conf").string();
    EXPECT_EXIT(
        {
            setenv("FONTCONFIG_FILE", conf.c_str(), 1);
            platform::GlyphMetrics metrics[3];
            metrics[1].cellIncX = 1;
            const bool built = platform::buildOutlineGlyphs("Times New Roman", 65, 3, 1000, 0,
                                                            kExtrusion, metrics);
            std::exit(built ? 1 : metrics[1].cellIncX == 0 ? 0 : 2);
        },
        testing::ExitedWithCode(0), "^streakshow: font Times New Roman: [^\n]+\n$");
    std::filesystem::remove_all(dir);
}
