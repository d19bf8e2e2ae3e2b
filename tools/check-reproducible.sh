#!/usr/bin/env bash
# Builds the package twice, here and in a copy of this tree in another
# folder, and checks that the two are the same bytes. The package file's path
# (this tree's) is the last line of the output, as tools/build-deb.sh's.
#
#   tools/check-reproducible.sh                  the Debian package
#   tools/check-reproducible.sh deb windows web  also the zips and the page
#
# The copy lives in STREAKSHOW_REPRODUCIBLE_DIR (default
# ~/.cache/streakshow/reproducible), kept between runs so that its build,
# like this tree's, only compiles what changed; ccache never hands one
# folder's objects to the other, as their compile lines differ.
# shellcheck source=tools/lib.sh
. "$(dirname "$0")/lib.sh"
cd "$root"

kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(deb)
copy=${STREAKSHOW_REPRODUCIBLE_DIR:-$HOME/.cache/streakshow/reproducible}/the-same-show
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH

# The copy: the files git knows here (committed or not, less the ignored),
# beside the copy's own earlier build folders.
mkdir -p "$copy"
find "$copy" -mindepth 1 -maxdepth 1 ! -name 'build-*' -exec rm -rf {} +
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
  tar --null -T - -cf - | tar -xf - -C "$copy"
# The default data is an input of the builds, made once.
for build in build-deb build-windows build-web; do
  if [ -d "$build/dorva" ] && [ ! -d "$copy/$build/dorva" ]; then
    mkdir -p "$copy/$build" && cp -R "$build/dorva" "$copy/$build/dorva"
  fi
done

# same FILE...: each file here against the copy's.
same() {
  local file
  for file; do
    [ -f "$copy/$file" ] || die "the copy made no $file"
    cmp -s "$file" "$copy/$file" && continue
    say "$file differs between $root and $copy"
    case $file in
      *.deb) diff <(dpkg-deb --ctrl-tarfile "$file" | tar -xOf - ./md5sums) \
        <(dpkg-deb --ctrl-tarfile "$copy/$file" | tar -xOf - ./md5sums) >&2 || true ;;
      *.zip) diff <(unzip -lv "$file") <(unzip -lv "$copy/$file") >&2 || true ;;
    esac
    return 1
  done
}

status=0
start=$SECONDS
for kind in "${kinds[@]}"; do
  case $kind in
    deb)
      # Its output is shown on standard error as it comes, through the
      # descriptor itself: reopening /dev/stderr would truncate a log file.
      deb=$(tools/build-deb.sh | tee >(cat >&2) | tail -n 1)
      (cd "$copy" && tools/build-deb.sh --no-lintian >&2)
      same "$deb" || status=1
      ;;
    windows)
      tools/build-windows.sh >&2
      (cd "$copy" && tools/build-windows.sh >&2)
      same dist/streakshow-*-win32.zip dist/streakshow-*-win64.zip || status=1
      ;;
    web)
      tools/build-web.sh >&2
      (cd "$copy" && tools/build-web.sh >&2)
      if ! diff -r dist/web "$copy/dist/web" >&2; then status=1; fi
      ;;
    *) die "unknown kind '$kind' (deb, windows or web)" ;;
  esac
done
[ "$status" -eq 0 ] || die "two builds of one tree differ"
say "${kinds[*]}: the same bytes from $root and $copy ($((SECONDS - start)) s)"
[ -z "${deb:-}" ] || echo "$deb"
