#!/usr/bin/env bash
# Checks the web build in headless Chromium (SwiftShader) against the Linux
# build (llvmpipe):
#   - frames around each hidden scene (0-1 s the face, 5-6 s the ring, 15-16 s
#     the box field, at 10 fps under the recording clock): every record line
#     equal (the random state, the scenes, the background and its zoom, the
#     streak colours), and the pixels within the tolerance below;
#   - the page itself (page_checks.cjs page): the question, No, the music,
#     Escape, and the show without its data.
#
# Usage: web_checks.sh WEB_DIR LINUX_BUILD
#   WEB_DIR:     tools/build-web.sh's dist/web/
#   LINUX_BUILD: a Linux build folder with streakshow-capture (the test build)
set -uo pipefail

web=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

# SwiftShader and llvmpipe rasterise polygon edges and filter textures a
# little differently, and the streaks carry those edges across the frame. On
# these 30 frames 4.9 % of the pixels differ at all and 0.12 % by more than 32
# levels, at most 0.26 % of one frame; the tolerance is twice that.
tolerance=${STREAKSHOW_WEB_TOLERANCE:-0.005}

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
mkdir -p "$scratch/native" "$scratch/web"
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

node "$here/page_checks.cjs" record "$web" "10:$frames" "$scratch/web" || failed=1
if cmp -s "$scratch/native-kept.txt" "$scratch/web/record.txt"; then
  echo "ok: the record lines of $(wc -l <"$scratch/native-kept.txt") frames equal the Linux build's"
else
  diff "$scratch/native-kept.txt" "$scratch/web/record.txt" | head -n 8
  echo "FAILED: the record lines differ from the Linux build's"
  failed=1
fi
node "$here/page_checks.cjs" compare "$scratch/web" "$scratch/native" "$tolerance" || failed=1
node "$here/page_checks.cjs" page "$web" || failed=1

[ "$failed" -eq 0 ] && echo "web checks passed" || echo "web checks FAILED"
exit "$failed"
