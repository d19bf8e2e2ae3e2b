#!/usr/bin/env bash
# Checks the Windows builds under Wine, on Mesa's llvmpipe like the Linux
# build, against that Linux build:
#   - the capture's frames, 0 to 15.5 s of the show at 10 fps (the face, the
#     ring from 5 s and the box field from 15 s), equal pixel for pixel;
#   - jpeg2ppm.exe writes the same bytes as jpeg2ppm, and refuses the same
#     bad files with the same exit code;
#   - the show asks its question, opens "ZERK" on No, and Escape ends it with
#     exit code 0, with its data and without (tests/windows/show_driver.cpp);
#     on Yes it says what Wine did with the display mode (a refusal is told
#     in the failure box, in code page 1252), and the show still runs;
#   - the outline glyphs made by wglUseFontOutlinesA have metrics of the same
#     order as FreeType's;
#   - the 32-bit build computes in SSE2, not x87, registers.
# The 32-bit build runs where this machine runs 32-bit programs.
#
# Usage: wine_checks.sh WINDOWS_BUILD LINUX_BUILD
#   WINDOWS_BUILD: tools/build-windows.sh's folder (build-windows/)
#   LINUX_BUILD:   a Linux build folder with streakshow-capture, jpeg2ppm and
#                  the glyph probe (the test build)
set -uo pipefail

windows=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
scratch=$(mktemp -d)
passed=0
failed=0
ok() { echo "ok: $*"; passed=$((passed + 1)); }
bad() { echo "FAILED: $*"; failed=$((failed + 1)); }

# Wine gets a prefix of its own (made once; the first start takes a while) and
# a display of its own. Its installers for .NET and HTML are not wanted.
export WINEPREFIX=${STREAKSHOW_WINE_PREFIX:-$HOME/.cache/streakshow/wine}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d" LIBGL_ALWAYS_SOFTWARE=1
wine64=/usr/lib/wine/wine64
exec 5>"$scratch/display"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  "${wine64%64}server" -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$scratch/display")
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine64" wineboot -i >/dev/null 2>&1 || { echo "FAILED: cannot make a Wine prefix"; exit 1; }
fi

