#!/usr/bin/env bash
# Makes the show's data folder from freely licensed material: photographs from
# Debian's python3-skimage package, and music composed right here with sox.
#
# Usage: tools/make-data.sh [--optional] [--download] [DEST]   (DEST defaults to ./dorva)
#
# It installs nothing and, unless asked to, downloads nothing. The photographs
# come from an installed python3-skimage, or from its package file named by
# SKIMAGE_DEB=/path/to/python3-skimage_*.deb. A missing input stops it with one
# line naming the Debian package to install; with --optional (the build's
# way) that line is all it does, and it exits 0. --download (the scripts'
# way) fetches python3-skimage's package file with apt-get download into
# ~/.cache/streakshow/ when neither is at hand; nothing is installed.
#
# Everything is made in a temporary folder and moved into DEST only when all of
# it was made. A DEST that already holds every file is left alone; files that
# DEST already has are never overwritten, only the missing ones are added.
set -euo pipefail
shopt -s inherit_errexit

optional=false download=false
while [ $# -gt 0 ]; do
  case $1 in
    --optional) optional=true ;;
    --download) download=true ;;
    -*) echo "make-data: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
  shift
done
dest=${1:-dorva}
backgrounds=(daved_06smaller.jpg daved_09smaller.jpg daved_08smaller.jpg
             daved_07smaller.jpg daved_03smaller.jpg daved_10smaller.jpg)
outputs=(zim.jpg "${backgrounds[@]}" vindu-tarok.mp3)

say() { echo "make-data: $*" >&2; }
die() { say "$*"; exit 1; }

complete() {
  local file
  for file in "${outputs[@]}"; do [ -s "$dest/$file" ] || return 1; done
}

if complete; then
  say "$dest already holds every file; nothing to do"
  exit 0
fi
[ -e "$dest" ] && [ ! -d "$dest" ] && die "$dest exists and is not a folder"

# ---------------------------------------------------------------------------
# Inputs, each with the Debian package that has it.
tools=(od:coreutils pngtopnm:netpbm jpegtopnm:netpbm pamcut:netpbm pamscale:netpbm
       pamfile:netpbm ppmtopgm:netpbm cjpeg:libjpeg-turbo-progs sox:sox soxi:sox lame:lame)
installed=/usr/lib/python3/dist-packages/skimage/data
cache=${XDG_CACHE_HOME:-$HOME/.cache}/streakshow
deb=${SKIMAGE_DEB:-}
cached() { [ ! -d "$cache" ] || find "$cache" -maxdepth 1 -name 'python3-skimage_*.deb' | sort | tail -n 1; }
if [ -z "$deb" ] && [ ! -f "$installed/astronaut.png" ] && $download; then
  deb=$(cached)
  if [ -z "$deb" ]; then
    command -v apt-get >/dev/null || die "cannot download python3-skimage: no apt-get"
    say "downloading python3-skimage's package file into $cache (nothing is installed)"
    mkdir -p "$cache"
    fetched=$(mktemp -d "$cache/download.XXXXXX")
    fetch() { (cd "$fetched" && apt-get download python3-skimage) >"$fetched/apt.log" 2>&1; }
    # The package lists may be missing or old; root can renew them.
    if ! fetch && { [ "$(id -u)" -ne 0 ] || ! apt-get update -qq >/dev/null 2>&1 || ! fetch; }; then
      log=$(tail -n 1 "$fetched/apt.log")
      rm -rf -- "$fetched"
      die "could not download python3-skimage: $log"
    fi
    mv -- "$fetched"/python3-skimage_*.deb "$cache/"
    rm -rf -- "$fetched"
    deb=$(cached)
  fi
fi
[ -z "$deb" ] || [ -f "$deb" ] || die "SKIMAGE_DEB: no package file at $deb"
[ -z "$deb" ] || tools+=(dpkg-deb:dpkg tar:tar)

missing=()
for entry in "${tools[@]}"; do
  command -v "${entry%%:*}" >/dev/null || missing+=("${entry#*:}")
