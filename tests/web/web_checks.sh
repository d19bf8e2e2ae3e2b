#!/usr/bin/env bash
# Checks the web build in headless Chromium (WebGL on SwiftShader) and in
# headless Firefox ESR (WebGL on Mesa's llvmpipe, under Xvfb when there is no
# display) against the Linux build (llvmpipe):
#   - frames around each hidden scene (0-1 s the face, 5-6 s the ring, 15-16 s
#     the box field, at 10 fps under the recording clock): every record line
#     equal (the random state, the scenes, the background and its zoom, the
#     streak colours), and the pixels within each browser's tolerance below;
#   - the page itself (page_checks.cjs page): the question, No, the music,
#     Escape, and the show without its data.
#
# Usage: web_checks.sh WEB_DIR LINUX_BUILD
#   WEB_DIR:     tools/build-web.sh's dist/web/
#   LINUX_BUILD: a Linux build folder with streakshow-capture (the test build)
# STREAKSHOW_WEB_BROWSERS picks the browsers (default: "chromium firefox").
set -uo pipefail

web=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

# The share of a frame's pixels that may be more than 32 levels off the
# native frame. SwiftShader and llvmpipe rasterise polygon edges and filter
# textures a little differently, and the streaks carry those edges across the
# frame: on these 30 frames 4.9 % of the pixels differ at all and 0.12 % by
# more than 32 levels, at most 0.26 % of one frame; the tolerance is twice
# that. Firefox draws through llvmpipe itself, but into a framebuffer object
# (its WebGL back buffer), whose rows run up where a window's run down: the
# same vertices land on a mirrored sub-pixel grid, and a few streak edges and
# texture rows round the other way. The native build drawing into such a
# framebuffer gives Firefox's pixels exactly; against the window's, 625 of
# the 23.6 million differ, 181 by more than 32 levels, at most 32 in a frame.
# The tolerance is twice that.
tolerance() {
  case $1 in
    firefox) echo "${STREAKSHOW_WEB_TOLERANCE:-0.00008}" ;;
    *) echo "${STREAKSHOW_WEB_TOLERANCE:-0.005}" ;;
  esac
}
browsers=${STREAKSHOW_WEB_BROWSERS:-chromium firefox}

# puppeteer-core from npm, once, beside the other web dependencies; it drives
# Debian's chromium and downloads no browser.
node_modules=${STREAKSHOW_WEB_CACHE:-$HOME/.cache/streakshow/web}/node/node_modules
if [ ! -d "$node_modules/puppeteer-core" ]; then
  PUPPETEER_SKIP_DOWNLOAD=1 npm install --no-audit --no-fund --loglevel=error \
    --prefix "${node_modules%/node_modules}" puppeteer-core@24 >/dev/null || {
    echo "FAILED: cannot install puppeteer-core from npm"
    exit 1
  }
fi
export NODE_PATH=$node_modules

frames="0+10,50+10,150+10"
wanted() { # frame numbers kept, one a line
  tr ',' '\n' <<<"$frames" | while IFS=+ read -r first count; do seq "$first" $((first + count - 1)); done
}

# The Linux build: frames 0 to 159, of which the wanted ones are compared.
mkdir -p "$scratch/native"
if ! "$linux/tools/streakshow-capture" --fps 10 --seconds 16 --frames "$scratch/native" \
  --record "$scratch/native.txt" >"$scratch/native.log" 2>&1; then
  cat "$scratch/native.log"
  echo "FAILED: the Linux capture"
  exit 1
fi
for frame in $(wanted); do
  name=$(printf 'frame_%06d' "$frame")
  pngtopnm "$scratch/native/$name.png" >"$scratch/native/$name.ppm"
  grep "^frame $frame " "$scratch/native.txt"
done >"$scratch/native-kept.txt"

# Firefox has WebGL 2 only with an X display.
if [[ " $browsers " == *" firefox "* ]] && [ -z "${DISPLAY:-}" ]; then
  . "$here/../../tools/xvfb.sh"
  start_xvfb "$scratch"
  trap 'kill "$xvfb" 2>/dev/null; rm -rf "$scratch"' EXIT
fi

# Each browser step has its own time limit, so that a hang names itself.
page_checks() { # BROWSER SECONDS ARGUMENTS...
  local browser=$1 seconds=$2
  shift 2
  STREAKSHOW_BROWSER=$browser timeout -k 10 "$seconds" node "$here/page_checks.cjs" "$@"
  local status=$?
  [ $status -eq 124 ] || [ $status -eq 137 ] && echo "FAILED: $browser: page_checks.cjs $1: no end after $seconds s"
  return $status
}

for browser in $browsers; do
  echo "== $browser"
  began=$SECONDS
  page_checks "$browser" 300 record "$web" "10:$frames" "$scratch/$browser" || failed=1
  if cmp -s "$scratch/native-kept.txt" "$scratch/$browser/record.txt"; then
    echo "ok: $browser: the record lines of $(wc -l <"$scratch/native-kept.txt") frames equal the Linux build's"
  else
    diff "$scratch/native-kept.txt" "$scratch/$browser/record.txt" | head -n 8
    echo "FAILED: $browser: the record lines differ from the Linux build's"
    failed=1
  fi
  page_checks "$browser" 120 compare "$scratch/$browser" "$scratch/native" "$(tolerance "$browser")" || failed=1
  page_checks "$browser" 300 page "$web" || failed=1
  echo "$browser: $((SECONDS - began)) s"
done

[ "$failed" -eq 0 ] && echo "web checks passed" || echo "web checks FAILED"
exit "$failed"
