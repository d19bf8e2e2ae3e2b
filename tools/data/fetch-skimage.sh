#!/usr/bin/env bash
# Downloads python3-skimage's package file with apt-get download into CACHE,
# installing nothing, and prints its path. Each apt-get has a time limit.
#
# Usage: tools/data/fetch-skimage.sh CACHE
# shellcheck source=tools/lib.sh
. "$(dirname -- "$0")/../lib.sh"
cache=$1

command -v apt-get >/dev/null || die "no apt-get"
mkdir -p -- "$cache"
fetched=$(mktemp -d "$cache/download.XXXXXX")
trap 'rm -rf -- "$fetched"' EXIT
# apt ARGS...: apt-get with a time limit; what it says goes to the log.
apt() {
  local status=0
  timeout --foreground 300 apt-get "$@" >>"$fetched/apt.log" 2>&1 || status=$?
  [ "$status" -ne 124 ] || echo "apt-get $1 took over 300 s and was stopped" >>"$fetched/apt.log"
  return "$status"
}
fetch() { (cd "$fetched" && apt download python3-skimage); }
renew() { apt update -qq; }
# The package lists may be missing or old; root can renew them.
if ! fetch && { [ "$(id -u)" -ne 0 ] || ! renew || ! fetch; }; then
  die "$(tail -n 1 "$fetched/apt.log")"
fi
deb=$(find "$fetched" -maxdepth 1 -name 'python3-skimage_*.deb')
mv -- "$deb" "$cache/"
echo "$cache/${deb##*/}"
