// The show's font as start-up builds it.
#include "render/outline_font.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <set>
#include <vector>

#include "tests/support/gl_test_context.h"

namespace {

// Array index of a character's glyph.
constexpr int code(char c) {
    return static_cast<unsigned char>(c);
}

// The depths of every vertex the list draws (identity matrices, so window
// depth maps straight back to object z), or nothing for an empty list.
std::vector<double> drawnDepths(GLuint list) {
    glDepthRange(0, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glCallList(list);
    const GLint used = glRenderMode(GL_RENDER);
    glPopMatrix();
    EXPECT_GE(used, 0) << "feedback buffer overflowed";
    std::vector<double> depths;
    for (GLint i = 0; i < used;) {
        EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
        const GLint n = static_cast<GLint>(buffer[i + 1]);
        for (GLint k = 0; k < n; ++k) depths.push_back(buffer[i + 2 + 3 * k + 2] * 2.0 - 1);
        i += 2 + 3 * n;
    }
    return depths;
}

}  // namespace

TEST(OutlineFont, BuildsGlyphsZeroTo254AndLeavesTheLastListEmpty) {
    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    render::OutlineFont font;
    const auto start = std::chrono::steady_clock::now();
    font.build("Times New Roman", 0.2f);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    // Start-up pays this every time the show runs; reported, not asserted.
    std::printf("outline font: 255 glyphs built in %.1f ms\n", took.count());
    RecordProperty("build_ms", static_cast<int>(std::lround(took.count())));

    ASSERT_NE(font.listBase, 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_EQ(modelview[12], 0) << "building must not run the lists";

    // Each list advances by its own glyph's metrics; the last list is
    // reserved but holds nothing: no shape, no advance.
    for (GLuint i = 0; i < 256; ++i) {
        glPushMatrix();
        glCallList(font.listBase + i);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        glPopMatrix();
        EXPECT_FLOAT_EQ(modelview[12], font.glyphMetrics[i].cellIncX) << "glyph " << i;
    }
    EXPECT_TRUE(drawnDepths(font.listBase + 255).empty());
    const render::GlyphMetricsFloat& last = font.glyphMetrics[255];
    for (float field : {last.blackBoxX, last.blackBoxY, last.originX, last.originY, last.cellIncX,
                        last.cellIncY}) {
        EXPECT_EQ(field, 0);
    }

    // 'A' is extruded from z = 0 back to z = -0.2 and nowhere else.
    std::set<long> depths;
    for (double z : drawnDepths(font.listBase + 'A')) depths.insert(std::lround(z * 1e4));
    EXPECT_EQ(depths, (std::set<long>{-2000, 0}));

    // Metrics in em units, each field where it belongs.
    const render::GlyphMetricsFloat& a = font.glyphMetrics[code('A')];
    EXPECT_GT(a.cellIncX, 0.5f);
    EXPECT_LT(a.cellIncX, 1.0f);
    EXPECT_NEAR(a.originY, a.blackBoxY, 0.01f) << "'A' stands on the baseline";
    EXPECT_TRUE(drawnDepths(font.listBase + ' ').empty());
}

// A face nobody has still leaves a usable font (fontconfig's closest) or
// empty lists; the last list is empty either way.
TEST(OutlineFont, UnknownFaceNeverCrashes) {
    ASSERT_TRUE(test_support::openGlContext());
    render::OutlineFont font;
    font.build("No Such Face 51a0", 0.2f);
    ASSERT_NE(font.listBase, 0u);
    EXPECT_TRUE(drawnDepths(font.listBase + 255).empty());
    EXPECT_EQ(drawnDepths(font.listBase + 'A').empty(), font.glyphMetrics[code('A')].cellIncX == 0);
}
