#if defined(__EMSCRIPTEN__)
#include "app/web_program.h"

int main() {
    return app::runWebProgram();
}
#else
#include <string>
#include <vector>

#include "app/options.h"
#include "platform/file_names.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = platform::programArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    return app::runProgram(static_cast<int>(pointers.size()), pointers.data());
}
#endif
