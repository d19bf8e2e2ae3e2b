// File names as UTF-8 text, on every system.
//
// The programs hold every file name as UTF-8, as Linux and the browser do.
// Windows' narrow C library and its "A" calls read names in the ANSI code
// page instead, which has no spelling for most of the world's characters (a
// folder named "Ωmega✓" has none in code page 1252), so there names cross to
// the wide calls, here and in image::openFile, at the edge.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A UTF-8 name as a path for std::filesystem, and a path as UTF-8.
std::filesystem::path filePath(std::string_view utf8);
std::string fileName(const std::filesystem::path& path);

// The program's arguments in UTF-8; on Windows read again from the wide
// command line, which the narrow argv has lost characters of (each
// backend's program.cpp).
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace platform
