#!/usr/bin/env bash
# Makes the README's three stills with the capture program: a face moment, a
# ring moment and a box-field moment, scaled down to small 8-bit PNGs.
#
#   tools/make-stills.sh        (after tools/run-show.sh has built the show and its data)
# shellcheck source=tools/lib.sh
. "$(dirname "$0")/lib.sh"
cd "$root"

capture=build/recorder/streakshow-capture
[ -x "$capture" ] || die "build the show first (tools/run-show.sh)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name, second of the show, frame of the six captured from there
for still in "face 2 4" "ring 8 0" "boxes 20 1"; do
  set -- $still
  mkdir "$work/$1"
  "$capture" --fps 60 --from "$2" --seconds 0.1 --frames "$work/$1" 2>/dev/null
  ffmpeg -hide_banner -loglevel error -y -i "$work/$1/frame_00000$3.png" \
    -vf "scale=512:384:flags=area,split[a][b];[a]palettegen=max_colors=128[p];[b][p]paletteuse=dither=none" \
    "docs/still-$1.png"
  echo "make-stills: docs/still-$1.png"
done
