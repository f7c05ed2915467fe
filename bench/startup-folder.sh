# Sourced by the start-up benchmarks: the program folder as the user gets it,
# with the timed build in place of the program and the bare window beside it,
# and a desktop as a user has one.

# startup_program_folder <work folder> [timed program]: makes <work>/prog.
startup_program_folder() {
  local work=$1 timed=${2:-$ROOT/build/win/bench/korvane_timed.exe}
  rm -rf "$work"
  mkdir -p "$work/prog"
  cp -r "$ROOT/build/win/Korvane/." "$work/prog/"
  rm -f "$work/prog/Korvane.exe"
  cp "$timed" "$work/prog/korvane_timed.exe"
  cp "$ROOT/build/win/bench/bare_window.exe" "$work/prog/"
}

# One idle window process keeps Wine's desktop and helpers up, so that no
# start counted pays for booting them.
startup_desktop() {
  wine "$ROOT/build/win/tools/korvane_idle.exe" </dev/null >/dev/null 2>&1 &
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
