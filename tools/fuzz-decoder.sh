#!/usr/bin/env bash
# Fuzzes the JPEG decoder: builds its libFuzzer target with clang in
# build-fuzz/ (AddressSanitizer and UndefinedBehaviorSanitizer, every report
# fatal), writes a seed corpus of generated files and runs for SECONDS
# (default 60). Exits non-zero on any finding; the input that caused it is
# left in build-fuzz/fuzz-artifacts/.
#
#   tools/fuzz-decoder.sh          # the test command's short run
#   tools/fuzz-decoder.sh 3600     # an hour; new inputs stay in build-fuzz/jpeg-corpus-found
# shellcheck source=tools/lib.sh
. "$(dirname "$0")/lib.sh"

seconds=${1:-60}
build=$root/build-fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DSTREAKSHOW_FUZZ=ON \
    -DSTREAKSHOW_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build" --target jpeg_decoder_fuzzer

# Seeds: small pictures of every kind the decoder reads, and one it refuses,
# written by libjpeg-turbo's cjpeg from a netpbm pattern.
seeds=$build/jpeg-corpus-seeds
found=$build/jpeg-corpus-found
rm -rf "$seeds"
mkdir -p "$seeds" "$found" "$build/fuzz-artifacts"
ppmpat -g2 19 11 >"$seeds/picture.ppm"
printf '0;\n1;\n2;\n' >"$seeds/scans.txt"
n=0
for sampling in 1x1 2x1 2x2 1x2 4x1 gray; do
    picture=(-sample "${sampling/gray/2x2}")
    [ "$sampling" = gray ] && picture+=(-grayscale)
    for variant in "" "-restart 2 -quality 30 -optimize" "-scans $seeds/scans.txt"; do
        # shellcheck disable=SC2086  # the variant is a list of options
        cjpeg "${picture[@]}" $variant "$seeds/picture.ppm" >"$seeds/seed$n.jpg" 2>/dev/null || true
        n=$((n + 1))
    done
done
cjpeg -progressive "$seeds/picture.ppm" >"$seeds/progressive.jpg"
rm "$seeds/picture.ppm" "$seeds/scans.txt"
find "$seeds" -empty -delete

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/tests/jpeg_decoder_fuzzer" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/" \
    "$found" "$seeds"
