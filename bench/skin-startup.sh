#!/usr/bin/env bash
# Start-up of the program's windows with the built-in skin and without it,
# measured side by side under Wine; prints the medians and their ratio.
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
