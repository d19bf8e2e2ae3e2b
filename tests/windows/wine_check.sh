#!/usr/bin/env bash
# One check of the Windows builds under Wine, on Mesa's llvmpipe like the
# Linux build, against that Linux build. CTest runs each as a test of its own
# (tests/windows/CMakeLists.txt), for each word size:
#   record, pixels: the capture's frames, 0 to 15.5 s of the show at 10 fps
#     (the face, the ring from 5 s and the box field from 15 s): their record
#     lines (what the show chose) equal the Linux build's, and so do their
#     pixels; the 32-bit build's differ by the streak pixels that Debian's
#     32-bit Mesa snaps differently (at most 0.05 % of a frame);
#   nogl: the capture, with Mesa's driver hidden, says why in lines and exits
#     1, opening no box;
#   jpeg2ppm: jpeg2ppm.exe writes the same bytes as jpeg2ppm, and refuses the
#     same bad files with the same exit code;
#   glyphs: the outline glyphs made by wglUseFontOutlinesA have metrics of the
#     same order as FreeType's;
#   show-no, show-alone, show-yes: the show asks its question, opens "ZERK" on
#     No, and Escape ends it with exit code 0, with its data and without
#     (tests/windows/show_driver.cpp); on Yes it says what Wine did with the
#     display mode (a refusal is told in the failure box, in code page 1252),
#     and the show still runs;
#   unicode: the programs in a folder whose name has no spelling in the ANSI
#     code page find their data, and take such names for --data, --frames and
#     --record;
#   video: the video goes to an ffmpeg.exe found on a quoted PATH entry,
#     without a shell, and to the one beside the program before that;
#   ctrl-c: Ctrl-C at the console ends a video recording at the next frame,
#     finishes the video, says how far it got and exits 130;
#   x87 (win32): the 32-bit build computes in SSE2, not x87, registers.
# With no-i386 after the word size, a check runs as on a machine whose kernel
# runs no 32-bit x86 programs: in a private mount namespace (as root) where
# Wine's 32-bit loader cannot start. The 64-bit build must not need it, and
# Debian's wrappers (wine, winepath) reach it whenever wine32 is installed.
# `setup` starts the display and the Wine server and makes the Linux side of
# the comparisons; `cleanup` stops them. The 32-bit checks run where this
# machine runs 32-bit programs, and elsewhere say so in one line and exit 77
# (skipped). Every Wine step has a time limit of its own, so that a hang
# fails its check and names itself.
#
# Usage: wine_check.sh WINDOWS_BUILD LINUX_BUILD SCRATCH CHECK [win64|win32] [no-i386]
#   WINDOWS_BUILD: tools/build-windows.sh's folder (build-windows/)
#   LINUX_BUILD:   a Linux build folder with streakshow-capture, jpeg2ppm and
#                  the glyph probe (the test build)
#   SCRATCH:       the folder the checks share, made by `setup`
set -uo pipefail

windows=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
scratch=$3
check=$4
arch=${5:-win64}
as_if=${6:-}
# The checks' own folders in the scratch, apart for the runs as on a machine
# without 32-bit programs.
tag=$arch${as_if:+-$as_if}
failed=0
ok() { echo "ok: $*"; }
bad() {
  echo "FAILED: $*"
  failed=1
}
# limited SECONDS COMMAND...: the command, ended after SECONDS (and killed
# ten seconds later); `ran` then says how it ended, for the check's line.
limited() {
  local seconds=$1 status
  shift
  timeout -k 10 "$seconds" "$@"
  status=$?
  case $status in
    0) ran="" ;;
    124 | 137) ran=" (no end after $seconds s)" ;;
    *) ran=" (exit $status)" ;;
  esac
  return $status
}

