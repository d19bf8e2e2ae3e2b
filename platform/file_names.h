// File names as UTF-8 text, on every system.
//
// The programs hold every file name as UTF-8, as Linux and the browser do.
// Windows' narrow C library and its "A" calls read names in the ANSI code
// page instead, which has no spelling for most of the world's characters (a
// folder named "Ωmega✓" has none in code page 1252), so there names cross to
// the wide calls, here and in image::openFile, at the edge.
#pragma once

#include <cstdio>
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

// What stands at a name, a link there not followed: nothing, a regular
// file, or anything else (a folder, a device, a FIFO, a link).
enum class FileKind { none, regular, other };
FileKind fileKind(const std::string& path);

// Creates `path`, which must not exist yet (not even as a dangling link),
// and opens it for writing in binary. Null, with errno set, when it cannot.
std::FILE* createNewFile(const std::string& path);

// Creates a new file beside `path` under a name no other run can have left
// (NAME.partial-PID-RANDOM.EXT: the extension stays last for ffmpeg), sets
// `temporary` to it and opens it for writing. Null, with errno, when it
// cannot.
std::FILE* createTemporaryBeside(const std::string& path, std::string& temporary);

// `temporary` takes the name `path`, which holds a regular file or nothing;
// false, with the reason in `error`, otherwise.
bool replaceFile(const std::string& temporary, const std::string& path, std::string& error);

// Removes what this run made at a name, if it can: a failure leaves things
// as they stand.
void removeFile(const std::string& path);

// Whether two names reach the same file: the same file where both exist,
// otherwise the same absolute path once links, "." and ".." are resolved.
bool sameFile(const std::string& a, const std::string& b);

}  // namespace platform
