#!/usr/bin/env bash
# Runs every test: the host build under sanitizers, then the Windows build under Wine.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
ROOT=$KORVANE_ROOT
JOBS=${JOBS:-2}

if [[ ${KORVANE_SKIP_HOST:-0} != 1 ]]; then
  echo "== host tests (AddressSanitizer, UBSan)"
  ctest --test-dir "$ROOT/build/host" -j "$JOBS" --output-on-failure
fi

echo "== Windows tests under Wine"
source "$ROOT/scripts/with-display.sh"
source "$ROOT/scripts/sound-server.sh"
cleanup() {
  wineserver -k 2>/dev/null || true
  korvane_sound_down
  [[ -n ${KORVANE_XVFB_PID:-} ]] && kill "$KORVANE_XVFB_PID" 2>/dev/null
  true
}
trap cleanup EXIT
# A sound server as on a desktop, so that the preview's graph holds an audio
# renderer; the tests' own, with a null sink, never the user's speakers. A
# server that cannot be had leaves the preview tests without sound, nothing more.
korvane_sound_up private || true
if [[ ${KORVANE_SOUND_SERVER:-0} == 1 ]]; then
  echo "sound server: ${PULSE_SERVER:-that of the desktop}"
else
  echo "sound server: none (the tests that need sound skip)"
fi
# One warm wineserver and one idle Wine process for the whole phase, so that
# each test starts in milliseconds instead of booting Wine's helpers again.
# A wineserver already running in the prefix (a `make run` left open) is fine:
# -p then answers 2 and the tests share it.
wineserver -p || [[ $? == 2 ]] || { echo "wineserver could not be started in $WINEPREFIX" >&2; exit 1; }
wine "$ROOT/build/win/tools/korvane_idle.exe" </dev/null >/dev/null 2>&1 &
# The first Wine process of a new prefix does one-time work (fonts, devices);
# let it happen here rather than inside a test's time limit.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# A test that fails is run once more, and both runs are in the output: under
# Wine a test process has been seen, rarely and only under load, to stay alive
# after its last test passed (the suite's time limit then fails it), which
# says nothing of the program. A test that fails twice fails the suite.
rc=0
ctest --test-dir "$ROOT/build/win" -j "$JOBS" --output-on-failure --repeat until-pass:2 "$@" || rc=$?
# The reasons of every failed run, retried ones included, gathered at the end:
# a log cut to its last lines still says why.
log="$ROOT/build/win/Testing/Temporary/LastTest.log"
why=$([[ -f $log ]] && awk '
  /^[0-9]+\/[0-9]+ Testing: / { name = $3 }
  /: Failure$/ { print name ": " $0; left = 3; next }
  left > 0 { print "    " $0; left--; next }
  /\*\*\*Timeout|Exception: / { print name ": " $0 }
' "$log" | cut -c1-240 | head -120 || true)
[[ -z $why ]] || printf '== why tests failed (first runs included)\n%s\n' "$why"
exit $rc