# Wine gets a prefix of its own (made once; the first start takes a while) and
# a display of its own. Its installers for .NET and HTML are not wanted.
export WINEPREFIX=${STREAKSHOW_WINE_PREFIX:-$HOME/.cache/streakshow/wine}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d" LIBGL_ALWAYS_SOFTWARE=1
# File names and arguments reach Wine as UTF-8, whatever the caller's locale.
export LC_ALL=C.UTF-8
wine64=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
wine=$wine64
[ "$arch" = win32 ] && wine=$wine32
# A Windows name for a Linux one, through the loader of the word size checked
# (Debian's winepath would start the 32-bit one whenever wine32 is installed).
# A busy Wine now and then fails to start winepath and prints its own
# complaint instead ("ShellExecuteEx failed"): the answer must look like a
# path, or the question is asked again.
windows_path() {
  local answer=
  for _ in 1 2 3; do
    answer=$(timeout -k 5 60 "$wine" winepath -w "$1" 2>/dev/null) &&
      [[ $answer == [A-Za-z]:\\* ]] && { printf '%s\n' "$answer"; return 0; }
    sleep 1
  done
  echo "wine_check: winepath gave no name for $1 (${answer:-nothing})" >&2
  return 1
}
version=$(cat "$(dirname "$0")/../../VERSION")
stage=$windows/streakshow-$version-$arch
tests=$windows/$arch/tests/windows
pictures=$scratch/pictures
# The Linux build's names for the test pictures, with the one that is missing.
picture_names() { ls "$pictures" | sed -n 's/^linux-\(.*\)\.status$/\1/p'; }

check_setup() {
  check_cleanup
  mkdir -p "$scratch/linux-frames" "$pictures"
  # A display that outlives the setup and serves the checks.
  . "$(dirname "$0")/../../tools/xvfb.sh"
  start_xvfb "$scratch" </dev/null
  echo "$xvfb" >"$scratch/xvfb.pid"
  # One Wine server for all the checks, and Wine's own services and desktop
  # started apart from them: those keep the standard error of the program
  # that starts them, and a CTest test ends only when nothing holds its own.
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
  local first=()
  [ -f "$WINEPREFIX/system.reg" ] || first=(-i) # made once; it takes a while
  limited 300 "$wine64" wineboot "${first[@]}" </dev/null >/dev/null 2>&1 ||
    bad "cannot start Wine in $WINEPREFIX$ran"

  # The Linux side: frames, decoded test pictures, glyph metrics.
  (cd "$scratch" && SDL_VIDEODRIVER=offscreen "$linux/recorder/streakshow-capture" --data "$windows/dorva" \
    --fps 10 --seconds 15.5 --frames linux-frames --record linux.record >/dev/null 2>&1) ||
    bad "the Linux capture failed"
  SDL_VIDEODRIVER=offscreen "$linux/tests/windows/glyph_metrics" >"$scratch/linux-glyphs" 2>/dev/null ||
    bad "the Linux glyph probe failed"
  # Test pictures: the data's, cjpeg's kinds, and bad ones.
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
  for name in $(cd "$pictures" && ls *.jpg | sed 's/\.jpg$//') missing; do
    (cd "$pictures" && "$linux/jpeg2ppm/jpeg2ppm" "$name.jpg" "linux-$name.ppm" 2>/dev/null)
    echo $? >"$pictures/linux-$name.status"
  done
  [ "$failed" -eq 0 ] && ok "Xvfb on $DISPLAY, the Wine server, and the Linux side"
}

check_cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null
  local pid
  pid=$(cat "$scratch/xvfb.pid" 2>/dev/null) && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ] &&
    kill "$pid"
  rm -rf "$scratch"
}

# The pixels in which two frames differ (all of them when the second is missing).
differing_pixels() {
  [ -s "$2" ] || {
    echo $((1024 * 768))
    return
  }
  cmp -l <(pngtopnm "$1" 2>/dev/null) <(pngtopnm "$2" 2>/dev/null) 2>/dev/null |
    awk 'BEGIN { last = -1 } { pixel = int(($1 - 17) / 3); if (pixel != last) n++; last = pixel }
         END { print n + 0 }'
}

