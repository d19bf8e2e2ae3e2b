#!/bin/sh
# Installs the build into a scratch prefix, or unpacks the Debian package into
# a scratch root, and runs the installed programs from an empty folder, as a
# user of the package would.
# Usage: install_test.sh CMAKE BUILD_DIR
#        install_test.sh --deb PACKAGE.deb
set -eu
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "install_test: $*" >&2
  exit 1
}

if [ "$1" = --deb ]; then
  deb=$(realpath "$2")
  # Depends worked out from the programs' libraries, and apt can meet them here.
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in 'libsdl2-mixer-2.0-0 (>=' 'libegl1' 'libgl1,'; do
    case $depends in *"$library"*) ;; *) fail "Depends lacks $library: $depends" ;; esac
  done
  [ "$(dpkg-deb -f "$deb" Recommends)" = ffmpeg ] || fail "ffmpeg is not recommended"
  apt-get install --simulate -qq "$deb" >/dev/null || fail "apt cannot install $deb"
  dpkg-deb -x "$deb" "$scratch/root"
  prefix=$scratch/root/usr
else
  prefix=$scratch/prefix
  "$1" --install "$2" --prefix "$prefix" >/dev/null
fi
for file in bin/streakshow bin/streakshow-capture bin/jpeg2ppm \
  share/streakshow/dorva/zim.jpg share/streakshow/dorva/vindu-tarok.mp3 \
  share/applications/streakshow.desktop share/metainfo/example.c_seed_950d8fc0.streakshow.metainfo.xml \
  share/icons/hicolor/48x48/apps/streakshow.png share/icons/hicolor/256x256/apps/streakshow.png \
  share/man/man6/streakshow.6.gz share/man/man1/streakshow-capture.1.gz \
  share/man/man1/jpeg2ppm.1.gz share/doc/streakshow/copyright share/doc/streakshow/changelog.gz; do
  [ -s "$prefix/$file" ] || fail "nothing installed at $file"
done

# From an empty folder the installed capture finds the installed data, and its
# frame is not the one drawn over empty pictures (which --data gives here).
mkdir "$scratch/empty" "$scratch/shown" "$scratch/blank" "$scratch/nodata"
cd "$scratch/empty"
capture=$prefix/bin/streakshow-capture
"$capture" --fps 10 --seconds 0.1 --frames ../shown 2>../shown.log || fail "capture failed"
! grep 'cannot open' ../shown.log || fail "the installed data was not found"
"$capture" --fps 10 --seconds 0.1 --frames ../blank --data ../nodata 2>../blank.log ||
  fail "capture with --data failed"
grep -q 'cannot open' ../blank.log || fail "--data was not used"
! cmp -s ../shown/frame_000000.png ../blank/frame_000000.png || fail "the frame shows no pictures"
# A second of video with the installed music.
"$capture" --fps 10 --seconds 1 --out ../second.mp4 2>../second.log || fail "recording failed"
streams=$(ffprobe -v error -of csv=p=0 -show_entries stream=codec_name ../second.mp4 | tr '\n' ' ')
[ "$streams" = "h264 aac " ] || fail "the second recorded holds '$streams': $(cat ../second.log)"

# The show's options.
show=$prefix/bin/streakshow
help=$("$show" --help) || fail "--help did not exit 0"
for option in --fullscreen --windowed --data --help --version; do
  printf '%s\n' "$help" | grep -q -- "^  $option " || fail "--help does not explain $option"
done
"$show" --version | grep -q '^streakshow [0-9]' || fail "--version"
status=0
"$show" --fullscreen --loud >../out.log 2>../error.log || status=$?
[ "$status" -eq 2 ] || fail "an unknown option exited $status, not 2"
[ ! -s ../out.log ] && [ "$(wc -l <../error.log)" -eq 2 ] &&
  [ "$(head -n 1 ../error.log)" = "streakshow: unknown option '--loud'" ] &&
  tail -n 1 ../error.log | grep -q '^usage: streakshow ' ||
  fail "an unknown option did not print one line and the usage"

# The desktop entry, the software centres' description and the manual pages,
# where their checkers are at hand. The description lists this version among
# its releases.
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/streakshow.desktop" || fail "desktop entry"
fi
metainfo=$prefix/share/metainfo/example.c_seed_950d8fc0.streakshow.metainfo.xml
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" >../metainfo.log 2>&1 || fail "metainfo: $(cat ../metainfo.log)"
fi
version=$("$show" --version | cut -d' ' -f2)
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
if command -v man >/dev/null; then
  for page in "$prefix"/share/man/man*/*; do
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
    MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q '^NAME' || fail "$page does not render"
  done
fi

# Only a program run from its build folder takes that folder's data (CMake's
# cache beside a dorva/, one level up); a packaged one never does, even with
# its installed data moved into such a layout.
if [ -n "${deb:-}" ]; then
  mv "$prefix/share/streakshow/dorva" "$prefix/dorva" && : >"$prefix/CMakeCache.txt"
  "$capture" --fps 10 --seconds 0.1 --frames ../apart 2>../apart.log || fail "capture failed"
  grep -q 'cannot open' ../apart.log || fail "the packaged capture took a build folder's data"
else
  "$2/recorder/streakshow-capture" --fps 10 --seconds 0.1 --frames ../built 2>../built.log ||
    fail "the build folder's capture failed"
  ! grep 'cannot open' ../built.log || fail "the build folder's capture did not find its data"
fi
