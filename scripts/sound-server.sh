# Sourced by test.sh and run.sh: a sound server for Wine's audio driver, so
# that the preview's graph holds an audio renderer as on a Linux desktop.
#
# korvane_sound_up private   the worktree's own PulseAudio daemon with a null
#                            sink (tests: nothing is heard, nothing is shared)
# korvane_sound_up user      the user's own sound server when one answers,
#                            else the private one (make run)
# korvane_sound_down         stops the daemon korvane_sound_up started, never
#                            one that was already there
#
# The daemon's folder lies under the worktree (or under /tmp when that path is
# too long for a socket), so that several worktrees on one machine never meet.
# It loads no module that needs D-Bus or a real device, and nothing it does
# may hold the caller up: a start that fails leaves Wine without sound, and
# the preview then plays its picture only. KORVANE_SOUND_SERVER is 1 for the
# children when a server answered, so tests know to expect an audio renderer.
korvane_sound_dir() {
  local dir="$KORVANE_ROOT/.pulse"
  # sun_path holds 108 bytes.
  if ((${#dir} > 90)); then
    dir="/tmp/korvane-pulse-$(id -u)-$(printf '%s' "$KORVANE_ROOT" | md5sum | cut -c1-12)"
  fi
  printf '%s' "$dir"
}

korvane_sound_answers() {
  command -v pactl >/dev/null || return 1
  timeout 5 pactl info >/dev/null 2>&1
}

korvane_sound_use_private() {
  local dir
  dir=$(korvane_sound_dir)
  mkdir -p "$dir"
  chmod 700 "$dir"
  # A client that finds no server must not start one of its own (with the
  # user's configuration and real devices).
  printf 'autospawn = no\n' >"$dir/client.conf"
  export PULSE_RUNTIME_PATH="$dir"
  export PULSE_SERVER="unix:$dir/native"
  export PULSE_CLIENTCONFIG="$dir/client.conf"
  export PULSE_COOKIE="$dir/cookie"
}

korvane_sound_up() {
  local mode=${1:-private}
  KORVANE_SOUND_PID=
  export KORVANE_SOUND_SERVER=0
  if [[ $mode == user ]] && korvane_sound_answers; then
    KORVANE_SOUND_SERVER=1
    return 0
  fi
  korvane_sound_use_private
  if korvane_sound_answers; then
    KORVANE_SOUND_SERVER=1
    return 0
  fi
  if ! command -v pulseaudio >/dev/null; then
    echo "sound: no pulseaudio here; the preview plays without sound" >&2
    return 0
  fi
  local dir=$PULSE_RUNTIME_PATH
  rm -f "$dir/native" "$dir/pid"
  # XDG_RUNTIME_DIR and the state path only for the daemon: nothing of it
  # lands in the user's home or /run/user. D-Bus is switched off outright (CI
  # has no session bus; a desktop's must not learn of this daemon).
  XDG_RUNTIME_DIR="$dir" PULSE_STATE_PATH="$dir/state" DBUS_SESSION_BUS_ADDRESS=disabled: \
    pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 --disallow-exit \
    --disable-shm=yes --log-target=file:"$dir/daemon.log" \
    -L "module-null-sink sink_name=korvane_null" \
    -L "module-native-protocol-unix socket=$dir/native auth-anonymous=1 auth-cookie-enabled=0" \
    </dev/null >/dev/null 2>&1 &
  KORVANE_SOUND_PID=$!
  # Ends the daemon should the caller itself be killed without its trap.
  (
    while kill -0 "$$" 2>/dev/null && kill -0 "$KORVANE_SOUND_PID" 2>/dev/null; do sleep 2; done
    kill "$KORVANE_SOUND_PID" 2>/dev/null
  ) </dev/null >/dev/null 2>&1 &
  KORVANE_SOUND_WATCH_PID=$!
  local _
  for _ in $(seq 50); do
    if korvane_sound_answers; then
      KORVANE_SOUND_SERVER=1
      return 0
    fi
    kill -0 "$KORVANE_SOUND_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "sound: the private sound server did not start (see $dir/daemon.log); the preview plays without sound" >&2
  korvane_sound_down
  return 0
}

korvane_sound_down() {
  # Called from traps of scripts under `set -e`: nothing here may fail them.
  if [[ -n ${KORVANE_SOUND_PID:-} ]]; then
    kill "$KORVANE_SOUND_PID" 2>/dev/null || true
    wait "$KORVANE_SOUND_PID" 2>/dev/null || true
    KORVANE_SOUND_PID=
  fi
  if [[ -n ${KORVANE_SOUND_WATCH_PID:-} ]]; then
    kill "$KORVANE_SOUND_WATCH_PID" 2>/dev/null || true
    wait "$KORVANE_SOUND_WATCH_PID" 2>/dev/null || true
    KORVANE_SOUND_WATCH_PID=
  fi
  true
}
