#!/usr/bin/env bash
# Makes the show's data folder from freely licensed material: photographs from
# Debian's python3-skimage package, and music composed right here with sox.
#
# Usage: tools/make-data.sh [--optional] [--download] [DEST]   (DEST defaults to ./dorva)
#        tools/make-data.sh --check DIR
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
#
# The parts that do the work are in tools/data/: music.py composes the music,
# pictures.sh makes the pictures (and checks them with jpeg-frame.py),
# fetch-skimage.sh downloads the photographs' package file. dorva.sha256 lists
# every file made with its checksum; --check DIR compares DIR with it, one line
# for each file that is missing or differs, and exits 1 when any does.
# shellcheck source=tools/lib.sh
. "$(dirname -- "${BASH_SOURCE[0]}")/lib.sh"

here=$(dirname -- "${BASH_SOURCE[0]}")/data
manifest=$here/dorva.sha256

optional=false download=false check=false
while [ $# -gt 0 ]; do
  case $1 in
    --optional) optional=true ;;
    --download) download=true ;;
    --check) check=true ;;
    -*) say "unknown option $1"; exit 2 ;;
    *) break ;;
  esac
  shift
done
[ $# -le 1 ] || { say "one folder at most, not $*"; exit 2; }
dest=${1:-dorva}
[ -f "$manifest" ] || die "no manifest at $manifest"
mapfile -t outputs < <(cut -d ' ' -f 3- "$manifest")

# mismatches DIR: one line for each file in the manifest that DIR lacks or
# holds with other bytes.
mismatches() {
  local sum name made
  while read -r sum name; do
    if [ ! -f "$1/$name" ] || [ ! -r "$1/$name" ]; then
      echo "$name: missing"
    else
      made=$(sha256sum <"$1/$name")
      [ "${made%% *}" = "$sum" ] || echo "$name: sha256 ${made%% *}, the manifest has $sum"
    fi
  done <"$manifest"
}

if $check; then
  [ -d "$dest" ] || die "$dest is not a folder"
  found=$(mismatches "$dest")
  if [ -n "$found" ]; then
    while read -r line; do say "$dest/$line"; done <<<"$found"
    exit 1
  fi
  say "$dest holds the ${#outputs[@]} files listed in $manifest"
  exit 0
fi

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
tools=(timeout:coreutils sha256sum:coreutils python3:python3 pngtopnm:netpbm jpegtopnm:netpbm
       pamcut:netpbm pamscale:netpbm pamfile:netpbm ppmtopgm:netpbm cjpeg:libjpeg-turbo-progs
       sox:sox soxi:sox lame:lame)
installed=/usr/lib/python3/dist-packages/skimage/data
cache=${XDG_CACHE_HOME:-$HOME/.cache}/streakshow
deb=${SKIMAGE_DEB:-} fetch=false
[ -z "$deb" ] || [ -f "$deb" ] || die "SKIMAGE_DEB: no package file at $deb"
if [ -z "$deb" ] && [ ! -f "$installed/astronaut.png" ] && $download; then
  [ ! -d "$cache" ] ||
    deb=$(find "$cache" -maxdepth 1 -name 'python3-skimage_*.deb' | sort | tail -n 1)
  [ -n "$deb" ] || fetch=true
fi
if [ -n "$deb" ] || $fetch; then tools+=(dpkg-deb:dpkg tar:tar); fi

missing=()
for entry in "${tools[@]}"; do
  command -v "${entry%%:*}" >/dev/null || missing+=("${entry#*:}")
done
[ -n "$deb" ] || $fetch || [ -f "$installed/astronaut.png" ] || missing+=(python3-skimage)
if [ ${#missing[@]} -gt 0 ]; then
  packages=$(printf '%s\n' "${missing[@]}" | sort -u | tr '\n' ' ')
  [[ " ${missing[*]} " != *" python3-skimage "* ]] || packages+="(or set SKIMAGE_DEB=python3-skimage_*.deb) "
  if $optional; then
    say "no data made in $dest (the show runs without it); to make it: apt-get install ${packages% }"
    exit 0
  fi
  die "cannot make $dest; install what it needs: apt-get install ${packages% }"
fi

if $fetch; then
  say "downloading python3-skimage's package file into $cache (nothing is installed)"
  deb=$("$here/fetch-skimage.sh" "$cache") || die "could not download python3-skimage"
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

# failed WHAT STATUS: one line for a part that failed or ran out of time.
failed() {
  [ "$2" -ne 124 ] || die "$1 took too long and was stopped"
  die "$1 failed"
}

# The music is made beside the pictures: the two share nothing. A few seconds
# each on an idle machine; the limits allow for a busy one. (timeout stops the
# music's sox commands with it; the pictures' stay in the foreground for ^C.)
mkdir "$work/music"
timeout 300 "$here/music.py" "$work/music" >"$work/music.log" 2>&1 &
music_pid=$!

src=$installed
if [ -n "$deb" ]; then
  mkdir "$work/pkg"
  timeout --foreground 120 dpkg-deb --fsys-tarfile "$deb" |
    timeout --foreground 120 tar -x -C "$work/pkg" --wildcards ".$installed/*" ||
    die "could not unpack $deb"
  src=$work/pkg$installed
fi
timeout --foreground 300 "$here/pictures.sh" "$src" "$stage" || failed "making the pictures" $?

status=0
wait "$music_pid" || status=$?
music_pid=
if [ "$status" -ne 0 ]; then
  cat "$work/music.log" >&2
  failed "making the music" "$status"
fi
grep WARN "$work/music.log" >&2 || true # e.g. clipping after an edit
mv "$work/music/vindu-tarok.mp3" "$stage/"

# The manifest lists what Debian 12's tools make; other versions of sox, lame,
# netpbm or libjpeg-turbo may encode the same data in other bytes.
found=$(mismatches "$stage")
if [ -n "$found" ]; then
  while read -r line; do say "note: $line"; done <<<"$found"
  say "note: the manifest lists what Debian 12's tools make, and other versions may write" \
    "other bytes (the show takes them all the same); after a change to what is made," \
    "renew the manifest as tools/README.md says"
fi

# Move into place.
if [ ! -e "$dest" ]; then
  mv -T -- "$stage" "$dest"
else
  for file in "${outputs[@]}"; do
    [ -s "$dest/$file" ] || mv -f -- "$stage/$file" "$dest/$file"
  done
fi
say "made $dest"
