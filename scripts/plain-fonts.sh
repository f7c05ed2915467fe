#!/usr/bin/env bash
# Runs a test executable in the prefix without the project's font set-up
# (made by setup.sh), where the windows' face maps to a wider one.
set -euo pipefail
KORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export KORVANE_WINEPREFIX="$KORVANE_ROOT/.wine-plain-fonts"
source "$KORVANE_ROOT/scripts/wine-env.sh"
if [[ ! -f $WINEPREFIX/.korvane-ready ]]; then
  echo "no plain-fonts prefix in $WINEPREFIX: run make build" >&2
  exit 1
fi
status=0
wine "$@" </dev/null || status=$?
wineserver -w
exit $status
