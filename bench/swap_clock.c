// Preloaded into a program (LD_PRELOAD) to time its frames as a user sees
// them: every return from SDL_GL_SwapWindow is stamped, and at exit the
// start-up (from the launch time `pacing_probe launch` put in the
// environment to the first swap) and the intervals between swaps are written
// to the file named by SWAP_CLOCK_OUT, one figure a line in milliseconds.
// With SWAP_CLOCK_FIRST=1 the program ends right after its first swap.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef struct SDL_Window SDL_Window;

enum { kMaxStamps = 1 << 17 };  // half an hour at 60 Hz
static double stamps[kMaxStamps];
static int count;

static double nowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

static void writeStamps(void) {
    const char* path = getenv("SWAP_CLOCK_OUT");
    const char* launched = getenv("SWAP_CLOCK_LAUNCH_MS");
    if (path == NULL || count == 0) return;
    FILE* out = fopen(path, "w");
    if (out == NULL) return;
    fprintf(out, "startup %.3f\n", launched != NULL ? stamps[0] - atof(launched) : -1.0);
    for (int i = 1; i < count; ++i) fprintf(out, "%.3f\n", stamps[i] - stamps[i - 1]);
    fclose(out);
}

__attribute__((destructor)) static void atExit(void) {
    writeStamps();
}

void SDL_GL_SwapWindow(SDL_Window* window) {
    static void (*swap)(SDL_Window*);
    if (swap == NULL) *(void**)&swap = dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    if (swap != NULL) swap(window);
    if (count < kMaxStamps) stamps[count++] = nowMs();
    if (count == 1 && getenv("SWAP_CLOCK_FIRST") != NULL) {
        writeStamps();
        _exit(0);
    }
}
