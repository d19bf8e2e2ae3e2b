// Single-precision sine and cosine computed step for step as glibc's sinf
// and cosf on x86-64 (Arm's optimized-routines algorithm, which glibc
// ships). glRotatef takes its sine and cosine from these, so a rotation
// comes out as on Linux, where Mesa calls glibc; emscripten's musl rounds a
// few arguments the other way.
#pragma once

namespace webgl {

float glibcSinf(float x);
float glibcCosf(float x);

}  // namespace webgl
