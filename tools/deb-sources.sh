# shellcheck shell=bash
# Debian's source packages for the cross builds (tools/build-windows.sh,
# tools/build-web.sh), fetched once. Sourced, not run, after tools/lib.sh (say
# and die): the caller sets $cache; each package is unpacked into $cache/sources.

# apt-get source needs deb-src entries. They go into an apt configuration of
# our own under $cache/apt, with its own package lists, so that the system's
# /etc/apt is left as it is and no root is needed: each of the system's
# entries (deb822 files, Debian 12's default, or one-line lists, what
# debootstrap writes) gets its deb-src twin there.
# shellcheck disable=SC2154  # the caller sets cache
own_apt() { APT_CONFIG=$cache/apt/apt.conf "$@"; }
setup_apt() {
  local dir=$cache/apt file
  mkdir -p "$dir/sources.list.d" "$dir/lists/partial" "$dir/cache/archives/partial"
  {
    echo "Dir::Etc::sourcelist \"$dir/sources.list\";"
    echo "Dir::Etc::sourceparts \"$dir/sources.list.d\";"
    echo "Dir::State::lists \"$dir/lists\";"
    echo "Dir::Cache \"$dir/cache\";"
    # As root apt would fetch as its own user, who may not write here.
    [ "$(id -u)" -ne 0 ] || echo 'APT::Sandbox::User "root";'
  } >"$dir/apt.conf"
  local deb822=() oneline=()
  for file in /etc/apt/sources.list.d/*.sources; do [ ! -f "$file" ] || deb822+=("$file"); done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do [ ! -f "$file" ] || oneline+=("$file"); done
  : >"$dir/sources.list.d/system.sources"
  [ ${#deb822[@]} -eq 0 ] || awk 'BEGIN { RS = ""; ORS = "\n\n" }
    { n = split($0, lines, "\n"); out = ""; source = 0
      for (i = 1; i <= n; i++) {
        if (lines[i] ~ /^Types:/) { source = lines[i] ~ /[ \t]deb(-src)?([ \t]|$)/; lines[i] = "Types: deb-src" }
        out = out (i > 1 ? "\n" : "") lines[i]
      }
      if (source && !seen[out]++) print out }' "${deb822[@]}" >"$dir/sources.list.d/system.sources"
  : >"$dir/sources.list"
  [ ${#oneline[@]} -eq 0 ] || sed -n 's/^deb\(-src\)\? /deb-src /p' "${oneline[@]}" | sort -u >"$dir/sources.list"
  [ -s "$dir/sources.list.d/system.sources" ] || [ -s "$dir/sources.list" ] ||
    die "the system's apt has no Debian entries to fetch source packages from"
  own_apt apt-get update -qq || die "apt-get update failed for the source packages' lists"
}

# fetch_source PACKAGE [--upstream-will-do]: unpacks it into
# $cache/sources/PACKAGE. With --upstream-will-do, for packages whose Debian
# changes touch only the packaging, a mirror that has the original tarball
# but not the Debian diff still serves: the tarball is unpacked as it is.
fetch_source() {
  local package=$1 upstream=${2:-} work version tarball
  [ -d "$cache/sources/$package" ] && return
  # The lists, fetched once a day at most.
  if [ -z "$(find "$cache/apt/lists" -maxdepth 1 -name '*Sources*' -mmin -1440 2>/dev/null)" ] ||
    [ -z "$(own_apt apt-cache showsrc "$package" 2>/dev/null)" ]; then
    setup_apt
  fi
  mkdir -p "$cache/sources"
  work=$(mktemp -d "$cache/sources/.fetch.XXXXXX")
  # The newest version whose files the mirror still has.
  for version in $(own_apt apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV | uniq); do
    if (cd "$work" && own_apt apt-get source -qq "$package=$version" >/dev/null 2>&1); then
      rm -rf "$cache/sources/$package"
      mv "$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)" "$cache/sources/$package"
      rm -rf "$work"
      say "source of $package $version unpacked"
      return
    fi
    if [ "$upstream" = --upstream-will-do ] &&
      (cd "$work" && own_apt apt-get source -qq --tar-only "$package=$version" >/dev/null 2>&1); then
      tarball=$(find "$work" -maxdepth 1 -name '*.orig.tar.*' ! -name '*.asc' | head -n 1)
      if [ -n "$tarball" ] && mkdir "$work/unpacked" && tar -xf "$tarball" -C "$work/unpacked"; then
        rm -rf "$cache/sources/$package"
        mv "$(find "$work/unpacked" -mindepth 1 -maxdepth 1 -type d | head -n 1)" "$cache/sources/$package"
        rm -rf "$work"
        say "source of $package $version unpacked (its original tarball: the mirror lacks the Debian diff)"
        return
      fi
    fi
    rm -rf "${work:?}"/*
  done
  rm -rf "$work"
  die "could not fetch the source package $package"
}
