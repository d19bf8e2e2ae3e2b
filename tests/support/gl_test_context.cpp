#include "tests/support/offscreen_context.h"
#include "tests/support/test.h"

namespace test_support {

bool openGlContext() {
    static OffscreenContext* const context = new OffscreenContext();
    const bool open = context->open(1024, 768);
    EXPECT_TRUE(open) << "no offscreen GL context";
    return open;
}

std::vector<std::vector<float>> feedback(GLenum type, int size, const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 21);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), type, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "feedback buffer overflowed";
    std::vector<std::vector<float>> vertices;
    for (GLint i = 0; i < used; i += 2 + size * static_cast<int>(buffer[i + 1])) {
        EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
        for (int v = 0; v < static_cast<int>(buffer[i + 1]); ++v)
            vertices.emplace_back(&buffer[i + 2 + size * v], &buffer[i + 2 + size * (v + 1)]);
    }
    return vertices;
}

}  // namespace test_support
