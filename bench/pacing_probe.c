// The helpers of bench/pacing.sh, which times frames as a user sees them.
//
//   pacing_probe launch COMMAND...   runs COMMAND with the launch time in
//                                    SWAP_CLOCK_LAUNCH_MS (see swap_clock.c)
//   pacing_probe window [FRAMES]     the bare window: SDL2 opens the show's
//                                    1024 by 768 GL window, then clears and
//                                    swaps FRAMES times (default 1)
//   pacing_probe yardstick [FRAMES]  a fixed GL workload of the show's shape
//                                    in that window, naming the machine's speed
//   pacing_probe stats FILE...       the swap_clock files' figures
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int launch(char** command) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    char text[64];
    snprintf(text, sizeof text, "%.3f", (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6);
    setenv("SWAP_CLOCK_LAUNCH_MS", text, 1);
    execvp(command[0], command);
    fprintf(stderr, "pacing_probe: cannot run %s\n", command[0]);
    return 127;
}

static SDL_Window* openWindow(void) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "pacing_probe: no video: %s\n", SDL_GetError());
        return NULL;
    }
    // The show's attributes: double-buffered, 8 bits a colour, a 32-bit depth.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 32);
    SDL_Window* window = SDL_CreateWindow("ZERK", 0, 0, 1024, 768, SDL_WINDOW_OPENGL);
    if (window == NULL || SDL_GL_CreateContext(window) == NULL) {
        fprintf(stderr, "pacing_probe: no GL window: %s\n", SDL_GetError());
        return NULL;
    }
    glViewport(0, 0, 1024, 768);
    return window;
}

// A fixed LCG, so that every run and machine draws the same frames.
static unsigned next(unsigned* seed) {
    *seed = *seed * 1103515245u + 12345u;
    return (*seed >> 16) & 0x7fff;
}

// What a show frame does, fixed: a lit scene of 100 boxes drawn into the
// window and 640 by 480 of it read back, a full-window dimmed texture, and
// 15,000 small quads of random colour.
static void yardstickFrame(unsigned frame) {
    unsigned seed = 7;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.55, 0.55, -0.41, 0.41, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    for (int box = 0; box < 100; ++box) {
        glLoadIdentity();
        glTranslatef((float)next(&seed) / 1638.0f - 10, (float)next(&seed) / 1638.0f - 10,
                     -(float)next(&seed) / 1638.0f - 12);
        glRotatef((float)(frame + next(&seed) % 360), 1, 1, 0);
        glBegin(GL_QUADS);
        for (int face = 0; face < 6; ++face) {
            const float s = face % 2 ? 1.0f : -1.0f;
            const int axis = face / 2;
            float n[3] = {0, 0, 0};
            n[axis] = s;
            glNormal3fv(n);
            for (int corner = 0; corner < 4; ++corner) {
                float v[3];
                v[axis] = s;
                v[(axis + 1) % 3] = corner < 2 ? -1.0f : 1.0f;
                v[(axis + 2) % 3] = corner == 1 || corner == 2 ? 1.0f : -1.0f;
                glVertex3fv(v);
            }
        }
        glEnd();
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    static unsigned char capture[640 * 480 * 4];
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, capture);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glColor3f(0.2f, 0.2f, 0.2f);
    const float zoom = 10.0f * (float)(frame % 60) / 60.0f;
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-zoom, -zoom);
    glTexCoord2f(1, 0), glVertex2f(640 + zoom, -zoom);
    glTexCoord2f(1, 1), glVertex2f(640 + zoom, 480 + zoom);
    glTexCoord2f(0, 1), glVertex2f(-zoom, 480 + zoom);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    for (int quad = 0; quad < 15000; ++quad) {
        const float x = (float)(next(&seed) % 640);
        const float y = (float)(next(&seed) % 480);
        const float w = (float)(next(&seed) % 5) * 0.6f;
        glColor3ub((GLubyte)next(&seed), (GLubyte)next(&seed), (GLubyte)next(&seed));
        glVertex2f(x, y), glVertex2f(x + w, y), glVertex2f(x + w, y + 2), glVertex2f(x, y + 2);
    }
    glEnd();
}

static int window(int frames, int yardstick) {
    SDL_Window* window = openWindow();
    if (window == NULL) return 1;
    if (yardstick) {
        printf("%s\n", (const char*)glGetString(GL_RENDERER));
        fflush(stdout);
        static unsigned char texels[512 * 512 * 4];
        unsigned seed = 11;
        for (size_t i = 0; i < sizeof texels; ++i) texels[i] = (unsigned char)next(&seed);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 512, 512, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
    glClearColor(0, 0, 0, 1);
    for (int frame = 0; frame < frames; ++frame) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        if (yardstick)
            yardstickFrame((unsigned)frame);
        else
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SDL_GL_SwapWindow(window);
    }
    SDL_Quit();
    return 0;
}

static int compare(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

// One line for each file: its start-up, and its frame intervals' median,
// 95th and 99th percentiles, worst and the count over 16.7 ms.
static int stats(int count, char** paths) {
    for (int f = 0; f < count; ++f) {
        FILE* in = fopen(paths[f], "r");
        if (in == NULL) {
            printf("%s: no figures\n", paths[f]);
            continue;
        }
        double startup = -1;
        if (fscanf(in, "startup %lf", &startup) != 1) startup = -1;
        size_t n = 0, capacity = 1024;
        double* v = malloc(capacity * sizeof *v);
        while (v != NULL && fscanf(in, "%lf", &v[n]) == 1) {
            if (++n == capacity) v = realloc(v, (capacity *= 2) * sizeof *v);
        }
        fclose(in);
        if (v == NULL) return 1;
        qsort(v, n, sizeof *v, compare);
        size_t over = 0;
        double total = 0;
        for (size_t i = 0; i < n; ++i) over += v[i] > 16.7, total += v[i];
        printf("startup %.1f", startup);
        if (n > 0) {
            printf(
                " frames %zu seconds %.1f median %.2f p95 %.2f p99 %.2f worst %.2f over16.7 %zu "
                "(%.1f%%)",
                n + 1, total / 1e3, v[n / 2], v[n * 95 / 100], v[n * 99 / 100], v[n - 1], over,
                100.0 * (double)over / (double)n);
        }
        printf("\n");
        free(v);
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc >= 3 && strcmp(argv[1], "launch") == 0) return launch(argv + 2);
    if (argc >= 2 && strcmp(argv[1], "window") == 0) return window(argc > 2 ? atoi(argv[2]) : 1, 0);
    if (argc >= 2 && strcmp(argv[1], "yardstick") == 0)
        return window(argc > 2 ? atoi(argv[2]) : 300, 1);
    if (argc >= 3 && strcmp(argv[1], "stats") == 0) return stats(argc - 2, argv + 2);
    fprintf(stderr,
            "usage: pacing_probe launch COMMAND... | window [FRAMES] | yardstick [FRAMES] "
            "| stats FILE...\n");
    return 2;
}
