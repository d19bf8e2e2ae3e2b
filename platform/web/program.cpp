// A page's files lie in its own folder; there is no program folder, and no
// terminal.
#include "platform/program.h"

#include "platform/file_names.h"

namespace platform {

std::filesystem::path executableFolder() {
    return {};
}

bool standardErrorIsTerminal() {
    return false;
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return {argv, argv + argc};
}

}  // namespace platform
