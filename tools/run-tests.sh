#!/usr/bin/env bash
# Installs what is missing, builds the tests with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs them, then fuzzes the JPEG decoder briefly.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
# The show's default data, which one test checks with the show's own decoder.
tools/make-data.sh dorva
jobs=$(nproc)
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSTREAKSHOW_SANITIZE=ON -DSTREAKSHOW_WERROR=ON -DSTREAKSHOW_BENCH=ON >/dev/null
cmake --build build-test -j "$jobs"
ctest --test-dir build-test -j "$jobs" --output-on-failure
if [ -x tools/fuzz-decoder.sh ]; then
  tools/fuzz-decoder.sh "${STREAKSHOW_FUZZ_SECONDS:-60}"
fi
