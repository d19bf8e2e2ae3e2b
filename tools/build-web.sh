#!/usr/bin/env bash
# Builds the show for a browser tab: WebAssembly with Debian's emscripten,
# staged in dist/web/ with its page (web/), the data, the face it draws its
# text with, and the licences. Serve that folder over HTTP and open
# index.html; tests/web/web_checks.sh checks it in headless Chromium.
#
#   tools/build-web.sh
#
# Everything comes from Debian: the compiler, the face, and the two libraries
# built here from Debian's source packages (FreeType, and the tessellator of
# GLU). Those are kept in a cache outside the repository
# (STREAKSHOW_WEB_CACHE, default ~/.cache/streakshow/web), so later builds
# only compile the show. The build itself goes to build-web/.
# shellcheck source=tools/lib.sh
. "$(dirname "$0")/lib.sh"
cd "$root"

tools/setup.sh web
# One commit, the same page.
reproducible
cache=${STREAKSHOW_WEB_CACHE:-$HOME/.cache/streakshow/web}
prefix=$cache/wasm32-emscripten
out=$root/build-web
stage=$root/dist/web
jobs=$(nproc)
mkdir -p "$cache/sources" "$prefix" "$out" dist

# Debian's emscripten runs its JavaScript optimiser under node with acorn,
# which Debian installs under /usr/share/nodejs, off node's own path: an
# optimised link fails without this.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# Its system libraries come prebuilt in a frozen cache
# (/usr/share/emscripten/cache). Every one this link takes is there (libc,
# libc++ without exceptions, dlmalloc, the WebGL 2 libGL; Asyncify is a pass
# of wasm-opt, not a library), so EM_CACHE stays where it is. A link that
# needed one more would stop with "FROZEN_CACHE is set"; then point EM_CACHE
# at a writable copy of that folder under $cache and set EM_FROZEN_CACHE to
# the empty string (Debian's config freezes it; any other value counts as
# true).

# emcmake, quiet but for errors: it names the command it runs on stderr.
emcmake_quiet() { emcmake "$@" 2>&1 >/dev/null | { grep -v '^configure: ' || true; } >&2; }

# Debian's source packages, fetched once.
. tools/deb-sources.sh
. tools/licences.sh
fetch_source freetype
# libglu's Debian revision changes its packaging alone.
fetch_source libglu --upstream-will-do

# FreeType, static, with none of its optional libraries: the show reads one
# TrueType face.
build_freetype() {
  local build=$cache/build-freetype
  [ -f "$prefix/freetype.built" ] && return
  say "building FreeType for wasm"
  rm -rf "$build"
  emcmake_quiet cmake -S "$cache/sources/freetype" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
  # Without zlib, FreeType would still compile its own copy for gzipped PCF
  # fonts; the options file it has just written is told otherwise.
  sed -i 's|^#define FT_CONFIG_OPTION_USE_ZLIB$|/* & */|' "$build/include/freetype/config/ftoption.h"
  grep -q '^/\* #define FT_CONFIG_OPTION_USE_ZLIB \*/$' "$build/include/freetype/config/ftoption.h" ||
    die "FreeType's options file no longer has FT_CONFIG_OPTION_USE_ZLIB"
  cmake --build "$build" -j "$jobs" >/dev/null
  cmake --install "$build" >/dev/null
  rm -rf "$build"
  touch "$prefix/freetype.built"
}

