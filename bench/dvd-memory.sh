#!/usr/bin/env bash
# The converter's peak memory while it copies a long DVD clip exactly: a
# 15-minute 8 Mbit/s program stream (720x576 MPEG-2, AC-3), cut from
# 00:00:30.200 to its end, beside the keyframe copy of the same clip. A
# 32-bit process has 2 to 4 GB in all: the clip's length must not count.
# Not a test: nothing here passes or fails.
#
#   bench/dvd-memory.sh
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
src_file=$MEDIA/dvd15.vob
if [[ ! -f $src_file ]]; then
  echo "bench: making dvd15.vob (900 s 720x576 MPEG-2 at 8 Mbit/s)..." >&2
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=720x576:rate=25:duration=900" \
    -f lavfi -i "sine=frequency=440:duration=900:sample_rate=48000" \
    -target pal-dvd -b:v 8M -maxrate 9M -bufsize 1835k "$src_file.part.vob"
  mv "$src_file.part.vob" "$src_file"
fi
bench_setup
src=$(winepath -w "$src_file")
out=$WORK/dvd
mkdir -p "$out"

# The highest resident memory the front-end's process reached, in MB,
# read from its status while it runs.
peak_mb() { # way
  local extra=() peak=0 pid= t0
  [[ $1 == exact ]] && extra=(-cutstart exact)
  rm -f "$out/$1.vob"
  t0=$(date +%s.%N)
  wine "$PROG/wmaspi.dll" -y -i "$src" -ss 30.2 -t 810 -c copy "${extra[@]}" \
    "$(winepath -w "$out/$1.vob")" >"$out/$1.log" 2>&1 &
  local runner=$!
  while kill -0 "$runner" 2>/dev/null; do
    [[ -n $pid ]] || pid=$(pgrep -f 'wmaspi\.dll' | head -1 || true)
    if [[ -n $pid && -r /proc/$pid/status ]]; then
      local hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
      ((${hwm:-0} > peak)) && peak=$hwm
    fi
    sleep 0.2
  done
  wait "$runner" || echo "bench: the $1 copy failed: $(tail -1 "$out/$1.log")" >&2
  printf '%-22s %8.1f MB peak %8.1f s  %s\n' "$1 copy" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" \
    "$(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')" "$(tail -1 "$out/$1.log" | tr -d '\r')"
}
printf '\n13.5 minutes of dvd15.vob (900 s 720x576 MPEG-2 at 8 Mbit/s, AC-3) from 00:00:30.200\n'
peak_mb keyframe
peak_mb exact
