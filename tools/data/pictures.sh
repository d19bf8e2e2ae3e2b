#!/usr/bin/env bash
# Makes the show's pictures from scikit-image's photographs and checks each:
# a baseline frame header of the planned size and component count.
#
# Usage: tools/data/pictures.sh SKIMAGE_DATA OUT
#   SKIMAGE_DATA: a folder holding scikit-image's skimage/data/ files
#   OUT:          the folder the pictures are written into
# shellcheck source=tools/lib.sh
. "$(dirname -- "$0")/../lib.sh"
src=$1 out=$2
here=$(dirname -- "${BASH_SOURCE[0]}")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/pictures.XXXXXX")
trap 'rm -rf -- "$scratch"' EXIT

decode() {
  case $1 in
    # libpng warns about some of the files' colour profiles: its words are
    # shown only when it fails.
    *.png) pngtopnm "$1" 2>"$scratch/png.log" || { cat "$scratch/png.log" >&2; return 1; } ;;
    *.jpg) jpegtopnm -quiet "$1" ;;
  esac
}

# fill W H < PNM > PNM: scales and cuts a picture to fill exactly W x H,
# keeping its aspect: cuts the middle of the source to W:H first, then scales.
fill() {
  local want_w=$1 want_h=$2 pnm=$scratch/fill.pnm w h cut_w cut_h
  cat >"$pnm"
  read -r w h < <(pamfile -size "$pnm")
  if ((w * want_h > h * want_w)); then
    cut_w=$((h * want_w / want_h)) cut_h=$h
  else
    cut_w=$w cut_h=$((w * want_h / want_w))
  fi
  pamcut -left $(((w - cut_w) / 2)) -top $(((h - cut_h) / 2)) -width "$cut_w" -height "$cut_h" \
    "$pnm" | pamscale -width "$want_w" -height "$want_h"
}

# Baseline sequential JPEG, colour subsampled 4:2:0.
colour_jpeg() { cjpeg -quality 90 -sample 2x2 -optimize -outfile "$out/$1"; }
# Baseline sequential JPEG with one (grey) component.
grey_jpeg() { ppmtopgm | cjpeg -quality 90 -grayscale -optimize -outfile "$out/$1"; }

# The face: a square around Eileen Collins's head in the astronaut portrait.
decode "$src/astronaut.png" | pamcut -left 122 -top 0 -width 206 -height 206 |
  pamscale -width 512 -height 512 | colour_jpeg zim.jpg

# The backgrounds, in the order the show lists them.
decode "$src/coffee.png" | fill 640 480 | colour_jpeg daved_06smaller.jpg
decode "$src/chelsea.png" | fill 640 480 | colour_jpeg daved_09smaller.jpg
decode "$src/rocket.jpg" | fill 640 480 | colour_jpeg daved_08smaller.jpg
decode "$src/hubble_deep_field.jpg" | fill 1024 768 | colour_jpeg daved_07smaller.jpg
decode "$src/camera.png" | fill 640 480 | grey_jpeg daved_03smaller.jpg
# 800 x 600: a height that is not a whole number of 16-pixel blocks.
decode "$src/astronaut.png" | fill 800 600 | colour_jpeg daved_10smaller.jpg

# Each as planned: frame type (192 = baseline), width, height, components.
while read -r name planned; do
  made=$("$here/jpeg-frame.py" "$out/$name")
  [ "$made" = "$planned" ] || die "$name: frame is '$made', expected '$planned'"
done <<'END'
zim.jpg 192 512 512 3
daved_06smaller.jpg 192 640 480 3
daved_09smaller.jpg 192 640 480 3
daved_08smaller.jpg 192 640 480 3
daved_07smaller.jpg 192 1024 768 3
daved_03smaller.jpg 192 640 480 1
daved_10smaller.jpg 192 800 600 3
END
