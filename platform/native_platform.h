// The platform the show runs on by itself: Win32 and WGL on Windows, the
// page's canvas in a browser, SDL2 everywhere else. The desktop two take the
// same options, and a subclass (the capture program's) may deliver the
// show's events itself.
#pragma once

#if defined(_WIN32)
#include "platform/win32/win32_platform.h"
namespace platform {
using NativePlatform = Win32Platform;
}
#elif defined(__EMSCRIPTEN__)
#include "platform/web/web_platform.h"
namespace platform {
using NativePlatform = WebPlatform;
}
#else
#include "platform/sdl/sdl_platform.h"
namespace platform {
using NativePlatform = SdlPlatform;
}
#endif