check_record() {
  rm -rf "$scratch/$arch-frames"
  mkdir -p "$scratch/$arch-frames"
  if ! limited 120 env -C "$scratch" "$wine" "$stage/streakshow-capture.exe" \
    --data "$(windows_path "$windows/dorva")" --fps 10 --seconds 15.5 --frames "$arch-frames" \
    --record "$arch.record" >/dev/null 2>"$scratch/$arch-capture.log"; then
    bad "$arch: the capture failed$ran"
    cat "$scratch/$arch-capture.log"
  elif grep -q unlike "$scratch/$arch-capture.log"; then
    bad "$arch: the capture's painter differs from GL: $(grep unlike "$scratch/$arch-capture.log")"
  fi
  if [ -s "$scratch/linux.record" ] && cmp -s "$scratch/linux.record" <(tr -d '\r' <"$scratch/$arch.record" 2>/dev/null); then
    ok "$arch: the record of $(wc -l <"$scratch/linux.record") frames (scenes, background, zoom, streaks, colours, random state) equals the Linux build's"
  else
    bad "$arch: the record differs from the Linux build's"
    diff "$scratch/linux.record" <(tr -d '\r' <"$scratch/$arch.record" 2>/dev/null) | head -4
  fi
}

# The pixels exactly, or for the 32-bit build within the streak pixels its
# Mesa snaps differently.
check_pixels() {
  local frame pixels mismatched=0 most=0 total=0 allowed=0 frames
  [ "$arch" = win32 ] && allowed=393
  frames=$(ls "$scratch/linux-frames" | wc -l)
  for frame in "$scratch"/linux-frames/*.png; do
    pixels=$(differing_pixels "$frame" "$scratch/$arch-frames/$(basename "$frame")")
    [ "$pixels" -gt 0 ] && mismatched=$((mismatched + 1))
    [ "$pixels" -gt "$most" ] && most=$pixels
    total=$((total + pixels))
  done
  if [ "$frames" -gt 0 ] && [ "$most" -le "$allowed" ]; then
    ok "$arch: $frames frames equal the Linux build's pixels$([ "$allowed" -gt 0 ] &&
      echo ", but for $total streak pixels in $mismatched frames (at most $most in one)")"
  else
    bad "$arch: $mismatched of $frames frames differ from the Linux build's ($total pixels, at most $most in one)"
  fi
}

# Without GL: lines on standard error and exit 1, never a box that waits.
check_nogl() {
  mkdir -p "$scratch/$arch-nogl"
  if limited 60 env -C "$scratch/$arch-nogl" LIBGL_DRIVERS_PATH=/nonexistent "$wine" \
    "$stage/streakshow-capture.exe" --frames . >/dev/null 2>"$scratch/$arch-nogl.log"; then
    bad "$arch: the capture without GL reported success"
  elif [ "$ran" = " (exit 1)" ] && grep -q "could not start" "$scratch/$arch-nogl.log"; then
    ok "$arch: without GL the capture says why and exits 1: $(grep -c '^streakshow' "$scratch/$arch-nogl.log") lines"
  else
    bad "$arch: the capture without GL$ran"
    cat "$scratch/$arch-nogl.log"
  fi
}

check_jpeg2ppm() {
  local name status mismatched=() names
  names=$(picture_names)
  for name in $names; do
    limited 60 env -C "$pictures" "$wine" "$stage/jpeg2ppm.exe" "$name.jpg" "$arch-$name.ppm" 2>/dev/null
    status=$?
    if [ "$status" != "$(cat "$pictures/linux-$name.status")" ] ||
      { [ -e "$pictures/linux-$name.ppm" ] || [ -e "$pictures/$arch-$name.ppm" ]; } &&
      ! cmp -s "$pictures/linux-$name.ppm" "$pictures/$arch-$name.ppm"; then
      mismatched+=("$name$ran")
    fi
  done
  if [ -z "$names" ]; then
    bad "$arch: no test pictures"
  elif [ ${#mismatched[@]} -eq 0 ]; then
    ok "$arch: jpeg2ppm.exe matches jpeg2ppm on $(echo $names | wc -w) pictures, bad ones included"
  else
    bad "$arch: jpeg2ppm.exe differs on ${mismatched[*]}"
  fi
}

# Each metric within 0.1 em or a factor of two of FreeType's.
check_glyphs() {
  if limited 60 "$wine" "$tests/glyph_metrics.exe" 2>/dev/null >"$scratch/$arch-glyphs.raw" &&
    tr -d '\r' <"$scratch/$arch-glyphs.raw" >"$scratch/$arch-glyphs" &&
    awk 'NR == FNR { for (i = 2; i <= 7; i++) m[$1, i] = $i; n++; next }
         { for (i = 2; i <= 7; i++) { a = m[$1, i]; b = $i
             if (a - b < 0.1 && b - a < 0.1) continue
             if (a * b <= 0 || a / b > 2 || b / a > 2) bad = bad " " $1 }; k++ }
         END { if (bad != "" || k != n || n == 0) { print "differ:" bad; exit 1 } }' \
      "$scratch/linux-glyphs" "$scratch/$arch-glyphs"; then
    ok "$arch: the outline glyphs' metrics are of the order of the Linux ones"
  else
    bad "$arch: the outline glyphs' metrics differ from the Linux ones$ran"
    paste "$scratch/linux-glyphs" "$scratch/$arch-glyphs"
  fi
}

# The show as a user meets it: with its data, then alone in a folder.
check_show_no() {
  if limited 90 env -C "$stage" "$wine" "$tests/show_driver.exe" streakshow.exe no; then
    ok "$arch: the show asks, opens ZERK on No and ends with 0 on Escape"
  else
    bad "$arch: the show driven with No$ran"
  fi
}

check_show_alone() {
  local alone=$scratch/$arch-alone
  mkdir -p "$alone"
  cp "$stage/streakshow.exe" "$alone/"
  if limited 90 env -C "$alone" "$wine" "$tests/show_driver.exe" streakshow.exe no 2>"$alone.log" &&
    grep -q 'zim.jpg' "$alone.log"; then
    ok "$arch: without dorva/ the show runs over empty pictures, silent, and ends with 0"
  else
    bad "$arch: the show without dorva/$ran"
    cat "$alone.log"
  fi
}

# Full screen: what Wine makes of it is told, and the show still runs.
check_show_yes() {
  limited 90 env -C "$stage" "$wine" "$tests/show_driver.exe" streakshow.exe yes 2>/dev/null \
    >"$scratch/$arch-yes.log"
  local status=$?
  iconv -f CP1252 -t UTF-8 "$scratch/$arch-yes.log"
  if [ "$status" -eq 0 ]; then
    ok "$arch: on Yes the show runs and ends with 0 on Escape"
  else
    bad "$arch: the show driven with Yes$ran"
  fi
}

# A folder named outside the ANSI code page: the show, started from
# elsewhere, finds its data beside itself, and the capture and jpeg2ppm take
# such names.
check_unicode() {
  local folder="$scratch/$tag-Ωmega✓" elsewhere=$scratch/$tag-elsewhere log=$scratch/$tag-unicode.log
  rm -rf "$folder"
  cp -r "$stage" "$folder"
  mkdir -p "$folder/frames ✓" "$elsewhere"
  if limited 90 env -C "$elsewhere" "$wine" "$tests/show_driver.exe" "$(windows_path "$folder/streakshow.exe")" no \
    2>"$log" && ! grep -q 'cannot open' "$log" &&
    limited 60 env -C "$elsewhere" "$wine" "$folder/streakshow-capture.exe" \
      --data "$(windows_path "$folder/dorva")" --fps 10 --seconds 0.5 --frames "$(windows_path "$folder/frames ✓")" \
      --record "$(windows_path "$folder/ωrecord.txt")" 2>>"$log" >/dev/null &&
    cmp -s <(head -n 5 "$scratch/linux.record") <(tr -d '\r' <"$folder/ωrecord.txt") &&
    [ "$(ls "$folder/frames ✓" | wc -l)" -eq 5 ] &&
    limited 60 env -C "$folder/dorva" "$wine" "$folder/jpeg2ppm.exe" zim.jpg "ζim.ppm" 2>>"$log" &&
    cmp -s "$folder/dorva/ζim.ppm" "$pictures/linux-zim.ppm"; then
    ok "$arch: from a folder named $(basename "$folder"), the programs find their data and write where they are told"
  else
    bad "$arch: from a folder named $(basename "$folder")$ran"
    cat "$log"
  fi
}

# A video through ffmpeg.exe started without cmd.exe: a stand-in found on a
# quoted PATH entry, into a name with a blank, %PATH% and non-ANSI
# characters, which it receives unchanged and takes when it is complete.
check_video() {
  local encoder="$scratch/$tag-ff mpeg" folder=$scratch/$tag-video
  local video="$folder/show %PATH% ✓.mp4"
  mkdir -p "$encoder" "$folder"
  cp "$tests/fake_ffmpeg.exe" "$encoder/ffmpeg.exe"
  if limited 60 env -C "$folder" WINEPATH="\"$(windows_path "$encoder")\"" "$wine" \
    "$stage/streakshow-capture.exe" --fps 10 --seconds 0.3 --out "$(windows_path "$video")" \
    >/dev/null 2>"$folder.log" && [ -e "$video" ] && ! ls "$folder" | grep -q partial &&
    tr -d '\r' <"$video" | grep -qx "bytes $((1024 * 768 * 3 / 2 * 3))" &&
    tr -d '\r' <"$video" | grep -q '^.*show %PATH% ✓\.partial-[0-9]*-[0-9a-f]*\.mp4$'; then
    ok "$arch: the video goes to ffmpeg.exe, found on a quoted PATH entry, without a shell"
  else
    bad "$arch: the video through ffmpeg.exe$ran"
    cat "$folder.log" "$video" 2>/dev/null | head -40
  fi
  # The ffmpeg.exe beside the program comes first; the one on PATH is now
  # jpeg2ppm.exe, which would fail.
  local beside=$scratch/$tag-beside
  mkdir -p "$beside"
  cp "$stage/streakshow-capture.exe" "$tests/fake_ffmpeg.exe" "$beside/"
  mv "$beside/fake_ffmpeg.exe" "$beside/ffmpeg.exe"
  cp "$stage/jpeg2ppm.exe" "$encoder/ffmpeg.exe"
  if limited 60 env -C "$folder" WINEPATH="\"$(windows_path "$encoder")\"" "$wine" \
    "$beside/streakshow-capture.exe" --fps 10 --seconds 0.1 --out beside.mp4 \
    >/dev/null 2>"$beside.log" && tr -d '\r' <"$folder/beside.mp4" | grep -q '^bytes '; then
    ok "$arch: the video goes to the ffmpeg.exe beside the program first"
  else
    bad "$arch: the video through the ffmpeg.exe beside the program$ran"
    cat "$beside.log"
  fi
}

# Ctrl-C once a tenth of a 200-frame video is recorded: the recorder stops at
# the next frame, closes the stand-in ffmpeg's input (which then writes the
# byte count of every frame kept), keeps the video under its partial name,
# says how far it got and exits 130.
check_ctrl_c() {
  local folder=$scratch/$tag-stop frames
  mkdir -p "$folder"
  cp "$tests/fake_ffmpeg.exe" "$folder/ffmpeg.exe"
  limited 120 env -C "$folder" WINEPATH="$(windows_path "$folder")" "$wine" "$tests/stop_driver.exe" \
    " 10% " "$(windows_path "$stage/streakshow-capture.exe")" --fps 10 --seconds 20 --out stopped.mp4 \
    2>"$folder.log"
  frames=$(sed -n 's/.*stopped by Ctrl-C after \([0-9]*\) frames.*/\1/p' "$folder.log")
  if [ "$ran" = " (exit 130)" ] && [ "${frames:-0}" -ge 20 ] && [ "$frames" -lt 200 ] &&
    [ ! -e "$folder/stopped.mp4" ] &&
    tr -d '\r' <"$folder"/stopped.partial-*.mp4 2>/dev/null | grep -qx "bytes $((1024 * 768 * 3 / 2 * frames))"; then
    ok "$arch: Ctrl-C ends the recording after $frames of 200 frames, whole, with exit 130"
  else
    bad "$arch: the recording stopped by Ctrl-C$ran"
    cat "$folder.log"
    tr -d '\r' <"$folder"/stopped.partial-*.mp4 2>/dev/null | tail -1
  fi
}

