#!/bin/bash
# The show's frames and start-up as a user meets them, beside references
# measured in the same run, under Xvfb on whatever GL the machine has:
#   - the yardstick: a fixed GL workload of the show's shape (its median
#     frame names the machine's speed, which varies from day to day);
#   - the floor: an empty clear-and-swap loop in the show's 1024 by 768 window;
#   - the whole show windowed (SDL_AUDIODRIVER=dummy), each buffer swap timed
#     by a preloaded clock (swap_clock.c): the frame intervals' median, 95th
#     and 99th percentiles and the count over 16.7 ms;
#   - start-up, process start to the first swap, of the show and of the bare
#     window (SDL2 opening the same GL window and swapping once), in
#     interleaved runs.
#
#   bench/pacing.sh [BUILD]     BUILD: a build with -DSTREAKSHOW_BENCH=ON and
#                               dorva/ (default build-bench); run from the
#                               repository root or anywhere
# PACING_SECONDS=S times only the show's first S seconds; PACING_STARTS=N
# makes N start-up pairs (default 8). Environment such as LP_NUM_THREADS
# reaches every program alike.
set -u
build=$(cd "${1:-build-bench}" && pwd) || exit 2
here=$(cd "$(dirname "$0")" && pwd)
probe=$build/bench/pacing_probe
clock=$build/bench/libswap_clock.so
for file in "$probe" "$clock" "$build/app/streakshow"; do
  [ -x "$file" ] || [ -f "$file" ] || { echo "pacing.sh: $file is missing (build with -DSTREAKSHOW_BENCH=ON)" >&2; exit 2; }
done
work=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
. "$here/../tools/xvfb.sh"
start_xvfb "$work" </dev/null
[ -s "$work/display" ] || { echo "pacing.sh: Xvfb did not start" >&2; exit 1; }
export SDL_AUDIODRIVER=dummy

# timed SECONDS OUT COMMAND...: runs COMMAND from BUILD with the swap clock.
timed() {
  local seconds=$1 out=$2
  shift 2
  (cd "$build" && SWAP_CLOCK_OUT=$out LD_PRELOAD=$clock timeout -k 5 "$seconds" "$probe" launch "$@") \
    >"$out.log" 2>&1
  local status=$?
  [ $status -eq 124 ] || [ $status -eq 137 ] && echo "pacing.sh: $* ran past $seconds s" >&2
  return 0
}
figures() { "$probe" stats "$1" | sed 's/^startup [^ ]* //'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
timed 120 "$work/yardstick" "$probe" yardstick 300
echo "GL: $(head -1 "$work/yardstick.log")"
echo "yardstick (fixed workload, 300 frames): $(figures "$work/yardstick")"
timed 60 "$work/floor" "$probe" window 600
echo "floor (clear and swap, 600 frames):     $(figures "$work/floor")"
if [ -n "${PACING_SECONDS:-}" ]; then
  # A close request (SIGINT) ends the show after its frame, as Escape would.
  (cd "$build" && SWAP_CLOCK_OUT=$work/show LD_PRELOAD=$clock timeout -s INT -k 10 "$PACING_SECONDS" \
    "$probe" launch ./app/streakshow --windowed) >"$work/show.log" 2>&1
  span="first $PACING_SECONDS s"
else
  timed 150 "$work/show" ./app/streakshow --windowed
  span="whole"
fi
echo "show ($span, windowed):           $(figures "$work/show")"
timed 60 "$work/floor2" "$probe" window 600
echo "floor again:                            $(figures "$work/floor2")"

# Start-up, interleaved so that both meet the same load.
: >"$work/starts"
for i in $(seq "${PACING_STARTS:-8}"); do
  SWAP_CLOCK_FIRST=1 timed 30 "$work/bare$i" "$probe" window 1
  SWAP_CLOCK_FIRST=1 timed 30 "$work/show$i" ./app/streakshow --windowed
  echo "$("$probe" stats "$work/bare$i" | cut -d' ' -f2) $("$probe" stats "$work/show$i" | cut -d' ' -f2)" >>"$work/starts"
done
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
echo "start-up (ms, median of ${PACING_STARTS:-8} interleaved runs): bare window $(cut -d' ' -f1 "$work/starts" | median)," \
  "show $(cut -d' ' -f2 "$work/starts" | median), median of the pairs' ratios" \
  "$(awk '{printf "%.2f\n", $2/$1}' "$work/starts" | median)"
echo "start-up pairs (bare, show): $(tr '\n' ';' <"$work/starts")"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
