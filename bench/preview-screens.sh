#!/usr/bin/env bash
# Pictures of the main window with the range's end pictures and with a phone
# video upright, taken while the preview's tests hold the window still:
# build/preview-screens/<name>.png.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/scripts/wine-env.sh"
cmake --build "$ROOT/build/win" --target test_app_windows >/dev/null
source "$ROOT/scripts/with-display.sh"
trap '[[ -n ${WATCH:-} ]] && kill "$WATCH" 2>/dev/null; [[ -n ${KORVANE_XVFB_PID:-} ]] && kill "$KORVANE_XVFB_PID" 2>/dev/null; true' EXIT
OUT="$ROOT/build/preview-screens"
rm -rf "$OUT" && mkdir -p "$OUT"
(
  while true; do
    for ready in "$OUT"/*.ready; do
      [[ -e $ready ]] || continue
      import -window root "${ready%.ready}.png"
      rm -f "$ready"
      echo "${ready%.ready}.png"
    done
    sleep 0.2
  done
) &
WATCH=$!
KORVANE_SHOTS_DIR=$(winepath -w "$OUT") wine "$ROOT/build/win/tests/app/test_app_windows.exe" \
  --gtest_filter='PreviewKeys.AStart*:PreviewKeys.APhone*' </dev/null
