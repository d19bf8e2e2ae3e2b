#include "render/primitives.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "image/texture.h"
#include "tests/support/gl_test_context.h"

namespace {

struct FeedbackVertex {
    float x, y, s, t;
};

// Window coordinates equal to the drawing coordinates.
void pixelSpace() {
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1024, 0, 768, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Runs `draw` in feedback mode and returns the polygons it produced.
template <class Draw>
std::vector<std::vector<FeedbackVertex>> feedback(Draw draw) {
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<std::vector<FeedbackVertex>> polygons;
    for (GLint i = 0; i < used;) {
        EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
        const int count = static_cast<int>(buffer[i + 1]);
        i += 2;
        std::vector<FeedbackVertex> polygon;
        for (int v = 0; v < count; ++v, i += 12) {
            polygon.push_back({buffer[i], buffer[i + 1], buffer[i + 8], buffer[i + 9]});
        }
        polygons.push_back(polygon);
    }
    return polygons;
}

TEST(TexturedQuad, ShowsTheUsedPartAndRestoresTheState) {
    ASSERT_TRUE(test_support::openGlContext());
    pixelSpace();
    image::Texture texture;
    std::vector<unsigned char> pixels(640 * 480 * 4, 99);
    texture.upload(pixels.data(), 640, 480);
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    const GLenum caps[] = {GL_LIGHTING, GL_FOG, GL_CULL_FACE, GL_BLEND, GL_DEPTH_TEST};
    for (GLenum cap : caps) glEnable(cap);
    glDisable(GL_TEXTURE_2D);

    // top 700, left 100, bottom 50, right 900: the picture stands upright.
    const auto polygons = feedback([&] { render::drawTexturedQuad(texture, 700, 100, 50, 900); });
    ASSERT_FALSE(polygons.empty());
    const FeedbackVertex corners[4] = {
        {100, 50, 0, 0.9375f}, {100, 700, 0, 0}, {900, 700, 0.625f, 0}, {900, 50, 0.625f, 0.9375f}};
    for (const FeedbackVertex& c : corners) {
        bool seen = false;
        for (const auto& polygon : polygons) {
            for (const FeedbackVertex& v : polygon) {
                if (std::fabs(v.x - c.x) < 0.01f && std::fabs(v.y - c.y) < 0.01f) {
                    EXPECT_FLOAT_EQ(v.s, c.s);
                    EXPECT_FLOAT_EQ(v.t, c.t);
                    seen = true;
                }
            }
        }
        EXPECT_TRUE(seen) << c.x << "," << c.y;
    }
    for (GLenum cap : caps) EXPECT_TRUE(glIsEnabled(cap)) << cap;
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0, mode = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(static_cast<GLuint>(bound), other);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glDeleteTextures(1, &other);
    for (GLenum cap : caps) glDisable(cap);
}

TEST(FilledCircle, WedgesRunClockwiseFromTheTopAndClose) {
    ASSERT_TRUE(test_support::openGlContext());
    pixelSpace();
    // Back faces culled: every wedge winds counter-clockwise and survives.
    glEnable(GL_CULL_FACE);
    const auto polygons =
        feedback([] { render::drawFilledCircle(500, 400, 100, 20, 0.0f, 0.0f, 0.0f, 1.0f); });
    glDisable(GL_CULL_FACE);
    ASSERT_EQ(polygons.size(), 20u);
    auto angle = [](const FeedbackVertex& v) {
        return std::atan2(static_cast<double>(v.x) - 500, static_cast<double>(v.y) - 400);
    };
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        const auto& p = polygons[i];
        ASSERT_EQ(p.size(), 3u);
        EXPECT_NEAR(p[0].x, 500, 1e-3);
        EXPECT_NEAR(p[0].y, 400, 1e-3);
        // Earlier point at i * 6.28 / 20, clockwise from straight up.
        const double a = static_cast<float>(static_cast<double>(i) / 20 * 6.28f);
        EXPECT_NEAR(p[2].x, 500 + 100 * std::sin(a), 2e-3) << i;
        EXPECT_NEAR(p[2].y, 400 + 100 * std::cos(a), 2e-3) << i;
        double wedge = angle(p[1]) - angle(p[2]);
        if (wedge < 0) wedge += 2 * M_PI;
        EXPECT_NEAR(wedge, i + 1 < 20 ? 0.314 : 2 * M_PI - 19 * 0.314, 1e-4) << i;
    }
    // The last wedge ends where the first began: straight up.
    EXPECT_NEAR(polygons[19][1].x, 500, 1e-3);
    EXPECT_NEAR(polygons[19][1].y, 500, 1e-3);

    // No wedges: only the colour is set.
    EXPECT_TRUE(
        feedback([] { render::drawFilledCircle(0, 0, 1, 0, 0.25f, 0.5f, 0.75f, 1.0f); }).empty());
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    // One wedge: the centre and the top point twice.
    const auto one = feedback([] { render::drawFilledCircle(10, 10, 5, 1, 1, 1, 1, 1); });
    for (const auto& p : one) {
        for (std::size_t v = 1; v < p.size(); ++v) EXPECT_NEAR(p[v].y, 15, 1e-3);
    }
}

}  // namespace
