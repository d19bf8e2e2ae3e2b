#!/usr/bin/env bash
# Checks the web build in headless Chromium (WebGL on SwiftShader) and in
# headless Firefox ESR (WebGL on Mesa's llvmpipe, under Xvfb when there is no
# display) against the Linux build (llvmpipe). CTest runs each step as a test
# of its own (tests/web/CMakeLists.txt); the steps share FIXTURE, a folder:
#
#   web_checks.sh setup FIXTURE                  puppeteer-core; Xvfb if no display
#   web_checks.sh native FIXTURE LINUX_BUILD     the Linux build's frames
#   web_checks.sh frames FIXTURE WEB_DIR BROWSER frames around each hidden
#       scene (0-1 s the face, 5-6 s the ring, 15-16 s the box field, at 10 fps
#       under the recording clock): every record line equal (the random state,
#       the scenes, the background and its zoom, the streak colours), and the
#       pixels within the browser's tolerance below
#   web_checks.sh page FIXTURE WEB_DIR BROWSER CHECK
#       the page as a viewer meets it (page_checks.cjs page CHECK)
#   web_checks.sh cleanup FIXTURE                stops Xvfb
#
# WEB_DIR is tools/build-web.sh's dist/web/, LINUX_BUILD a Linux build folder
# with streakshow-capture (the test build), BROWSER chromium or firefox.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
step=$1
fixture=$2
mkdir -p "$fixture"
fixture=$(cd "$fixture" && pwd)

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

frames="0+10,50+10,150+10"
wanted() { # frame numbers kept, one a line
  tr ',' '\n' <<<"$frames" | while IFS=+ read -r first count; do seq "$first" $((first + count - 1)); done
}

export NODE_PATH=${STREAKSHOW_WEB_CACHE:-$HOME/.cache/streakshow/web}/node/node_modules
# Each browser step has its own time limit, so that a hang names itself.
# Firefox has WebGL 2 only with an X display: the fixture's Xvfb, if any.
page_checks() { # BROWSER SECONDS ARGUMENTS...
  local browser=$1 seconds=$2 status
  shift 2
  [ -z "${DISPLAY:-}" ] && [ -s "$fixture/display" ] && export DISPLAY=:$(cat "$fixture/display")
  STREAKSHOW_BROWSER=$browser timeout -k 10 "$seconds" node "$here/page_checks.cjs" "$@"
  status=$?
  if [ $status -eq 124 ] || [ $status -eq 137 ]; then
    echo "FAILED: $browser: page_checks.cjs $*: no end after $seconds s"
  fi
  return $status
}

case $step in
  setup)
    # puppeteer-core from npm, once, beside the other web dependencies; it
    # drives Debian's chromium and downloads no browser.
    if [ ! -d "$NODE_PATH/puppeteer-core" ]; then
      PUPPETEER_SKIP_DOWNLOAD=1 timeout 300 npm install --no-audit --no-fund --loglevel=error \
        --prefix "${NODE_PATH%/node_modules}" puppeteer-core@24 >/dev/null || {
        echo "FAILED: cannot install puppeteer-core from npm"
        exit 1
      }
    fi
    rm -f "$fixture/display"
    if [ -z "${DISPLAY:-}" ]; then
      . "$here/../../tools/xvfb.sh"
      start_xvfb "$fixture" </dev/null
      echo "$xvfb" >"$fixture/xvfb.pid"
      echo "Xvfb on $DISPLAY"
    fi
    ;;
  native)
    rm -rf "$fixture/native"
    mkdir -p "$fixture/native"
    if ! timeout -k 10 300 "$3/recorder/streakshow-capture" --fps 10 --seconds 16 --frames "$fixture/native" \
      --record "$fixture/native.txt" >"$fixture/native.log" 2>&1; then
      cat "$fixture/native.log"
      echo "FAILED: the Linux capture"
      exit 1
    fi
    for frame in $(wanted); do
      name=$(printf 'frame_%06d' "$frame")
      pngtopnm "$fixture/native/$name.png" >"$fixture/native/$name.ppm"
      grep "^frame $frame " "$fixture/native.txt"
    done >"$fixture/native-kept.txt"
    echo "the Linux build's frames: $(wc -l <"$fixture/native-kept.txt")"
    ;;
  frames)
    web=$(cd "$3" && pwd)
    browser=$4
    out=$fixture/$browser
    rm -rf "$out"
    page_checks "$browser" 300 record "$web" "10:$frames" "$out" || exit 1
    failed=0
    if cmp -s "$fixture/native-kept.txt" "$out/record.txt"; then
      echo "ok: $browser: the record lines of $(wc -l <"$fixture/native-kept.txt") frames equal the Linux build's"
    else
      diff "$fixture/native-kept.txt" "$out/record.txt" | head -n 8
      echo "FAILED: $browser: the record lines differ from the Linux build's"
      failed=1
    fi
    page_checks "$browser" 120 compare "$out" "$fixture/native" "$(tolerance "$browser")" || failed=1
    exit $failed
    ;;
  page)
    page_checks "$4" 180 page "$(cd "$3" && pwd)" "$5"
    ;;
  cleanup)
    [ -s "$fixture/xvfb.pid" ] && kill "$(cat "$fixture/xvfb.pid")" 2>/dev/null
    rm -f "$fixture/xvfb.pid" "$fixture/display"
    exit 0
    ;;
  *)
    echo "usage: web_checks.sh setup|native|frames|page|cleanup FIXTURE ..." >&2
    exit 2
    ;;
esac
