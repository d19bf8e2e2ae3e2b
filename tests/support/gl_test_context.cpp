#include "tests/support/gl_test_context.h"

#include <gtest/gtest.h>

#include "platform/offscreen_context.h"

namespace test_support {
namespace {
platform::OffscreenContext& context() {
    static platform::OffscreenContext* const instance = new platform::OffscreenContext();
    return *instance;
}
}  // namespace

bool openGlContext() {
    const bool open = context().open(1024, 768);
    EXPECT_TRUE(open) << "no offscreen GL context";
    return open;
}

void swapGlBuffers() {
    context().swapBuffers();
}

}  // namespace test_support
