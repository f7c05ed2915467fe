#!/usr/bin/env bash
# Start-up under Wine: from the moment a process is asked for to the main
# window's first complete paint, the program (its timed build, in a copy of
# the program folder) beside the least window program, interleaved, with the
# median time of each start-up step. A second table starts the program with a
# source on its command line and adds the wait for the preview's first frame.
#   bench/startup.sh [rounds]          (default 15; STARTUP_SOURCE=0 skips the source)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/scripts/wine-env.sh"
cmake --build "$ROOT/build/win" --target startup_bench korvane_idle >/dev/null
ROUNDS=${1:-15}
WORK=$ROOT/bench/work/startup
source "$ROOT/bench/startup-folder.sh"
startup_program_folder "$WORK"
SOURCE=$ROOT/bench/media/startup.mp4
if [[ ${STARTUP_SOURCE:-1} != 0 && ! -f $SOURCE ]]; then
  mkdir -p "$(dirname "$SOURCE")"
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=640x360:rate=25:duration=20" \
    -f lavfi -i "sine=frequency=440:duration=20:sample_rate=48000" \
    -c:v libx264 -preset veryfast -g 250 -pix_fmt yuv420p -c:a aac -b:a 128k "$SOURCE.part.mp4"
  mv "$SOURCE.part.mp4" "$SOURCE"
fi

source "$ROOT/scripts/with-display.sh"
# The preview's graph holds an audio renderer, as on a desktop (a private null sink).
source "$ROOT/scripts/sound-server.sh"
korvane_sound_up private >/dev/null 2>&1 || true
wineserver -p 2>/dev/null || true
cleanup() {
  wineserver -k 2>/dev/null || true
  korvane_sound_down
  [[ -n ${KORVANE_XVFB_PID:-} ]] && kill "$KORVANE_XVFB_PID" 2>/dev/null
  true
}
trap cleanup EXIT
startup_desktop

BENCH=$ROOT/build/win/bench/startup_bench.exe
BARE=$(winepath -w "$WORK/prog/bare_window.exe")
TIMED=$(winepath -w "$WORK/prog/korvane_timed.exe")
wine "$BENCH" "$ROUNDS" "$BARE" "$TIMED" </dev/null 2>/dev/null | tr -d '\r'
if [[ ${STARTUP_SOURCE:-1} != 0 ]]; then
  echo
  echo "== with a source on the command line ($(basename "$SOURCE"), 640x360 H.264 and AAC)"
  wine "$BENCH" "$ROUNDS" "$BARE" "$TIMED" "$(winepath -w "$SOURCE")" </dev/null 2>/dev/null | tr -d '\r'
fi
