#!/usr/bin/env bash
# A frame of the show in headless Chromium (WebGL 2 on SwiftShader) and in
# headless Firefox ESR (WebGL 2 on llvmpipe, under Xvfb when there is no
# display), both through our GL layer, beside the native frame on llvmpipe
# (frame_bench), in one run.
#
#   bench/web_frame_bench.sh [WEB_DIR [BENCH_BUILD]]
#     WEB_DIR:     tools/build-web.sh's output (dist/web)
#     BENCH_BUILD: a build with -DSTREAKSHOW_BENCH=ON (build-bench)
#
# The page runs the show under the recording clock at 60 fps to 25 s, as fast
# as it can, and keeps each frame's own time: from the program's resumption
# to its next yield. WebGL runs its commands in Chromium's GPU process, and a
# frame waits for them only where it reads pixels back (the show's capture
# of the hidden scenes): the streaks drawn after it can still be in flight.
# So the wall time of the whole run per frame is given too.
set -euo pipefail
cd "$(dirname "$0")/.."
web=${1:-dist/web}
bench=${2:-build-bench}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export NODE_PATH=${STREAKSHOW_WEB_CACHE:-$HOME/.cache/streakshow/web}/node/node_modules
[ -d "$NODE_PATH/puppeteer-core" ] || { echo "no puppeteer-core: run the test command once" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ]; then
  . tools/xvfb.sh
  start_xvfb "$scratch"
  trap 'kill "$xvfb" 2>/dev/null; rm -rf "$scratch"' EXIT
fi
for browser in chromium firefox; do
  STREAKSHOW_BROWSER=$browser node tests/web/page_checks.cjs record "$web" "60:1499+1" "$scratch/$browser" |
    sed "s/^/$browser: /"
  # Line k of frame-times.txt is frame k (frame 0 has none); the medians are
  # taken over the 300 frames from 5, 10 and 20 s, as frame_bench takes them.
  for second in 5 10 20; do
    first=$((second * 60))
    sed -n "${first},$((first + 299))p" "$scratch/$browser/frame-times.txt" | sort -n |
      awk -v s="$second" -v b="$browser" '{ t[NR] = $1 }
        END { printf "%s frame at %2d s: median %.2f ms over %d frames\n", b, s, t[int((NR + 1) / 2)], NR }'
  done
done
if [ -x "$bench/bench/frame_bench" ]; then
  echo "native frame (frame_bench, llvmpipe):"
  # Its table comes last: a failing run says so, with its last words.
  if (cd "$bench" && LIBGL_ALWAYS_SOFTWARE=1 bench/frame_bench >"$scratch/native.txt" 2>"$scratch/native.err"); then
    grep -E "show time|^\| *[0-9]+ s" "$scratch/native.txt" ||
      { echo "frame_bench printed no table:" >&2; tail -n 5 "$scratch/native.err" >&2; }
  else
    echo "frame_bench failed (status $?):" >&2
    tail -n 5 "$scratch/native.err" >&2
  fi
else
  echo "no $bench/bench/frame_bench: configure with -DSTREAKSHOW_BENCH=ON to see the native frame beside it" >&2
fi
