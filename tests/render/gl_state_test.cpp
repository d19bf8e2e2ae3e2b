// The overlay mode and the perspective, on a real GL context.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "render/gl_state.h"
#include "tests/support/gl_test_context.h"

namespace {

using Matrix = std::array<GLfloat, 16>;

Matrix currentMatrix(GLenum which) {
    Matrix m{};
    glGetFloatv(which, m.data());
    return m;
}

// Window coordinates of the points, through GL feedback.
std::vector<std::array<float, 2>> windowPositions(const std::vector<std::array<float, 2>>& points) {
    std::vector<GLfloat> buffer(64 * points.size());
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    for (const auto& p : points) {
        glBegin(GL_POINTS);
        glVertex2f(p[0], p[1]);
        glEnd();
    }
    const GLint count = glRenderMode(GL_RENDER);
    std::vector<std::array<float, 2>> out;
    for (GLint i = 0; i + 2 < count; i += 3) {
        EXPECT_EQ(buffer[i], GL_POINT_TOKEN);
        out.push_back({buffer[i + 1], buffer[i + 2]});
    }
    return out;
}

}  // namespace

TEST(Overlay, MapsTheCornersOfBothSpacesTheShowUses) {
    ASSERT_TRUE(test_support::openGlContext());
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_MODELVIEW);

    render::beginOverlay(0, 0, 480, 640);  // pixel units, y down
    auto pixels = windowPositions({{0, 0}, {640, 480}, {320, 240}});
    render::endOverlay();
    ASSERT_EQ(pixels.size(), 3u);
    EXPECT_FLOAT_EQ(pixels[0][0], 0);
    EXPECT_FLOAT_EQ(pixels[0][1], 768) << "(0, 0) is the top-left corner";
    EXPECT_FLOAT_EQ(pixels[1][0], 1024);
    EXPECT_FLOAT_EQ(pixels[1][1], 0) << "(640, 480) is the bottom-right corner";
    EXPECT_FLOAT_EQ(pixels[2][0], 512);
    EXPECT_FLOAT_EQ(pixels[2][1], 384);

    render::beginOverlay(1, -1, -1, 1);  // the unit square, y up
    auto square = windowPositions({{-1, -1}, {1, 1}});
    render::endOverlay();
    ASSERT_EQ(square.size(), 2u);
    EXPECT_FLOAT_EQ(square[0][0], 0);
    EXPECT_FLOAT_EQ(square[0][1], 0) << "(-1, -1) is the bottom-left corner";
    EXPECT_FLOAT_EQ(square[1][0], 1024);
    EXPECT_FLOAT_EQ(square[1][1], 768);
}

TEST(Overlay, RestoresMatricesAndEveryAttributeWhateverTheDrawingChanged) {
    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor4f(0.25f, 0.5f, 0.75f, 1);
    const Matrix projection = currentMatrix(GL_PROJECTION_MATRIX);
    const Matrix modelview = currentMatrix(GL_MODELVIEW_MATRIX);

    render::beginOverlay(0, 0, 480, 640);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glEnable(GL_FOG);
    glColor3f(1, 0, 0);
    glScalef(2, 2, 2);
    render::endOverlay();

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(currentMatrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(currentMatrix(GL_MODELVIEW_MATRIX), modelview);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 0.25f);
    EXPECT_EQ(colour[2], 0.75f);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(Perspective, LoadsTheShowsProjectionAndLeavesTheModelviewCurrent) {
    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, 1.3333334f, 0.01f, 10000);
    const Matrix expected = currentMatrix(GL_PROJECTION_MATRIX);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(5, 0, 0);
    const Matrix modelview = currentMatrix(GL_MODELVIEW_MATRIX);

    render::setPerspective(45, 1.3333334f);
    EXPECT_EQ(currentMatrix(GL_PROJECTION_MATRIX), expected);
    EXPECT_EQ(currentMatrix(GL_MODELVIEW_MATRIX), modelview);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}
