# shellcheck shell=bash
# Licence texts for what ships outside a Debian system: the Windows zips
# (tools/build-windows.sh) and the web page (tools/build-web.sh). Sourced, not
# run, after tools/lib.sh (die).

# copy_licence NOTICE FOLDER/NAME.txt: copies a copyright notice. A Debian
# copyright file names a long licence by its place on a Debian system
# (/usr/share/common-licenses/GPL-3), which a Windows or browser user lacks:
# the licence's text is copied beside the notice (GPL-3.txt) and the notice
# names that file instead.
copy_licence() {
  local notice=$1 to=$2 folder licence
  local place='/usr/share/common-licenses/([A-Za-z][A-Za-z0-9+-]*(\.[0-9]+)*)'
  folder=$(dirname "$to")
  for licence in $(grep -oE "$place" "$notice" | sort -u); do
    [ -f "$licence" ] || die "$notice names $licence, which is not here"
    cp -L "$licence" "$folder/$(basename "$licence").txt"
  done
  sed -E "s|$place|\\1.txt|g; s|On Debian systems, the complete text|The complete text|" "$notice" >"$to"
}

# check_licences FOLDER: every notice there is readable without Debian.
check_licences() {
  if grep -rl '/usr/share/' "$1" >&2; then
    die "the licences above still point into /usr/share"
  fi
}
