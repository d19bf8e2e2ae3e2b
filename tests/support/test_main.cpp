// The main of every test program: the environment every test runs in, and
// the sanitizers' settings.
#include <gtest/gtest.h>

#include <cstdlib>

extern "C" {
// Leak checks ignore what the system's GL driver, SDL and the font libraries
// keep until exit. The tools the tests run, built with the sanitizers too,
// get the same list through the environment (below).
const char* __lsan_default_options() {
    return "suppressions=" STREAKSHOW_SOURCE_DIR "/tests/lsan.supp";
}
const char* __asan_default_options() {
    return "detect_leaks=1:strict_string_checks=1";
}
const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}
}

int main(int argc, char** argv) {
    // Mesa's software rasteriser on SDL's offscreen driver, and no sound
    // device: the tests need no display and give the same pixels everywhere.
    // A value already set by the caller wins.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    // llvmpipe's own threads gain little here and can upset LeakSanitizer's
    // look at the process when it exits.
    setenv("LP_NUM_THREADS", "0", 0);
    setenv("STREAKSHOW_SOURCE_DIR", STREAKSHOW_SOURCE_DIR, 0);
    setenv("STREAKSHOW_BINARY_DIR", STREAKSHOW_BINARY_DIR, 0);
    // For the tools the tests run, which are built with the sanitizers too.
    setenv("LSAN_OPTIONS", "suppressions=" STREAKSHOW_SOURCE_DIR "/tests/lsan.supp", 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
