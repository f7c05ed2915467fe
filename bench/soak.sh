#!/usr/bin/env bash
# A long session under Wine: dialogs opened and closed, short jobs (some
# cancelled), sources loaded, with the process's objects, handles and
# private memory printed at the start, after a warm-up and at the end.
# Not part of `make test`: it takes a quarter of an hour or more.
#
#   bench/soak.sh                 # 500 of each dialog, 200 jobs, 200 loads
#   bench/soak.sh 50 20 20        # a shorter run
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/scripts/wine-env.sh"
cmake --build "$ROOT/build/win" --target korvane_soak >/dev/null
source "$ROOT/scripts/with-display.sh"
trap '[[ -n ${KORVANE_XVFB_PID:-} ]] && kill "$KORVANE_XVFB_PID" 2>/dev/null; true' EXIT
WORK="$ROOT/bench/work/soak"
rm -rf "$WORK" && mkdir -p "$WORK"
wine "$ROOT/build/win/bench/korvane_soak.exe" "$(winepath -w "$ROOT/.deps/media/sample.avi")" \
  "$(winepath -w "$WORK")" "${1:-500}" "${2:-200}" "${3:-200}" </dev/null 2>/dev/null
