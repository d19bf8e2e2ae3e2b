# Debian's source packages for the cross builds (tools/build-windows.sh,
# tools/build-web.sh), fetched once. Sourced, not run: the caller sets $cache
# and defines say and die; each package is unpacked into $cache/sources.

# apt-get source needs a deb-src line; as root one is added beside the
# system's own. The system's entries may be deb822 files (Debian 12's
# default) or one-line lists (what debootstrap writes); each gets its deb-src
# twin.
add_deb_src() {
  local list=/etc/apt/sources.list.d/streakshow-deb-src file deb822="" oneline=""
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && [ "$file" != "$list.sources" ] &&
      deb822+=$(sed 's/^Types: deb$/Types: deb-src/' "$file")$'\n\n'
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && [ "$file" != "$list.list" ] &&
      oneline+=$(sed -n 's/^deb /deb-src /p' "$file")$'\n'
  done
  rm -f "$list.sources" "$list.list"
  [ -z "${deb822//[$'\n']/}" ] || printf '%s' "$deb822" >"$list.sources"
  [ -z "${oneline//[$'\n']/}" ] || printf '%s' "$oneline" >"$list.list"
}

# fetch_source PACKAGE [--upstream-will-do]: unpacks it into
# $cache/sources/PACKAGE. With --upstream-will-do, for packages whose Debian
# changes touch only the packaging, a mirror that has the original tarball
# but not the Debian diff still serves: the tarball is unpacked as it is.
fetch_source() {
  local package=$1 upstream=${2:-} work version tarball
  [ -d "$cache/sources/$package" ] && return
  if ! apt-cache showsrc "$package" >/dev/null 2>&1 || [ -z "$(apt-cache showsrc "$package" 2>/dev/null)" ]; then
    [ "$(id -u)" -eq 0 ] || die "no deb-src entry: add one for Debian (Types: deb-src) and run apt-get update"
    add_deb_src
    apt-get update -qq
  fi
  mkdir -p "$cache/sources"
  work=$(mktemp -d "$cache/sources/.fetch.XXXXXX")
  # The newest version whose files the mirror still has.
  for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV | uniq); do
    if (cd "$work" && apt-get source -qq "$package=$version" >/dev/null 2>&1); then
      rm -rf "$cache/sources/$package"
      mv "$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)" "$cache/sources/$package"
      rm -rf "$work"
      say "source of $package $version unpacked"
      return
    fi
    if [ "$upstream" = --upstream-will-do ] &&
      (cd "$work" && apt-get source -qq --tar-only "$package=$version" >/dev/null 2>&1); then
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
