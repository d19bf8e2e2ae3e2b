#include "platform/report.h"

#include <cstdio>
#include <string>

namespace platform {

namespace {
// Set once at start, before any thread of the program's own begins.
const char* gProgramName = "streakshow";
}  // namespace

void setProgramName(const char* name) {
    gProgramName = name;
}

const char* programName() {
    return gProgramName;
}

void reportV(const char* format, std::va_list arguments) {
    std::va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line = std::string(gProgramName) + ": ";
    if (length > 0) {
        const std::size_t start = line.size();
        line.resize(start + static_cast<std::size_t>(length) + 1);
        std::vsnprintf(line.data() + start, static_cast<std::size_t>(length) + 1, format,
                       arguments);
        line.pop_back();  // vsnprintf's terminating zero
    }
    line += '\n';
    // One write, so that lines from the writer thread and the main one never
    // interleave within a line.
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void report(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    reportV(format, arguments);
    va_end(arguments);
}

}  // namespace platform
