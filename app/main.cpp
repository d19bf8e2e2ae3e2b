#if defined(__EMSCRIPTEN__)
#include "app/web_program.h"

int main() {
    return app::runWebProgram();
}
#else
#include "app/options.h"
#include "platform/file_names.h"

int main(int argc, char** argv) {
    return app::runProgram(platform::programArguments(argc, argv));
}
#endif
