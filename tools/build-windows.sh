#!/usr/bin/env bash
# Builds the show for Windows, 32-bit (i686) and 64-bit (x86_64), with
# Debian's mingw-w64 cross compilers, and packs each build as
# dist/streakshow-VERSION-win32.zip and dist/streakshow-VERSION-win64.zip.
#
#   tools/build-windows.sh            # both
#   tools/build-windows.sh win64      # one
#
# Everything comes from Debian: the compilers, the Windows zlib, and the two
# libraries built here from Debian's source packages (libpng for the
# recorder's PNG frames, and dr_mp3, the one-file mp3 decoder that the
# SDL2_mixer source carries). Those are kept in a cache outside the
# repository (STREAKSHOW_WINDOWS_CACHE, default ~/.cache/streakshow/windows),
# so later builds only compile the show. The builds themselves go to
# build-windows/.
# shellcheck source=tools/lib.sh
. "$(dirname "$0")/lib.sh"
cd "$root"

arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(win32 win64)
for arch in "${arches[@]}"; do
  case $arch in win32 | win64) ;; *) die "unknown build '$arch' (win32 or win64)" ;; esac
done

tools/setup.sh windows
version=$(cat VERSION)
# One commit, the same zips.
reproducible
cache=${STREAKSHOW_WINDOWS_CACHE:-$HOME/.cache/streakshow/windows}
out=$root/build-windows
mkdir -p "$cache/sources" "$out" dist

# Debian's source packages, fetched once.
. tools/deb-sources.sh
. tools/licences.sh

fetch_source libsdl2-mixer
fetch_source libpng1.6
drmp3=$cache/sources/libsdl2-mixer/src/codecs/dr_libs
[ -f "$drmp3/dr_mp3.h" ] || die "no dr_mp3.h in the SDL2_mixer source"

# libpng, static, for each word size (zlib comes from libz-mingw-w64-dev).
build_png() { # TRIPLE TOOLCHAIN
  local triple=$1 toolchain=$2 prefix=$cache/$1
  [ -f "$prefix/lib/libpng.a" ] && return
  say "building libpng for $triple"
  cmake -S "$cache/sources/libpng1.6" -B "$cache/build-png-$triple" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON >/dev/null
  cmake --build "$cache/build-png-$triple" >/dev/null
  cmake --install "$cache/build-png-$triple" >/dev/null
  rm -rf "$cache/build-png-$triple"
}

# The default data, as the Linux build makes it.
tools/make-data.sh --download "$out/dorva"

for arch in "${arches[@]}"; do
  case $arch in
    win32) triple=i686-w64-mingw32 toolchain=$root/cmake/mingw-i686.cmake ;;
    win64) triple=x86_64-w64-mingw32 toolchain=$root/cmake/mingw-x86_64.cmake ;;
  esac
  build_png "$triple" "$toolchain"
  build=$out/$arch
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DSTREAKSHOW_WINDOWS_DEPS="$cache/$triple" \
    -DSTREAKSHOW_DR_MP3_DIR="$drmp3" -DSTREAKSHOW_DATA=OFF -DSTREAKSHOW_REPRODUCIBLE=ON \
    -DBUILD_TESTING=ON >/dev/null
  # The programs, and the two that the Wine check runs beside them.
  cmake --build "$build" -j "$(nproc)"

  # The zip: one folder holding the programs, the data and a text.
  name=streakshow-$version-$arch
  stage=$out/$name
  rm -rf "$stage"
  mkdir -p "$stage/licences"
  for program in app/streakshow recorder/streakshow-capture jpeg2ppm/jpeg2ppm; do
    "$triple-strip" -o "$stage/$(basename "$program").exe" "$build/$program.exe"
  done
  cp -r "$out/dorva" "$stage/dorva"
  sed "s/@VERSION@/$version/; s/@ARCH@/$arch/" dist/windows-readme.txt | sed 's/$/\r/' >"$stage/README.txt"
  cp "$drmp3/LICENSE" "$stage/licences/dr_mp3.txt"
  cp "$cache/sources/libpng1.6/LICENSE" "$stage/licences/libpng.txt"
  copy_licence /usr/share/doc/libz-mingw-w64/copyright "$stage/licences/zlib.txt"
  copy_licence /usr/share/doc/mingw-w64-common/copyright "$stage/licences/mingw-w64.txt"
  copy_licence /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licences/gcc-runtime.txt"
  copy_licence dist/copyright "$stage/licences/streakshow.txt"
  check_licences "$stage/licences"
  # Explorer shows each program's icon and version from its resources: an
  # icon (type 3), its group (14) and the version information (16).
  for program in "$stage"/*.exe; do
    types=$("$triple-objdump" -p "$program" | sed -nE 's/^[0-9a-f]{3}   Entry: ID: 0x0*([0-9a-f]+),.*/\1/p' | tr '\n' ' ')
    [ "$types" = "3 e 10 " ] || die "$program holds the resources '$types', not an icon and a version"
  done
  rm -f "dist/$name.zip"
  # The names in order, one time (the commit's, in UTC) and fixed modes, no
  # extra fields (-X): the same zip from every build of one commit.
  find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  chmod -R u=rwX,go=rX "$stage"
  (cd "$out" && find "$name" | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$root/dist/$name.zip")
  say "wrote dist/$name.zip ($(du -k "dist/$name.zip" | cut -f1) KiB)"
done