done
[ -n "$deb" ] || [ -f "$installed/astronaut.png" ] || missing+=(python3-skimage)
if [ ${#missing[@]} -gt 0 ]; then
  packages=$(printf '%s\n' "${missing[@]}" | sort -u | tr '\n' ' ')
  [[ " ${missing[*]} " != *" python3-skimage "* ]] || packages+="(or set SKIMAGE_DEB=python3-skimage_*.deb) "
  if $optional; then
    say "no data made in $dest (the show runs without it); to make it: apt-get install ${packages% }"
    exit 0
  fi
  die "cannot make $dest; install what it needs: apt-get install ${packages% }"
fi

# ---------------------------------------------------------------------------
# Work folders: scratch space, and the staging folder beside DEST so that the
# final move is a rename on one file system.
work=$(mktemp -d "${TMPDIR:-/tmp}/make-data.XXXXXX")
parent=$(dirname -- "$dest")
mkdir -p -- "$parent"
stage=$(cd "$parent" && pwd)/.make-data.$$
mkdir -- "$stage" # plain mkdir, so DEST gets the usual permissions
music_pid=
cleanup() {
  [ -z "$music_pid" ] || kill "$music_pid" 2>/dev/null || true
  rm -rf -- "$work" "$stage"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ===========================================================================
# Music: "vindu-tarok", A minor, 125 bpm, Am - F - C - G two bars each.
# Parts are made as mono WAV files in $work/music, placed on a grid of
# sixteenth notes, mixed, and encoded with lame.
# ===========================================================================
rate=44100
bpm=125
beat=$((rate * 60 / bpm)) # 21168 samples, so every grid step is whole samples
step=$((beat / 4))        # a sixteenth note
eighth=$((beat / 2))
bar=$((4 * beat))
slot=$((2 * bar)) # one chord lasts two bars
slots=20          # five rounds of the four chords
ending=$((6 * rate)) # then the closing chord rings out
total=$((slots * slot + ending))

# Repeatable: noise and dither come out the same on every run.
sox() { command sox -R "$@"; }

# new SOX-ARGS...: sox on the null input at the show's rate, mono.
new() { sox -r "$rate" -c 1 -n "$@"; }

# semitones NOTE: distance from A4 of a note such as C4, F#2 or Bb3.
semitones() {
  local letter=${1:0:1} rest=${1:1} base accidental=0
  case $letter in
    C) base=-9 ;; D) base=-7 ;; E) base=-5 ;; F) base=-4 ;;
    G) base=-2 ;; A) base=0 ;; B) base=2 ;;
    *) die "bad note $1" ;;
  esac
  case $rest in
    \#*) accidental=1 rest=${rest:1} ;;
    b*) accidental=-1 rest=${rest:1} ;;
  esac
  echo $((base + accidental + (rest - 4) * 12))
}

# rest LEN: the name of a silent file LEN samples long (made once).
rest() {
  local file=rest-$1.wav
  [ -f "$file" ] || new "$file" trim 0 "$1s"
  echo "$file"
}

# place OUT LEN STEP FILE...: starts each FILE one STEP (in samples) after the
# previous one and mixes them, so long sounds ring on under the next; "." is a
# rest. OUT is exactly LEN samples long.
place() {
  local out=$1 len=$2 stride=$3 at=0 file inputs=()
  shift 3
  inputs=(-v 1 "$(rest "$len")")
  for file in "$@"; do
    [ "$file" = . ] || inputs+=(-v 1 "|sox $file -p pad ${at}s")
    at=$((at + stride))
  done
  sox -m "${inputs[@]}" "$out" trim 0 "${len}s" gain -n -1
}

