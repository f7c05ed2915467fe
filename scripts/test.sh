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
# A test is never run twice to make it pass, but for one failure: under Wine
# a test process has been seen, rarely and only under load, to stay alive
# after its own passing summary (the suite's time limit then fails it), which
# says nothing of the program. Such a test, and only such, runs once more;
# the last line counts them by name. Any other failure fails the suite.
rc=0
ctest --test-dir "$ROOT/build/win" -j "$JOBS" --output-on-failure "$@" || rc=$?
log="$ROOT/build/win/Testing/Temporary/LastTest.log"
first_log="$ROOT/build/win/Testing/Temporary/FirstRun.log"
retry=()
if ((rc != 0)) && [[ -f $log ]]; then
  cp "$log" "$first_log"
  # Each failed test: alive past its summary when every one of its tests
  # passed; anything else is a real failure.
  mapfile -t verdicts < <(awk '
    /^[0-9]+\/[0-9]+ Testing: / { name = $3; passed = 0; failed = 0 }
    /^\[  PASSED  \]/ { passed = 1 }
    /^\[  FAILED  \]/ { failed = 1 }
    /^Test Failed\./ { print ((passed && !failed) ? "alive " : "failed ") name }
  ' "$log")
  real=0
  for v in "${verdicts[@]}"; do
    case $v in
      alive\ *) retry+=("${v#alive }") ;;
      *) real=1 ;;
    esac
  done
  if ((real == 0 && ${#retry[@]} > 0)); then
    pattern=$(printf '%s|' "${retry[@]}" | sed 's/[.[\*^$()+?{}]/\\&/g; s/|$//')
    rc=0
    ctest --test-dir "$ROOT/build/win" --output-on-failure -R "^($pattern)\$" || rc=$?
  fi
  log=$first_log
fi
# The reasons of every failed run, the first run's included, gathered at the
# end: a log cut to its last lines still says why.
why=$([[ -f $log ]] && awk '
  /^[0-9]+\/[0-9]+ Testing: / { name = $3 }
  /: Failure$/ { print name ": " $0; left = 3; next }
  left > 0 { print "    " $0; left--; next }
  /\*\*\*Timeout|Exception: / { print name ": " $0 }
' "$log" | cut -c1-240 | head -120 || true)
[[ -z $why ]] || printf '== why tests failed (first runs included)\n%s\n' "$why"
echo "== retried after a passing summary: ${#retry[@]}${retry[*]:+ (${retry[*]})}"
exit $rc
