// The GL context that GL tests draw into: 1024 by 768, hidden, on Mesa's
// software rasteriser. Opened once per test process.
#pragma once

namespace test_support {

// Opens the context if needed and makes it current. Fails the calling test
// (and returns false) when no context can be made.
bool openGlContext();
// Presents the back buffer (for tests that look at the front buffer).
void swapGlBuffers();

}  // namespace test_support
