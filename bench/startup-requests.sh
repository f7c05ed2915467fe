#!/usr/bin/env bash
# The requests one start sends to Wine's server, the program (its timed
# build, which ends after the main window's first complete paint) beside the
# least window program. Under Wine every window made, moved or painted, every
# window property and every query of the display is such a request, and a
# start spends more waiting for them than on its own work: their number is the
# start's cost without the noise of a shared machine. Counted from the
# server's own trace (it runs with its debug output on, so this script stops
# and restarts the worktree's server: do not run it beside the tests).
#   bench/startup-requests.sh      (STARTUP_PROGRAM=<another korvane_timed.exe>
#                                   counts an earlier build in its place)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/scripts/wine-env.sh"
cmake --build "$ROOT/build/win" --target startup_bench korvane_idle >/dev/null
WORK=$ROOT/bench/work/startup-requests
source "$ROOT/bench/startup-folder.sh"
startup_program_folder "$WORK" "${STARTUP_PROGRAM:-}"

source "$ROOT/scripts/with-display.sh"
LOG=$WORK/server.log
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -f -d1 2>"$LOG" &
SERVER=$!
cleanup() {
  wineserver -k 2>/dev/null || true
  wait "$SERVER" 2>/dev/null || true
  [[ -n ${KORVANE_XVFB_PID:-} ]] && kill "$KORVANE_XVFB_PID" 2>/dev/null
  true
}
trap cleanup EXIT
startup_desktop

declare -A PIDS
for program in bare_window korvane_timed; do
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  wine "$WORK/prog/$program.exe" </dev/null >/dev/null 2>&1 &
  PIDS[$program]=$!
  wait "${PIDS[$program]}" || true
done

# Each thread's requests carry its number; a process's threads are those that
# began with its Unix process number.
count() {
  awk -v pid="$1" '
    /: init_(first_)?thread\( unix_pid=/ {
      split($0, a, ":"); if ($0 ~ ("unix_pid=" pid ",")) mine[a[1]] = 1; next }
    match($0, /^[0-9a-f]+: [a-z_]+\( /) {
      split($0, a, ":"); if (!(a[1] in mine)) next
      name = substr($0, length(a[1]) + 3); sub(/\(.*/, "", name)
      all++
      if (name == "get_process_winstation") display++
      if (name == "get_window_property") property++
      if (name == "create_window") windows++
      if (name ~ /^(get|set)_(update|visible)_region$|^redraw_window$/) paint++
    }
    END { printf "%d %d %d %d %d\n", all, display, property, windows, paint }' "$LOG"
}
read -r bare_all bare_display bare_property bare_windows bare_paint <<<"$(count "${PIDS[bare_window]}")"
read -r prog_all prog_display prog_property prog_windows prog_paint <<<"$(count "${PIDS[korvane_timed]}")"
printf 'server requests of one start, to the end of the first complete paint\n'
printf '%-44s %8s %10s\n' "" bare Korvane
printf '%-44s %8d %10d\n' "all requests" "$bare_all" "$prog_all"
printf '%-44s %8d %10d\n' "windows made" "$bare_windows" "$prog_windows"
printf '%-44s %8d %10d\n' "display looked up (3 requests each)" "$bare_display" "$prog_display"
printf '%-44s %8d %10d\n' "window properties read" "$bare_property" "$prog_property"
printf '%-44s %8d %10d\n' "update and visible regions, redraws" "$bare_paint" "$prog_paint"
awk -v a="$bare_all" -v b="$prog_all" 'BEGIN { printf "ratio Korvane / bare (all requests)          %.2f\n", b / a }'
