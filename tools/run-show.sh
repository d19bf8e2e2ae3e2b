#!/usr/bin/env bash
# Installs what the show needs when it is missing (only that: tools/setup.sh
# show), makes the default data when there is none, builds and runs the show,
# handing it this script's arguments (tools/run-show.sh --windowed). Without
# a display it records the show to a video instead.
#
# It builds in build/ as the README's "From source" does, with CMake's
# default generator, so the two can follow each other.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh show
tools/make-data.sh --download build/dorva
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/app/streakshow "$@"
fi
echo "run-show: no display; recording the show to streakshow.mp4" >&2
build/recorder/streakshow-capture --out streakshow.mp4
echo "run-show: wrote $(pwd)/streakshow.mp4" >&2
