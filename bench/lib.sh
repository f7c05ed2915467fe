# Sourced by the job benchmarks (run.sh, engines.sh): their sources, a Wine
# prefix and program folder of their own, and timing of a command with the
# processor time of every process it starts.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/wine-env.sh"
ROOT=$KORVANE_ROOT
MEDIA=$ROOT/bench/media
WORK=$ROOT/bench/work
mkdir -p "$MEDIA" "$WORK"

make_source() { # name seconds size rate
  local f=$MEDIA/$1.mp4
  [[ -f $f ]] && return
  echo "bench: making $1.mp4 ($2 s $3)..." >&2
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=$3:rate=$4:duration=$2" \
    -f lavfi -i "sine=frequency=440:duration=$2:sample_rate=48000" \
    -c:v libx264 -preset veryfast -g $((10 * $4)) -keyint_min $((10 * $4)) -sc_threshold 0 -pix_fmt yuv420p \
    -c:a aac -b:a 128k "$f.part.mp4"
  mv "$f.part.mp4" "$f"
}

# The bench program, a Wine prefix of the bench's own (a copy of the
# project's, so that tests and the bench can run at the same time without
# stopping each other's server), a program folder of its own in $PROG (the
# shipped converter, engine and profiles, and preferences that overwrite
# without asking and open nothing), the display, the server, and whether
# processor times can be had ($CGROUPS).
bench_setup() {
  cmake --build "$ROOT/build/win" --target korvane_bench >/dev/null
  BENCH_EXE=$ROOT/build/win/bench/korvane_bench.exe
  DIST=$ROOT/build/win/Korvane
  if [[ ! -f $WORK/wine/.korvane-ready ]]; then
    rm -rf "$WORK/wine"
    cp -a "$WINEPREFIX" "$WORK/wine"
  fi
  export WINEPREFIX=$WORK/wine
  PROG=$WORK/prog
  rm -rf "$PROG"
  mkdir -p "$PROG"
  cp "$DIST/wmaspi.dll" "$DIST/kvengine.exe" "$PROG/"
  cp -r "$DIST/Profiles" "$PROG/"
  printf '[Main]\r\nPreview=0\r\nOverwrite=1\r\nAptotic=0\r\nAuto Open Dir=0\r\nAuto Exit=0\r\nAuto Turn Off=0\r\nProfile=0\r\n' \
    >"$PROG/Preferences.ini"
  WPROG=$(winepath -w "$PROG")

  source "$ROOT/scripts/with-display.sh"
  wineserver -p 2>/dev/null || true
  trap bench_cleanup EXIT
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true

  CGROUPS=/sys/fs/cgroup/cpuacct
  if ! mkdir "$CGROUPS/korvane-bench-probe-$$" 2>/dev/null; then
    echo "bench: no cpuacct control group here; processor times are not shown" >&2
    CGROUPS=
  else
    rmdir "$CGROUPS/korvane-bench-probe-$$"
  fi
}
bench_cleanup() {
  wineserver -k 2>/dev/null || true
  [[ -n ${KORVANE_XVFB_PID:-} ]] && kill "$KORVANE_XVFB_PID" 2>/dev/null
  true
}

value() { sed -n "s/^$1=//p" | tr -d '\r' | head -1; }
# measure command...: runs it in a control group of its own; sets OUTPUT,
# WALL (the seconds it prints) and CPU (processor seconds of it and every
# process it started, or those it reports itself as "cpu=").
measure() {
  local group=
  if [[ -n $CGROUPS ]]; then
    group=$CGROUPS/korvane-bench-$$-$RANDOM
    mkdir "$group"
  fi
  OUTPUT=$([[ -z $group ]] || {
    echo "$BASHPID" >"$group/cgroup.procs"
    KORVANE_BENCH_CPU_FILE=$(winepath -w "$group/cpuacct.usage")
    export KORVANE_BENCH_CPU_FILE
  }; "$@" </dev/null 2>/dev/null)
  WALL=$(value seconds <<<"$OUTPUT")
  CPU=-
  if [[ -n $group ]]; then
    # A run that measures itself (the job) tells what was its own work.
    CPU=$(value cpu <<<"$OUTPUT")
    [[ -n $CPU ]] || CPU=$(awk '{ printf "%.3f", $1 / 1e9 }' "$group/cpuacct.usage")
    for _ in 1 2 3 4 5; do rmdir "$group" 2>/dev/null && break; sleep 1; done
  fi
}
min() { printf '%s\n' "$@" | sort -g | head -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
