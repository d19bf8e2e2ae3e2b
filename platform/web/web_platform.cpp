#include "platform/web/web_platform.h"

#include "platform/outline_glyphs.h"

#include <GL/gl.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/web/gl/gl11.h"

// The page (web/index.html) keeps what only it can do under Module.page;
// these are the program's calls into it. The asynchronous ones suspend the
// program (Asyncify) until the page answers.

// clang-format off
EM_ASYNC_JS(int, pageAsk, (const char* text, const char* caption), {
    return (await Module.page.ask(UTF8ToString(text), UTF8ToString(caption))) ? 1 : 0;
});
EM_ASYNC_JS(void, pageNotice, (const char* text, const char* caption), {
    await Module.page.notice(UTF8ToString(text), UTF8ToString(caption));
});
EM_ASYNC_JS(int, pageFullscreen, (), {
    return (await Module.page.fullscreen()) ? 1 : 0;
});
EM_ASYNC_JS(void, pageNextFrame, (int recording), {
    await Module.page.nextFrame(recording);
});
EM_ASYNC_JS(void, pageFetchFiles, (const char* names, const char* music), {
    const files = await Module.page.fetchFiles(UTF8ToString(names).split('\n'), UTF8ToString(music));
    // Each is [name, bytes], or [name, null] when it could not be had: the
    // file then stays missing.
    for (const file of files) {
        const slash = file[0].lastIndexOf('/');
        if (slash > 0) FS.mkdirTree(file[0].substring(0, slash));
        if (file[1]) FS.writeFile(file[0], file[1]);
    }
});
EM_JS(double, pageClock, (), { return Module.page.clock(); });
EM_JS(void, pageHideCursor, (), { Module.page.hideCursor(); });
EM_JS(void, pageShowCanvas, (const char* title), { Module.page.showCanvas(UTF8ToString(title)); });
// The next event the page saw, by its name: `escape` or `close` as it is
// one of those, `none` when there is none left; others are passed over.
EM_JS(int, pageTakeEvent, (int none, int escape, int close), {
    for (;;) {
        const name = Module.page.events.shift();
        if (name === undefined) return none;
        if (name === "escape") return escape;
        if (name === "close") return close;
    }
});
EM_JS(void, pageOpenMusic, (const char* url), { Module.page.openMusic(UTF8ToString(url)); });
EM_ASYNC_JS(void, pagePlayMusic, (), {
    await Module.page.playMusic();
});
EM_JS(void, pageFrame, (double index, const char* note, const unsigned char* pixels, int size), {
    Module.page.frame(index, UTF8ToString(note), HEAPU8.subarray(pixels, pixels + size));
});
EM_JS(void, pageEnded, (int status), { Module.page.ended(status); });
EM_JS(char*, pageRecording, (), {
    const text = Module.page.recording || "";
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});
// clang-format on

namespace platform {
namespace {}  // namespace

WebPlatform::WebPlatform() = default;

bool WebPlatform::askYesNo(const char* text, const char* caption) {
    return pageAsk(text, caption) != 0;
}

void WebPlatform::showNotice(const char* text, const char* caption) {
    pageNotice(text, caption);
}

bool WebPlatform::prepareWindow(const WindowDescription&) {
    return true;
}

bool WebPlatform::changeDisplayMode(const WindowDescription&) {
    // The canvas keeps its pixels; full screen scales it up.
    return pageFullscreen() != 0;
}

void WebPlatform::hideCursor() {
    pageHideCursor();
}

WindowHandle WebPlatform::createWindow(const WindowDescription& window) {
    if (width_ != 0 || window.width <= 0 || window.height <= 0 ||
        emscripten_set_canvas_element_size("#canvas", window.width, window.height) !=
            EMSCRIPTEN_RESULT_SUCCESS) {
        return nullptr;
    }
    width_ = window.width;
    height_ = window.height;
    pageShowCanvas(window.title != nullptr ? window.title : "");
    return this;
}

bool WebPlatform::createGlContext(WindowHandle window, const WindowDescription& description) {
    if (window != this) return false;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    // An opaque canvas: the streaks' alpha is not for the page behind it.
    attributes.alpha = false;
    attributes.depth = description.depthBits > 0;
    attributes.stencil = false;
    attributes.antialias = false;
    attributes.premultipliedAlpha = false;
    attributes.preserveDrawingBuffer = false;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0 ||
        emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        return false;
    }
    return webgl::initialize();
}

void WebPlatform::showWindow(WindowHandle) {}

void WebPlatform::pumpEvents() {
    constexpr int kNone = -1;
    for (int event; (event = pageTakeEvent(kNone, static_cast<int>(WindowEvent::escape),
                                           static_cast<int>(WindowEvent::close))) != kNone;) {
        deliver(static_cast<WindowEvent>(event));
    }
}

void WebPlatform::swapBuffers(WindowHandle) {
    webgl::flush();
    pageNextFrame(clock() != nullptr ? 1 : 0);
}

std::uint32_t WebPlatform::milliseconds() {
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(pageClock()));
}

void WebPlatform::startSoundSystem(int channels) {
    soundReady_ = channels > 0;
}

void WebPlatform::openMusicStream(const char* path) {
    if (!soundReady_ || path == nullptr) return;
    // The program's files mirror the page's folder, so the name is the
    // address relative to the page.
    pageOpenMusic(path);
    musicOpen_ = true;
}

void WebPlatform::playMusic() {
    if (musicOpen_) pagePlayMusic();
}

void WebPlatform::fetchFiles(const std::vector<std::string>& paths, const char* music) {
    std::string names;
    for (const std::string& path : paths) names += (names.empty() ? "" : "\n") + path;
    pageFetchFiles(names.c_str(), music);
}

void WebPlatform::ended(int status) {
    pageEnded(status);
}

std::string WebPlatform::requestedRecording() {
    char* text = pageRecording();
    std::string request = text;
    std::free(text);
    return request;
}

void WebPlatform::handFrame(std::int64_t index, const std::string& note) {
    pixels_.resize(std::size_t(width_) * std::size_t(height_) * 4);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels_.data());
    pageFrame(static_cast<double>(index), note.c_str(), pixels_.data(),
              static_cast<int>(pixels_.size()));
}

// A page has no font configuration: it ships the face fontconfig picks for
// the show's family on Linux.
bool findFace(const char*, std::string& file, int& index, std::string&) {
    file = kWebFacePath;
    index = 0;
    return true;
}

}  // namespace platform
