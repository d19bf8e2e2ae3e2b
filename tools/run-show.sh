#!/usr/bin/env bash
# Installs what the show needs when it is missing (only that: tools/setup.sh
# show), makes the default data when there is none, builds and runs the show,
# handing it this script's arguments (tools/run-show.sh --windowed). Without
# a display it records the show to a video instead.
#
# It builds in build/ as the README's "From source" does, with CMake's
# default generator, so the two can follow each other.
# shellcheck source=tools/lib.sh
. "$(dirname "$0")/lib.sh"
cd "$root"

tools/setup.sh show
tools/make-data.sh --download build/dorva
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/app/streakshow "$@"
fi
say "no display; recording the show to streakshow.mp4"
build/recorder/streakshow-capture --out streakshow.mp4
say "wrote $root/streakshow.mp4"