# arrange OUT FILE...: a whole track, one FILE per two-bar slot end to end,
# each cut or padded to fill its slot, then the ending: the last FILE whole.
# "." is a rest.
arrange() {
  local out=$1 inputs=()
  shift
  while (($# > 1)); do
    if [ "$1" = . ]; then
      inputs+=("$(rest "$slot")")
    else
      # -V1: pad warns when the trim ends the stream before it is done.
      inputs+=("|sox -V1 $1 -p pad 0 ${slot}s trim 0 ${slot}s")
    fi
    shift
  done
  if [ "$1" = . ]; then inputs+=("$(rest "$ending")"); else inputs+=("$1"); fi
  sox "${inputs[@]}" "$out"
}

# drums OUT HIT STEPS: one HIT per "x" (full) or "o" (soft) in a row of
# sixteenth-note steps.
drums() {
  local out=$1 hit=$2 steps=$3 i files=()
  [ -f "$hit-soft.wav" ] || sox "$hit.wav" "$hit-soft.wav" vol 0.45
  for ((i = 0; i < ${#steps}; i++)); do
    case ${steps:i:1} in
      x) files+=("$hit.wav") ;;
      o) files+=("$hit-soft.wav") ;;
      *) files+=(.) ;;
    esac
  done
  place "$out" $((${#steps} * step)) "$step" "${files[@]}"
}

# --- Instruments: each makes one note or hit. ------------------------------

# A sine falling from 150 to 42 Hz with a fast decay: the kick.
make_kick() { new kick.wav synth 0.32 sine 150/42 gain -6 fade l 0.002 0.32 0.3 gain -n -1; }

# Noise and a falling tone: the snare.
make_snare() {
  sox -r "$rate" -c 2 -n snare.wav synth 0.2 whitenoise sine 200/150 \
    remix 1v0.8,2v0.5 gain -6 highpass 180 lowpass 7000 fade l 0.001 0.2 0.19 gain -n -1
}

# High-passed noise bursts: closed and open hi-hat.
make_hats() {
  new hat.wav synth 0.05 whitenoise gain -6 highpass 7000 fade l 0.001 0.05 0.048 gain -n -1
  new open-hat.wav synth 0.2 whitenoise gain -6 highpass 6500 fade l 0.002 0.2 0.19 gain -n -3
}

# bass NOTE [SECONDS RELEASE]: a filtered sawtooth, by default a short pluck.
bass() {
  local length=${2:-0.22} release=${3:-0.08}
  local file=bass-$1-$length.wav
  [ -f "$file" ] || new "$file" synth "$length" sawtooth "$1" \
    gain -6 lowpass 700 lowpass 900 fade h 0.004 "$length" "$release" gain -n -1
  echo "$file"
}

# arp NOTE: a plucked string, short and bright.
arp() {
  local file=arp-$1.wav
  [ -f "$file" ] || new "$file" synth 0.45 pluck "$1" \
    gain -6 lowpass 4000 fade l 0 0.45 0.3 gain -n -10 # up to four ring together
  echo "$file"
}

# pad FILE LENGTH NOTE...: two slightly detuned sawtooths per note, softened,
# swelling in and dying away (the reverb bridges one chord to the next).
pad() {
  local file=$1 length=$2 note s voices=()
  shift 2
  for note in "$@"; do
    s=$(semitones "$note")
    voices+=(sawtooth "%$s" sawtooth "%$s.1") # the second a tenth of a semitone off
  done
  sox -r "$rate" -c $((2 * $#)) -n "$file" synth "$length" "${voices[@]}" remix - \
    gain -6 lowpass 1100 lowpass 1600 tremolo 0.3 15 fade q 0.3 "$length" 0.5 gain -n -1
}

# --- The chords: pad voicing, bass root / octave / fifth, arpeggio tones. --
chords=(Am F C G)
declare -A pad_notes=([Am]="A3 C4 E4" [F]="A3 C4 F4" [C]="G3 C4 E4" [G]="G3 B3 D4")
declare -A bass_notes=([Am]="A1 A2 E2" [F]="F1 F2 C2" [C]="C2 C3 G2" [G]="G1 G2 D2")
declare -A arp_notes=([Am]="A4 C5 E5 A5" [F]="F4 A4 C5 F5" [C]="G4 C5 E5 G5" [G]="G4 B4 D5 G5")

# Two bars of eighth notes: root and octave pulse, the fifth leads on.
make_bass_phrase() {
  local chord=$1 root octave fifth
  read -r root octave fifth <<<"${bass_notes[$chord]}"
  local r o f
  r=$(bass "$root")
  o=$(bass "$octave")
  f=$(bass "$fifth")
  place "bass-$chord.wav" "$slot" "$eighth" \
    "$r" "$r" "$o" "$r" "$r" "$r" "$o" "$r" \
    "$r" "$r" "$o" "$r" "$f" "$f" "$o" "$o"
}

# Two bars of a syncopated sixteenth-note arpeggio over the chord's tones.
make_arp_phrase() {
  local chord=$1 tones a
  read -r -a tones <<<"${arp_notes[$chord]}"
  a=("$(arp "${tones[0]}")" "$(arp "${tones[1]}")" "$(arp "${tones[2]}")" "$(arp "${tones[3]}")")
  local one_bar=("${a[0]}" . "${a[2]}" . "${a[3]}" . "${a[2]}" "${a[1]}"
                 . "${a[2]}" . "${a[3]}" . "${a[2]}" . "${a[1]}")
  place "arp-$chord.wav" "$slot" "$step" "${one_bar[@]}" "${one_bar[@]}"
}

make_pad_chord() {
  # shellcheck disable=SC2086 # the voicing is a list of notes
  pad "pad-$1.wav" "${slot}s" ${pad_notes[$1]}
}

make_music() {
  mkdir -p "$work/music"
  cd "$work/music"

  # Sounds.
  make_kick
  make_snare
  make_hats
  local chord
  for chord in "${chords[@]}"; do
    make_pad_chord "$chord"
    make_bass_phrase "$chord"
    make_arp_phrase "$chord"
  done
  pad pad-end.wav "${ending}s" A2 E3 A3 C4 E4

  # Two-bar drum patterns, one character per sixteenth note.
  drums kick-2.wav kick     "x...x...x...x...x...x...x...x..."
  drums kick-end.wav kick   "x..............................."
  drums snare-2.wav snare   "....x.......x.......x.......x..."
  drums snare-fill.wav snare "....x.......x.......x.....o.xoxx"
  drums hats-2.wav hat      "x.o.x.o.x.o.xoo.x.o.x.o.x.o.xoox"
  drums open-2.wav open-hat "..x...x...x...x...x...x...x...x."

  # Arrangement, one entry per two-bar slot (chord = slot mod 4):
  #   0-3 intro: pad, hats from slot 2   4-7 kick and bass join
  #   8-15 full: snare, open hats, arpeggio   16-19 outro: the kick leaves
  #   then the ending: an A minor chord over one kick and a long bass note.
  local s pad_track=() bass_track=() arp_track=() kick_track=() snare_track=() hat_track=()
  local open_track=()
  for ((s = 0; s < slots; s++)); do
    chord=${chords[s % 4]}
    pad_track+=("pad-$chord.wav")
    if ((s >= 2)); then hat_track+=(hats-2.wav); else hat_track+=(.); fi
    if ((s >= 4)); then bass_track+=("bass-$chord.wav"); else bass_track+=(.); fi
    if ((s >= 4 && s < 18)); then kick_track+=(kick-2.wav); else kick_track+=(.); fi
    if ((s == 7 || s == 11 || s == 15)); then
      snare_track+=(snare-fill.wav)
    elif ((s >= 8 && s < 16)); then
      snare_track+=(snare-2.wav)
    else
      snare_track+=(.)
    fi
    if ((s >= 8 && s < 16)); then open_track+=(open-2.wav); else open_track+=(.); fi
    if ((s >= 8)); then arp_track+=("arp-$chord.wav"); else arp_track+=(.); fi
  done
  pad_track+=(pad-end.wav) bass_track+=("$(bass A1 3 2.5)") kick_track+=(kick-end.wav)
  hat_track+=(.) snare_track+=(.) open_track+=(.) arp_track+=(.)

  arrange pad-dry.wav "${pad_track[@]}"
  arrange bass.wav "${bass_track[@]}"
  arrange arp-dry.wav "${arp_track[@]}"
  arrange kick.wav "${kick_track[@]}"
  arrange snare.wav "${snare_track[@]}"
  arrange hats.wav "${hat_track[@]}"
  arrange open.wav "${open_track[@]}"

  # Effects: a wide reverb on the pad, a dotted-eighth echo on the arpeggio,
  # panned a little apart.
  local dotted=$((3 * step * 1000 / rate)) # milliseconds
  sox pad-dry.wav pad.wav channels 2 gain -6 reverb 70 50 100 100 20 -2 gain -n -1
  sox arp-dry.wav arp.wav echo 0.7 0.7 "$dotted" 0.4 $((2 * dotted)) 0.2 gain -n -1

  # Mix (stereo) and master: fades at both ends, peak at -1.5 dBFS so the
  # encoded file does not clip.
  sox -m \
    -v 0.30 "|sox kick.wav -p remix 1 1" \
    -v 0.25 "|sox snare.wav -p remix 1v0.9 1v1" \
    -v 0.12 "|sox hats.wav -p remix 1v1 1v0.7" \
    -v 0.08 "|sox open.wav -p remix 1v0.7 1v1" \
    -v 0.15 "|sox bass.wav -p remix 1 1" \
    -v 0.22 pad.wav \
    -v 0.11 "|sox arp.wav -p remix 1v1 1v0.6" \
    mix.wav fade q 2 "${total}s" 5 gain -n -1.5

  lame --quiet --noreplaygain -q 2 -b 192 mix.wav vindu-tarok.mp3
}

# ===========================================================================
# Pictures from python3-skimage's data folder.
# ===========================================================================

# Scales and cuts a picture to fill exactly W x H, keeping its aspect: cuts the
# middle of the source to W:H first, then scales.
# fill W H < PNM > PNM
fill() {
  local want_w=$1 want_h=$2 pnm=$work/fill.pnm w h cut_w cut_h
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

decode() {
  case $1 in
    *.png) pngtopnm "$1" ;;
    *.jpg) jpegtopnm -quiet "$1" ;;
  esac
}

# Baseline sequential JPEG, colour subsampled 4:2:0.
colour_jpeg() { cjpeg -quality 90 -sample 2x2 -optimize -outfile "$1"; }
# Baseline sequential JPEG with one (grey) component.
grey_jpeg() { ppmtopgm | cjpeg -quality 90 -grayscale -optimize -outfile "$1"; }

# jpeg_frame FILE: walks the markers to the frame header and prints its type
# (192 = baseline), width, height and component count.
jpeg_frame() {
  local bytes i=2 marker
  read -r -a bytes < <(od -An -v -tu1 -N 2048 "$1" | tr -s ' \n' '  ')
  ((bytes[0] == 255 && bytes[1] == 216)) || return 1
  while ((i + 9 < ${#bytes[@]})); do
    ((bytes[i] == 255)) || return 1
    marker=${bytes[i + 1]}
    if ((marker >= 192 && marker <= 207 && marker != 196 && marker != 200 && marker != 204)); then
      echo "$marker $((bytes[i + 7] * 256 + bytes[i + 8])) $((bytes[i + 5] * 256 + bytes[i + 6]))" \
        "${bytes[i + 9]}"
      return 0
    fi
    i=$((i + 2 + bytes[i + 2] * 256 + bytes[i + 3]))
  done
  return 1
}

# Start the music beside the pictures: the two do not share anything.
(make_music) >"$work/music.log" 2>&1 &
music_pid=$!

if [ -n "$deb" ]; then
  mkdir "$work/pkg"
  dpkg-deb --fsys-tarfile "$deb" |
    tar -x -C "$work/pkg" --wildcards './usr/lib/python3/dist-packages/skimage/data/*'
  src=$work/pkg$installed
else
  src=$installed
fi

# The face: a square around Eileen Collins's head in the astronaut portrait.
decode "$src/astronaut.png" 2>/dev/null | pamcut -left 122 -top 0 -width 206 -height 206 |
  pamscale -width 512 -height 512 | colour_jpeg "$stage/zim.jpg"

# The backgrounds, in the order the show lists them.
decode "$src/coffee.png" 2>/dev/null | fill 640 480 | colour_jpeg "$stage/daved_06smaller.jpg"
decode "$src/chelsea.png" 2>/dev/null | fill 640 480 | colour_jpeg "$stage/daved_09smaller.jpg"
decode "$src/rocket.jpg" | fill 640 480 | colour_jpeg "$stage/daved_08smaller.jpg"
decode "$src/hubble_deep_field.jpg" | fill 1024 768 | colour_jpeg "$stage/daved_07smaller.jpg"
decode "$src/camera.png" | fill 640 480 | grey_jpeg "$stage/daved_03smaller.jpg"
# 800 x 600: a height that is not a whole number of 16-pixel blocks.
decode "$src/astronaut.png" 2>/dev/null | fill 800 600 | colour_jpeg "$stage/daved_10smaller.jpg"

# Check what was made before anything moves: baseline frames of the intended
# sizes, and the music's length.
expect=("zim.jpg 192 512 512 3" "daved_06smaller.jpg 192 640 480 3"
        "daved_09smaller.jpg 192 640 480 3" "daved_08smaller.jpg 192 640 480 3"
        "daved_07smaller.jpg 192 1024 768 3" "daved_03smaller.jpg 192 640 480 1"
        "daved_10smaller.jpg 192 800 600 3")
for line in "${expect[@]}"; do
  name=${line%% *}
  got=$(jpeg_frame "$stage/$name") || die "$name: no frame header found"
  [ "$got" = "${line#* }" ] || die "$name: frame is '$got', expected '${line#* }'"
done

if ! wait "$music_pid"; then
  music_pid=
  cat "$work/music.log" >&2
  die "making the music failed"
fi
music_pid=
grep WARN "$work/music.log" >&2 || true # e.g. clipping after an edit
seconds=$(soxi -D "$work/music/mix.wav")
[ "${seconds%.*}" -ge 75 ] || die "the music is only $seconds s long"
mv "$work/music/vindu-tarok.mp3" "$stage/"

# Move into place.
if [ ! -e "$dest" ]; then
  mv -T -- "$stage" "$dest"
else
  for file in "${outputs[@]}"; do
    [ -s "$dest/$file" ] || mv -f -- "$stage/$file" "$dest/$file"
  done
fi
say "made $dest"
