#!/usr/bin/env bash
# Builds the Debian package dist/streakshow_VERSION_amd64.deb: a Release build
# in build-deb/ with Debian's hardening flags, the default data, and CPack's
# DEB generator (Depends from dpkg-shlibdeps), then checks it with lintian.
# The package file's path is the last line of its output.
#
#   tools/build-deb.sh                  (after tools/setup.sh)
#   tools/build-deb.sh --no-lintian     the package alone
#
# The same commit gives the same package, byte for byte, in any folder
# (tools/check-reproducible.sh): every time stamp is SOURCE_DATE_EPOCH, the
# commit's time unless the caller sets it, and no folder's name reaches the
# programs.
# shellcheck source=tools/lib.sh
. "$(dirname "$0")/lib.sh"
cd "$root"

lintian=yes
[ "${1:-}" != --no-lintian ] || lintian=no
build="build-deb"
reproducible
tools/make-data.sh --download "$build/dorva"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flags() { dpkg-buildflags --get "$1"; }
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DSTREAKSHOW_BENCH=OFF \
  -DSTREAKSHOW_BUILD_TREE_DATA=OFF -DSTREAKSHOW_REPRODUCIBLE=ON \
  -DCMAKE_C_FLAGS="$(flags CPPFLAGS) $(flags CFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build "$build" -j "$(nproc)"

rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$PWD/$build/package" >/dev/null
mkdir -p dist
rm -f dist/streakshow_*.deb
mv "$build"/package/streakshow_*.deb dist/
deb=$(echo dist/streakshow_*.deb)

# Errors fail the build; warnings are shown.
[ "$lintian" = no ] || lintian --fail-on error "$deb" >&2
say "$(du -k "$deb" | cut -f1) KiB; Depends: $(dpkg-deb -f "$deb" Depends)"
echo "$deb"
