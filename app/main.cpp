#if defined(__EMSCRIPTEN__)
#include "app/web_program.h"

int main() {
    return app::runWebProgram();
}
#else
#include "app/options.h"

int main(int argc, char** argv) {
    return app::runProgram(argc, argv);
}
#endif