version=$(sed -n 's/^project(streakshow VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
same_pixels() { cmp -s <(pngtopnm "$1" 2>/dev/null) <(pngtopnm "$2" 2>/dev/null); }

# The Linux side, once: frames, decoded test pictures, glyph metrics.
mkdir -p "$scratch/linux-frames" "$scratch/pictures"
(cd "$scratch" && SDL_VIDEODRIVER=offscreen "$linux/tools/streakshow-capture" --data "$windows/dorva" \
  --fps 10 --seconds 15.5 --frames linux-frames >/dev/null 2>&1) || bad "the Linux capture failed"
frames=$(ls "$scratch/linux-frames" | wc -l)
SDL_VIDEODRIVER=offscreen "$linux/tests/windows/glyph_metrics" >"$scratch/linux-glyphs" 2>/dev/null ||
  bad "the Linux glyph probe failed"

# Test pictures: the data's, cjpeg's kinds, and bad ones.
pictures=$scratch/pictures
cp "$windows"/dorva/*.jpg "$pictures/"
ppmpat -g2 37 29 >"$scratch/pattern.ppm"
for sampling in 1x1 2x1 1x2 2x2; do
  cjpeg -sample "$sampling" -restart 1 "$scratch/pattern.ppm" >"$pictures/sample-$sampling.jpg"
done
cjpeg -grayscale "$scratch/pattern.ppm" >"$pictures/grey.jpg"
cjpeg -progressive "$scratch/pattern.ppm" >"$pictures/progressive.jpg"
head -c 3000 "$pictures/zim.jpg" >"$pictures/truncated.jpg"
head -c 600 "$pictures/zim.jpg" >"$pictures/headers-only.jpg"
: >"$pictures/empty.jpg"
head -c 4096 /dev/urandom >"$pictures/noise.jpg"
names=("$pictures"/*.jpg missing.jpg)
for picture in "${names[@]}"; do
  name=$(basename "$picture" .jpg)
  (cd "$pictures" && "$linux/tools/jpeg2ppm" "$name.jpg" "linux-$name.ppm" 2>/dev/null)
  echo $? >"$pictures/linux-$name.status"
done

run_checks() { # ARCH WINE
  local arch=$1 wine=$2 stage="$windows/streakshow-$version-$1" tests="$windows/$1/tests/windows"
  local name status mismatched=0 frame
  echo "== $arch"

  # Frames.
  mkdir -p "$scratch/$arch-frames"
  (cd "$scratch" && "$wine" "$stage/streakshow-capture.exe" --data "$(winepath -w "$windows/dorva")" \
    --fps 10 --seconds 15.5 --frames "$arch-frames" >/dev/null 2>&1) ||
    bad "$arch: the capture failed"
  for frame in "$scratch"/linux-frames/*.png; do
    same_pixels "$frame" "$scratch/$arch-frames/$(basename "$frame")" || mismatched=$((mismatched + 1))
  done
  if [ "$frames" -gt 0 ] && [ "$mismatched" -eq 0 ]; then
    ok "$arch: $frames frames equal the Linux build's, pixel for pixel"
  else
    bad "$arch: $mismatched of $frames frames differ from the Linux build's"
  fi

  # Pictures.
  mismatched=()
  for picture in "${names[@]}"; do
    name=$(basename "$picture" .jpg)
    (cd "$pictures" && "$wine" "$stage/jpeg2ppm.exe" "$name.jpg" "$arch-$name.ppm" 2>/dev/null)
    status=$?
    if [ "$status" != "$(cat "$pictures/linux-$name.status")" ] ||
      { [ -e "$pictures/linux-$name.ppm" ] || [ -e "$pictures/$arch-$name.ppm" ]; } &&
      ! cmp -s "$pictures/linux-$name.ppm" "$pictures/$arch-$name.ppm"; then
      mismatched+=("$name")
    fi
  done
  if [ ${#mismatched[@]} -eq 0 ]; then
    ok "$arch: jpeg2ppm.exe matches jpeg2ppm on ${#names[@]} pictures, bad ones included"
  else
    bad "$arch: jpeg2ppm.exe differs on ${mismatched[*]}"
  fi

  # Glyphs: each metric within 0.1 em or a factor of two of FreeType's.
  if "$wine" "$tests/glyph_metrics.exe" 2>/dev/null | tr -d '\r' >"$scratch/$arch-glyphs" &&
    awk 'NR == FNR { for (i = 2; i <= 7; i++) m[$1, i] = $i; n++; next }
         { for (i = 2; i <= 7; i++) { a = m[$1, i]; b = $i
             if (a - b < 0.1 && b - a < 0.1) continue
             if (a * b <= 0 || a / b > 2 || b / a > 2) bad = bad " " $1 }; k++ }
         END { if (bad != "" || k != n || n == 0) { print "differ:" bad; exit 1 } }' \
      "$scratch/linux-glyphs" "$scratch/$arch-glyphs"; then
    ok "$arch: the outline glyphs' metrics are of the order of the Linux ones"
  else
    bad "$arch: the outline glyphs' metrics differ from the Linux ones"
    paste "$scratch/linux-glyphs" "$scratch/$arch-glyphs"
  fi

  # The show as a user meets it: with its data, then alone in a folder.
  local driver=$tests/show_driver.exe
  if (cd "$stage" && "$wine" "$driver" streakshow.exe no 2>"$scratch/$arch-show.log"); then
    ok "$arch: the show asks, opens ZERK on No and ends with 0 on Escape"
  else
    bad "$arch: the show driven with No"
  fi
  mkdir -p "$scratch/$arch-alone"
  cp "$stage/streakshow.exe" "$scratch/$arch-alone/"
  if (cd "$scratch/$arch-alone" && "$wine" "$driver" streakshow.exe no 2>"$scratch/$arch-alone.log") &&
    grep -q 'zim.jpg' "$scratch/$arch-alone.log"; then
    ok "$arch: without dorva/ the show runs over empty pictures, silent, and ends with 0"
  else
    bad "$arch: the show without dorva/"
    cat "$scratch/$arch-alone.log"
  fi
  # Full screen: what Wine makes of it is told, and the show still runs.
  if (cd "$stage" && "$wine" "$driver" streakshow.exe yes 2>/dev/null) >"$scratch/$arch-yes.log"; then
    ok "$arch: on Yes the show runs and ends with 0 on Escape"
  else
    bad "$arch: the show driven with Yes"
  fi
  iconv -f CP1252 -t UTF-8 "$scratch/$arch-yes.log" | grep -E '^(full screen|the window|FAILED)' |
    sed "s/^/$arch, Yes: /"
}

# Whether or not it runs here: the 32-bit build's own code does its float
# arithmetic in SSE2 registers (the x87 unit only moves values, as the
# calling convention returns them there).
x87=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$windows"/win32/{app,show,render,mesh,image,platform}/*.a |
  grep -cE '\s(f(i?(add|sub|subr|mul|div|divr))p?|fsqrt|fild|fistt?p?|fsin|fcos|fprem1?)\s')
if [ "$x87" -eq 0 ]; then
  ok "win32: no x87 arithmetic in the show's code"
else
  bad "win32: $x87 x87 arithmetic instructions in the show's code"
fi

run_checks win64 "$wine64"
# 32-bit Wine is a 32-bit Linux program. Some kernels refuse those; an
# emulator that stands in (qemu-user through binfmt_misc) runs Wine's start
# at a minute a process and crashes in llvmpipe, so it is not used.
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
  echo "skipped: win32: 32-bit programs run here only under qemu"
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
  run_checks win32 /usr/lib/wine/wine
else
  echo "skipped: win32: this machine does not run 32-bit programs (its kernel refuses i386 executables)"
fi
echo "wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
