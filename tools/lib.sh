# shellcheck shell=bash
# The scripts' common opening, sourced first by each of them (tools/data/'s
# too): strict mode, say and die under the script's own name, and the
# repository's folder. Sourced, not run.
set -euo pipefail
shopt -s inherit_errexit

# The name messages go under: the running script's, less its .sh.
script_name=$(basename -- "$0" .sh)
# The repository's folder, wherever the script is called from.
root=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")/.." && pwd)

# say WORDS...: one line on standard error, named after the script.
say() { echo "$script_name: $*" >&2; }
# die WORDS...: says so and exits 1.
die() {
  say "$*"
  exit 1
}

# reproducible: the release builds' opening. One commit gives the same bytes
# in any folder (tools/check-reproducible.sh): every time stamp is
# SOURCE_DATE_EPOCH, the commit's unless the caller sets it, and no folder's
# name reaches the programs.
reproducible() {
  if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
      die "not a git checkout: set SOURCE_DATE_EPOCH"
  fi
  export SOURCE_DATE_EPOCH
  # ccache's base folder would hand the compiler relative names, which the
  # prefix maps miss.
  unset CCACHE_BASEDIR
}
