// The running program's surroundings, as each system tells them. Each
// backend's half lies in its own folder: sdl/program.cpp (POSIX and SDL),
// win32/program.cpp, web/program.cpp.
#pragma once

#include <filesystem>

namespace platform {

// The folder of the running program, whatever the working directory; empty
// where there is none (a page) or the system cannot tell.
std::filesystem::path executableFolder();

// Whether standard error goes to a terminal (or a console), where a progress
// line may rewrite itself.
bool standardErrorIsTerminal();

}  // namespace platform