# Whether or not it runs here: the 32-bit build's own code does its float
# arithmetic in SSE2 registers (the x87 unit only moves values, as the
# calling convention returns them there).
check_x87() {
  local x87
  x87=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$windows"/win32/{app,show,render,mesh,image,platform}/*.a |
    grep -cE '\s(f(i?(add|sub|subr|mul|div|divr))p?|fsqrt|fild|fistt?p?|fsin|fcos|fprem1?)\s')
  if [ "$x87" -eq 0 ]; then
    ok "win32: no x87 arithmetic in the show's code"
  else
    bad "win32: $x87 x87 arithmetic instructions in the show's code"
  fi
}

# no-i386: Wine's 32-bit loader and preloader replaced, in a mount namespace
# of this check's own, by copies whose ELF header names a machine no kernel
# runs, so that starting them fails with "Exec format error" as it does on a
# kernel without 32-bit support. The check itself then runs in there.
if [ "$as_if" = no-i386 ] && [ -z "${STREAKSHOW_NO_I386:-}" ]; then
  if ! "$wine32" --version >/dev/null 2>&1; then
    echo "skipped: this machine runs no 32-bit programs: wine.$arch.$check checks this already"
    exit 77
  fi
  if ! unshare --mount --propagation private true 2>/dev/null; then
    echo "skipped: no private mount namespace to hide the 32-bit loader in (it takes root)"
    exit 77
  fi
  foreign=$scratch/$tag-loaders
  mkdir -p "$foreign"
  for loader in wine wine-preloader; do
    [ -e "/usr/lib/wine/$loader" ] || continue
    { head -c 18 "/usr/lib/wine/$loader" && printf '\377\377' && tail -c +21 "/usr/lib/wine/$loader"; } \
      >"$foreign/$loader" && chmod +x "$foreign/$loader"
  done
  exec unshare --mount --propagation private env STREAKSHOW_NO_I386=1 bash -c '
    foreign=$1
    shift
    for loader in wine wine-preloader; do
      [ -e "$foreign/$loader" ] || continue
      mount --bind "$foreign/$loader" "/usr/lib/wine/$loader" || {
        echo "skipped: cannot hide /usr/lib/wine/$loader in a mount namespace"
        exit 77
      }
    done
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
      echo "FAILED: the 32-bit loader still starts in the namespace meant to hide it"
      exit 1
    fi
    exec bash "$@"' bash "$foreign" "$0" "$@"
fi

case $check in
  setup | cleanup | x87) ;;
  *)
    # 32-bit Wine is a 32-bit Linux program. Some kernels refuse those; an
    # emulator that stands in (qemu-user through binfmt_misc) runs Wine's
    # start at a minute a process and crashes in llvmpipe, so it is not used.
    if [ "$arch" = win32 ] && [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
      echo "skipped: win32: 32-bit programs run here only under qemu"
      exit 77
    elif [ "$arch" = win32 ] && ! "$wine" --version >/dev/null 2>&1; then
      echo "skipped: win32: this machine does not run 32-bit programs (its kernel refuses i386 executables)"
      exit 77
    fi
    [ -s "$scratch/display" ] || {
      echo "FAILED: no display: wine.setup has not run"
      exit 1
    }
    export DISPLAY=:$(cat "$scratch/display")
    ;;
esac
declare -F "check_${check//-/_}" >/dev/null || bad "no check named $check"
"check_${check//-/_}"
exit $failed
