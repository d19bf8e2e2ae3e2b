#!/usr/bin/env bash
# Installs what the show, its tests and its tools need on Debian 12, when it is
# missing. As root it runs apt-get; otherwise it names the packages to install.
#
#   tools/setup.sh [all]      # the show, its tests and its tools
#   tools/setup.sh show       # only what building, running and recording the show need
#   tools/setup.sh windows    # the Windows cross build and Wine (tools/build-windows.sh)
#   tools/setup.sh web        # the WebAssembly build and its checks in Chromium (tools/build-web.sh)
# shellcheck source=tools/lib.sh
. "$(dirname "$0")/lib.sh"

# What tools/make-data.sh makes the data with.
data=(netpbm libjpeg-turbo-progs sox libsox-fmt-mp3 lame python3)
# An X display of their own for the checks (Xvfb).
display=(xvfb xauth)
# What the cross builds share: CMake with Ninja, and Debian's source packages
# (dpkg-source and xz-utils unpack them; their mirrors, and npm's registry,
# speak TLS).
cross=(cmake ninja-build dpkg-dev xz-utils ca-certificates)
# The show: its build, Mesa for drawing (offscreen too, for recording
# without a display), the data, and ffmpeg for the recording.
show=(
  build-essential cmake pkg-config
  libsdl2-dev libsdl2-mixer-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
  libfreetype-dev libfontconfig-dev fonts-liberation libpng-dev
  "${data[@]}" ffmpeg
)
# Beside it, what the tests, the benchmarks, the fuzzer and the package take
# (EGL and OpenGL ES for the browser build's GL layer, checked natively).
tests=(
  ninja-build clang libclang-rt-14-dev libgtest-dev libbenchmark-dev
  libegl-dev libgles-dev libjpeg62-turbo-dev libturbojpeg0-dev libstb-dev "${display[@]}"
  desktop-file-utils appstream man-db dpkg-dev file lintian
)
# The cross compilers with POSIX threads (std::thread), zlib for them, zip,
# and Wine for both word sizes. Wine only recommends what it draws with:
# Mesa's GL and the X extensions its display driver opens, for each word size
# (a 32-bit Wine without them cannot set a GL pixel format).
drawing=(libgl1 libglx-mesa0 libgl1-mesa-dri libxrender1 libxrandr2 libxcursor1 libxi6
         libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1)
windows=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  "${cross[@]}" zip unzip "${data[@]}" "${display[@]}"
  wine wine64 wine32:i386 "${drawing[@]}" "${drawing[@]/%/:i386}"
)
# The compiler (its optimiser runs under node), the face the page ships, npm
# for puppeteer-core, and the two browsers the checks drive headless (Firefox
# gets WebGL 2 only with an X display).
web=(
  emscripten nodejs npm "${cross[@]}" coreutils "${data[@]}"
  fonts-liberation chromium firefox-esr "${display[@]}"
)
case ${1:-} in
  "" | all) packages=("${show[@]}" "${tests[@]}") ;;
  show) packages=("${show[@]}") ;;
  windows) packages=("${windows[@]}") ;;
  web) packages=("${web[@]}") ;;
  *) die "unknown set '$1' (show, windows, web or all)" ;;
esac

# Installed, or provided by an installed package: NodeSource's nodejs carries
# npm and conflicts with Debian's.
provided() {
  dpkg-query -W -f='${db:Status-Abbrev} ${Provides}\n' 2>/dev/null |
    awk -v wanted="$1" '$1 == "ii" { for (i = 2; i <= NF; i++) { sub(/,$/, "", $i); if ($i == wanted) found = 1 } }
                        END { exit !found }'
}
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" &&
    ! provided "$package"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

# wine32 comes from the i386 half of the archive.
needs_i386() { [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; }

if [ "$(id -u)" -eq 0 ]; then
  say "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if needs_i386; then dpkg --add-architecture i386; fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  # A fresh font cache, so that the show finds its face quickly at start.
  fc-cache -f >/dev/null 2>&1 || true
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  say "installing ${missing[*]}"
  if needs_i386; then sudo dpkg --add-architecture i386; fi
  sudo DEBIAN_FRONTEND=noninteractive apt-get update -qq
  sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  ! needs_i386 || say "first: sudo dpkg --add-architecture i386 && sudo apt-get update"
  die "missing packages; install them with: sudo apt-get install ${missing[*]}"
fi
