// Where the show's data (its pictures and its music) is found.
//
// The show names its files "dorva/zim.jpg" and so on, as if the folder sat in
// the working directory, and that folder still comes first, so that a folder
// of one's own pictures wins. `findDataFolder` then tries the folder the user
// named, the installed one (../share/streakshow/dorva beside the executable)
// and, for a program run from its build folder (CMake's cache one level up),
// that build folder's dorva/; packaged programs leave the last out.
// `dataPath` points the show's names into the folder found.
//
// The folder found is never made the working directory: paths the user gives
// on the command line stay relative to where they were given.
#pragma once

#include <string>

namespace platform {

// Looks for the data folder and remembers it for `dataPath`. `requested` is
// the folder named on the command line (null or empty for none); one that is
// not a folder gets a line on standard error, and the
// search goes on. Returns the folder found, empty when there is none: the
// show's names then stay as they are, and each file says it cannot be opened.
std::string findDataFolder(const char* requested);

// `path` with its leading "dorva/" replaced by the folder found; any other
// path, and every path while no folder is found, comes back as it is.
std::string dataPath(const char* path);

}  // namespace platform
