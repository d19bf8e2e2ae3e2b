#!/usr/bin/env bash
# Installs what is missing, makes the default data when there is none, builds
# and runs the show. Without a display it records the show to a video instead.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
tools/make-data.sh --download build/dorva
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/app/streakshow
fi
echo "run-show: no display; recording the show to streakshow.mp4" >&2
build/tools/streakshow-capture --out streakshow.mp4
echo "run-show: wrote $(pwd)/streakshow.mp4" >&2
