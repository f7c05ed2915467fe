#!/usr/bin/env bash
# The skin's figures: start-up of the program's windows with the built-in skin
# and without it, measured side by side under Wine (medians and their ratio),
# then SKIN_FUZZ_RUNS inputs (default one million; 0 skips it) through the skin
# container reader's fuzz target, with runs and crashes.
#   bench/skin-startup.sh [rounds]      (default 15)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/scripts/wine-env.sh"
cmake --build "$ROOT/build/win" --target skin_look >/dev/null
source "$ROOT/scripts/with-display.sh"
trap '[[ -n ${KORVANE_XVFB_PID:-} ]] && kill "$KORVANE_XVFB_PID" 2>/dev/null; true' EXIT
out=$(mktemp)
wine "$ROOT/build/win/bench/skin_look.exe" startup "${1:-15}" >"$out" 2>/dev/null </dev/null
tr -d '\r' <"$out"
rm -f "$out"

runs=${SKIN_FUZZ_RUNS:-1000000}
if ((runs > 0)); then
  echo
  echo "== the skin reader under the fuzzer ($runs inputs)"
  RUNS=$runs "$ROOT/scripts/fuzz.sh" skin_reader
fi
