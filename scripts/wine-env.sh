# Sourced by every script that runs Wine: the project's own quiet prefix, never ~/.wine.
KORVANE_ROOT=${KORVANE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export KORVANE_ROOT
# KORVANE_WINEPREFIX names another prefix of the project (the plain-fonts one).
export WINEPREFIX="${KORVANE_WINEPREFIX:-$KORVANE_ROOT/.wine}"
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all,err+module}
# KORVANE_DLL_OVERRIDES adds overrides for one test's processes (for example
# winegstreamer=d: a system without the preview's decoders).
export WINEDLLOVERRIDES="winemenubuilder.exe=;mscoree=;mshtml=${KORVANE_DLL_OVERRIDES:+;$KORVANE_DLL_OVERRIDES}"
# Wine takes the user's number format from the locale; keep it explicit.
export LC_ALL=${LC_ALL:-C.UTF-8}
# Sound goes to a PulseAudio server: the user's own for `make run`, the
# worktree's private one with a null sink for the tests (scripts/sound-server.sh,
# started by test.sh and run.sh). Without one the preview plays its picture only.
