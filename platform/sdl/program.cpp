#include "platform/program.h"

#include <unistd.h>

#include "platform/file_names.h"

namespace platform {

bool standardErrorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return {argv, argv + argc};
}

}  // namespace platform
