# shellcheck shell=bash
# Sourced by the checks and benchmarks that need an X display.
# start_xvfb FOLDER: starts Xvfb on a free display (its number goes to
# FOLDER/display), waits for it, exports DISPLAY and leaves the server's
# process in `xvfb` for the caller to stop.
start_xvfb() {
  exec 5>"$1/display"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  # shellcheck disable=SC2034  # the caller stops it
  xvfb=$!
  for _ in $(seq 50); do [ -s "$1/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(cat "$1/display")
}
