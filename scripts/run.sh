#!/usr/bin/env bash
# Starts Korvane under Wine, with the given video or the generated sample.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
VIDEO=${1:-}
[[ -n $VIDEO ]] || VIDEO="$KORVANE_ROOT/.deps/media/sample.avi"
[[ -f $VIDEO ]] || { echo "run: no such file: $VIDEO" >&2; exit 1; }
source "$KORVANE_ROOT/scripts/with-display.sh"
# The desktop's sound server when one answers, else a private one (null sink).
source "$KORVANE_ROOT/scripts/sound-server.sh"
trap 'korvane_sound_down; [[ -n ${KORVANE_XVFB_PID:-} ]] && kill $KORVANE_XVFB_PID 2>/dev/null; true' EXIT
korvane_sound_up user || true
echo "run: Korvane on display $DISPLAY with $VIDEO"
wine "$KORVANE_ROOT/build/win/Korvane/Korvane.exe" "$(winepath -w "$VIDEO" 2>/dev/null)"
