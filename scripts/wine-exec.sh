#!/usr/bin/env bash
# ctest's emulator: runs one Windows executable in the project's prefix.
#
# Under Wine a test process has been seen, rarely and under load, to stay
# alive after its last test ended, until ctest's time limit failed it. Once
# the test program has said its last word (Google Test's closing summary),
# it gets 20 s to end; a process still there then is ended, and the run
# counts as what the program said: passed only if it said so and named no
# failed test.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
wine "$@" > >(tee "$out") 2>&1 &
pid=$!
(
  while kill -0 "$pid" 2>/dev/null; do
    if grep -qE '^\[==========\] [0-9]+ tests? from [0-9]+ test suites? ran\.' "$out"; then
      for _ in $(seq 40); do
        kill -0 "$pid" 2>/dev/null || exit 0
        sleep 0.5
      done
      touch "$out.ended"
      kill -9 "$pid" 2>/dev/null
      exit 0
    fi
    sleep 0.5
  done
) &
watcher=$!
rc=0
wait "$pid" || rc=$?
kill "$watcher" 2>/dev/null
wait "$watcher" 2>/dev/null
if [[ -e $out.ended ]]; then
  rm -f "$out.ended"
  echo "[wine-exec] the test process was still alive 20 s after its tests ended; it was ended"
  if grep -q '^\[  PASSED  \]' "$out" && ! grep -q '^\[  FAILED  \]' "$out"; then
    exit 0
  fi
  exit 1
fi
exit $rc
