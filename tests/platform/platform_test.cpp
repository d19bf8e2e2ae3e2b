// The generator's sequence, and glyph lists looked at through GL feedback
// in object coordinates.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/outline_glyphs.h"
#include "platform/random.h"
#include "tests/support/gl_test_context.h"

namespace {

TEST(Random, ReproducesTheRuntimeSequenceFromStateOne) {
    for (const int value : {41, 18467, 6334, 26500, 19169, 15724})
        EXPECT_EQ(platform::rand(), value);
    platform::srand(39420);
    std::uint64_t state = 39420;
    for (int i = 0; i < 1000; ++i) {
        state = (state * 214013 + 2531011) % (std::uint64_t{1} << 32);
        ASSERT_EQ(platform::rand(), static_cast<int>((state >> 16) & 0x7FFF)) << i;
    }
}

using Vertex = std::array<double, 4>;  // x, y, z, and the lit red, which shows the normal
using Triangle = std::array<Vertex, 3>;
constexpr float kExtrusion = 0.2f;
constexpr double kLightX = 0.6, kLightY = 0.8;  // red = max(0, normal . light)

// Every triangle the list draws, lit by a white directional light alone.
std::vector<Triangle> drawn(GLuint list) {
    glViewport(0, 0, 1024, 768);
    const GLfloat black[] = {0, 0, 0, 1}, white[] = {1, 1, 1, 1};
    const GLfloat direction[] = {GLfloat(kLightX), GLfloat(kLightY), 0, 0};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    std::vector<GLfloat> buffer(1 << 21);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glPushMatrix();
    glCallList(list);
    glPopMatrix();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<Triangle> triangles;
    for (GLint i = 0; i < used; i += 2 + 7 * 3) {
        EXPECT_TRUE(buffer[i] == GL_POLYGON_TOKEN && buffer[i + 1] == 3);
        Triangle& t = triangles.emplace_back();
        for (int k = 0; k < 3; ++k) {
            const GLfloat* v = &buffer[i + 2 + 7 * k];
            t[k] = {v[0] / 512.0 - 1, v[1] / 384.0 - 1, v[2] * 2.0 - 1, v[3]};
        }
    }
    return triangles;
}

double area(const Triangle& t) {
    return 0.5 *
           ((t[1][0] - t[0][0]) * (t[2][1] - t[0][1]) - (t[2][0] - t[0][0]) * (t[1][1] - t[0][1]));
}
std::vector<Triangle> capAt(const std::vector<Triangle>& all, double z) {
    std::vector<Triangle> cap;
    for (const Triangle& t : all)
        if (std::all_of(t.begin(), t.end(),
                        [z](const Vertex& v) { return std::abs(v[2] - z) < 1e-4; }))
            cap.push_back(t);
    return cap;
}
bool covers(const std::vector<Triangle>& cap, double x, double y) {
    return std::any_of(cap.begin(), cap.end(), [=](const Triangle& t) {
        for (int e = 0; e < 3; ++e) {
            const Vertex &a = t[e], &b = t[(e + 1) % 3];
            if ((b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]) < 0) return false;
        }
        return area(t) > 0;
    });
}

TEST(OutlineGlyphs, LettersAreSolidsWithOutwardFacesAndTimesMetrics) {
    ASSERT_TRUE(test_support::openGlContext());
    const GLuint base = glGenLists(256);
    platform::GlyphMetrics m[255];
    ASSERT_TRUE(platform::buildOutlineGlyphs("Times New Roman", 0, 255, base, 0, kExtrusion, m));
    const std::vector<Triangle> all = drawn(base + 'A');
    const std::vector<Triangle> front = capAt(all, 0), back = capAt(all, -kExtrusion);
    ASSERT_TRUE(!front.empty() && front.size() == back.size());
    double frontArea = 0, backArea = 0;
    for (const Triangle& t : front) {
        EXPECT_GE(area(t), 0) << "the front cap faces +z";
        for (const Vertex& v : t) EXPECT_NEAR(v[3], 0, 0.02) << "cap normal along z";
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
        const double step = 1e-4 / length;
        EXPECT_FALSE(covers(front, cx + nx * step, cy + ny * step)) << "wall faces inwards";
        EXPECT_TRUE(covers(front, cx - nx * step, cy - ny * step)) << "wall off the outline";
        for (const Vertex& v : t)
            EXPECT_NEAR(v[3], std::max(0.0, (nx * kLightX + ny * kLightY) / length), 0.02);
    }
    EXPECT_GT(walls, 20);
    // 'o' keeps its counter open.
    const std::vector<Triangle> o = capAt(drawn(base + 'o'), 0);
    const double middle = m['o'].originY - m['o'].blackBoxY / 2;
    EXPECT_FALSE(covers(o, m['o'].originX + m['o'].blackBoxX / 2, middle));
    EXPECT_TRUE(covers(o, m['o'].originX + 0.02, middle));

    // Times New Roman's advances in em units; 'A' on the baseline, 'g' below.
    EXPECT_NEAR(m['A'].cellIncX, 1479 / 2048.0, 1e-4);
    EXPECT_NEAR(m['m'].cellIncX, 1593 / 2048.0, 1e-4);
    EXPECT_NEAR(m[' '].cellIncX, 0.25, 1e-4);
    EXPECT_NEAR(m['A'].originY - m['A'].blackBoxY, 0, 0.01);
    EXPECT_NEAR(m['A'].blackBoxY, 0.65, 0.05);
    EXPECT_LT(m['g'].originY - m['g'].blackBoxY, -0.1);
    // Code page 1252: 0x80 the euro sign, 0x9F Y with diaeresis; 0x81 is
    // undefined: nothing drawn, and the face's .notdef advance.
    EXPECT_FALSE(capAt(drawn(base + 0x80), 0).empty());
    EXPECT_NEAR(m[0x80].cellIncX, 0.5, 1e-4);
    EXPECT_EQ(m[0x9F].cellIncX, m['Y'].cellIncX);
    EXPECT_FALSE(capAt(drawn(base + 0xE9), 0).empty()) << "a composite glyph";
    EXPECT_TRUE(drawn(base + 0x81).empty());
    EXPECT_TRUE(m[0x81].cellIncX > 0 && m[0x81].blackBoxX == 0);
}

TEST(OutlineGlyphs, BadArgumentsFailInOneLineAndClearTheMetrics) {
    platform::GlyphMetrics metrics[2];
    metrics[0].cellIncX = 5;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(platform::buildOutlineGlyphs("Times New Roman", 0, 2, 0, 0, kExtrusion, metrics));
    EXPECT_FALSE(
        platform::buildOutlineGlyphs("Times New Roman", 250, 7, 1, 0, kExtrusion, nullptr));
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(metrics[0].cellIncX, 0);
    EXPECT_EQ(errors.find("streakshow: font Times New Roman: "), 0u);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2) << errors;
}

// With no fonts fontconfig has nothing to offer. In a fresh process, since
// fontconfig reads its configuration once.
TEST(OutlineGlyphsDeathTest, NoFontsFailsInOneLine) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto dir =
        std::filesystem::temp_directory_path() / ("streakshow-fonts-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "broken.ttf") << "not a font";
    std::ofstream(dir / "fonts.conf")
        << "<?xml version=\"1.0\"?>\n<fontconfig><dir>" << dir.string() << "</dir><cachedir>"
        << (dir / "cache").string() << "</cachedir></fontconfig>\n";
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

}  // namespace