# GLU's tessellator alone (src/libtess), which the glyph outlines are filled
# with, as libGLU.a with GLU's own glu.h. It calls no GL; the rest of GLU
# does, and gluPerspective comes from our GL layer. Built as Debian builds
# libGLU (-O2, its assertions kept), apart from the contraction of float
# operations, which the show keeps off everywhere.
build_glu() {
  local source=$cache/sources/libglu build=$cache/build-glu file
  # Its assertions name their files: by the source's own paths, not the cache's.
  local flags="-O2 -ffp-contract=off -w -DLIBRARYBUILD -ffile-prefix-map=$source=libglu"
  [ "$(cat "$prefix/glu.built" 2>/dev/null)" = "$flags" ] && return
  say "building GLU's tessellator for wasm"
  rm -rf "$build"
  mkdir -p "$build" "$prefix/lib" "$prefix/include/GL"
  # priorityq-heap.c is included by priorityq.c.
  for file in dict geom memalloc mesh normal priorityq render sweep tess tessmono; do
    # shellcheck disable=SC2086  # the flags are words
    emcc $flags -I"$source/include" -I"$source/src/include" \
      -c "$source/src/libtess/$file.c" -o "$build/$file.o"
  done
  rm -f "$prefix/lib/libGLU.a"
  emar rcs "$prefix/lib/libGLU.a" "$build"/*.o
  cp "$source/include/GL/glu.h" "$prefix/include/GL/glu.h"
  rm -rf "$build"
  echo "$flags" >"$prefix/glu.built"
}

build_freetype
build_glu

# The default data, as the Linux build makes it.
tools/make-data.sh --download "$out/dorva"

# Compiled at -O3 (CMake's Release), linked at -O2: the optimiser's passes
# over the whole program, as the checks know it.
emcmake_quiet cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTREAKSHOW_WEB_DEPS="$prefix" \
  -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-O2 -DSTREAKSHOW_REPRODUCIBLE=ON
cmake --build "$out" -j "$jobs"

# A GL name that our layer lacks links against emscripten's stub, which
# throws once called (glBegin and three more without the legacy emulation),
# or, were undefined names allowed, against one that aborts.
script=$out/app/streakshow.js
[ -f "$script" ] && [ -f "$out/app/streakshow.wasm" ] || die "no streakshow.js and streakshow.wasm in $out/app"
for marker in "Legacy GL function" "LEGACY_GL_EMULATION" "missing function"; do
  if grep -q "$marker" "$script"; then
    grep -o "Legacy GL function ([A-Za-z0-9_]*)\|missing function: [A-Za-z0-9_]*" "$script" | sort -u >&2 || true
    die "streakshow.js holds emscripten's stubs ('$marker'): the GL layer (platform/web/gl/) lacks those functions"
  fi
done

# dist/web/: the page and its preview, the program, the data, the face and the
# licences.
rm -rf "$stage"
mkdir -p "$stage/fonts" "$stage/licences"
cp -R web/. "$stage/"
# The picture a link to the page is shown with (its Open Graph and Twitter
# card tags name it).
cp docs/still-ring.png "$stage/preview.png"
cp "$script" "$out/app/streakshow.wasm" "$stage/"
cp -R "$out/dorva" "$stage/dorva"
# The face fontconfig gives the show for "Times New Roman" on Linux.
cp /usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf "$stage/fonts/"
{
  cat "$cache/sources/freetype/LICENSE.TXT"
  printf '\n\nThis program uses FreeType under the FreeType License:\n\n'
  cat "$cache/sources/freetype/docs/FTL.TXT"
} >"$stage/licences/freetype.txt"
sed -n '1,/\*\//p' "$cache/sources/libglu/include/GL/glu.h" >"$stage/licences/glu.txt"
grep -q "SGI FREE SOFTWARE LICENSE B" "$stage/licences/glu.txt" || die "no SGI Free B licence at the top of glu.h"
copy_licence /usr/share/doc/fonts-liberation/copyright "$stage/licences/liberation-fonts.txt"
copy_licence /usr/share/doc/emscripten/copyright "$stage/licences/emscripten.txt"
copy_licence dist/copyright "$stage/licences/streakshow.txt"
check_licences "$stage/licences"

kib() { du -sk "$1" | cut -f1; }
say "wrote dist/web/: streakshow.js $(kib "$stage/streakshow.js") KiB," \
  "streakshow.wasm $(kib "$stage/streakshow.wasm") KiB, dorva/ $(kib "$stage/dorva") KiB" \
  "($(kib "$stage") KiB in all)"
