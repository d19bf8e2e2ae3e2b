// The program's voice: one line on standard error under the running
// program's name ("streakshow: ...", "streakshow-capture: ..."), whichever
// library has something to say. Each program names itself once at start;
// until then lines go out under the show's name.
//
// A leaf: it includes nothing of ours, so that every folder may use it
// (image/ too, which otherwise needs no other folder).
#pragma once

#include <cstdarg>

namespace platform {

void setProgramName(const char* name);
const char* programName();

// printf's format and arguments; the name, ": " and the line's end are
// added, and the line goes out whole.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void report(const char* format, ...);
void reportV(const char* format, std::va_list arguments);

}  // namespace platform
