#!/usr/bin/env bash
# Installs what is missing, builds the tests with AddressSanitizer and
# UndefinedBehaviorSanitizer, builds the Windows programs and the web page and
# runs them all (those under Wine and in headless Chromium), builds and checks
# the Debian package,
# then fuzzes the JPEG decoder briefly. The benchmarks are not built here:
# they measure, they do not check (docs/performance.md says how to run them).
# shellcheck source=tools/lib.sh
. "$(dirname "$0")/lib.sh"
cd "$root"

tools/setup.sh
# The show's default data, which the tests read from the build folder, byte
# for byte as its manifest lists.
tools/make-data.sh --download build-test/dorva
tools/make-data.sh --check build-test/dorva
jobs=$(nproc)
# The Windows builds, which the CTest tests wine.* run under Wine beside this
# build.
tools/build-windows.sh
# The web build, which the CTest tests web_* check in headless Chromium and Firefox.
tools/build-web.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
  -DSTREAKSHOW_BENCH=OFF -DSTREAKSHOW_SANITIZE=ON -DSTREAKSHOW_WERROR=ON \
  -DSTREAKSHOW_WINDOWS_BUILD="$root/build-windows" -DSTREAKSHOW_WEB_BUILD="$root/dist/web" >/dev/null
cmake --build build-test -j "$jobs"
ctest --test-dir build-test -j "$jobs" --output-on-failure

# The package: built, passed by lintian, built again in another folder to the
# same bytes, unpacked into a scratch root and run.
deb=$(tools/check-reproducible.sh | tail -n 1)
LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy tests/tools/install_test.sh --deb "$deb"

tools/fuzz-decoder.sh "${STREAKSHOW_FUZZ_SECONDS:-60}"
