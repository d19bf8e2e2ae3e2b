// The platform the show runs on by itself: Win32 and WGL on Windows, the
// page's canvas in a browser, SDL2 everywhere else. Both take the same options and let a subclass (the
// capture program's) hand messages to the window procedure.
#pragma once

#if defined(_WIN32)
#include "platform/win32_platform.h"
namespace platform {
using NativePlatform = Win32Platform;
}
#elif defined(__EMSCRIPTEN__)
#include "platform/web_platform.h"
namespace platform {
using NativePlatform = WebPlatform;
}
#else
#include "platform/sdl_platform.h"
namespace platform {
using NativePlatform = SdlPlatform;
}
#endif
