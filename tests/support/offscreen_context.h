// A hidden GL context with a back buffer of a given size, on SDL's offscreen
// video driver: no display needed. Tests draw into it; it is
// a compatibility context like the show's own.
#pragma once

namespace test_support {

class OffscreenContext {
  public:
    OffscreenContext() = default;
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    // Opens the context and makes it current; false, with one line on
    // standard error, when it cannot.
    bool open(int width, int height);
    void swapBuffers();
    bool isOpen() const { return context_ != nullptr; }

  private:
    void* window_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace test_support
