#!/usr/bin/env bash
# Copies as the converter makes them in one pass, beside the engine's
# keyframe copy (reached here through an option the converter leaves to the
# engine) and beside their floors, in one run and in turns. Not a test: nothing here
# passes or fails.
#
#   bench/copies.sh              # 10 sections of the 600 s 720p source, starts off the keyframes, 2 rounds
#
# The floors: for a keyframe copy, cp of the clips' bytes and one Wine
# process start per clip; for an exact copy, the keyframe copy plus the
# engine's own runs that decode each head's group and encode its head with
# the head's settings.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
ROUNDS=${BENCH_ROUNDS:-2}
make_source long 600 1280x720 30
bench_setup
src=$(winepath -w "$MEDIA/long.mp4")
out=$WORK/copies
# Ten sections of 60 s, each starting 3.3 s after a keyframe (every 10 s).
starts=(3.3 63.3 123.3 183.3 243.3 303.3 363.3 423.3 483.3 543.3)

run_clips() { # way
  local s i=0 extra=()
  case $1 in
    exact) extra=(-cutstart exact) ;;
    keyframe) extra=(-cutstart keyframe) ;;
    keyframe-engine) extra=(-cutstart keyframe -fs 100000000000) ;;
  esac
  rm -rf "$out/$1"; mkdir -p "$out/$1"
  local t0=$(date +%s.%N)
  for s in "${starts[@]}"; do
    i=$((i + 1))
    wine "$PROG/wmaspi.dll" -y -i "$src" -ss "$s" -t 60 -c copy "${extra[@]}" \
      "$(winepath -w "$out/$1/clip$i.mp4")" >/dev/null 2>&1 || echo "bench: $1 clip $i failed" >&2
  done
  echo "seconds=$(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')"
}
heads() { # the engine's decoding of each head's group and encoding of its head
  local s t0=$(date +%s.%N)
  for s in "${starts[@]}"; do
    local k=$(awk -v s="$s" 'BEGIN { printf "%d", int(s / 10) * 10 }')
    wine "$PROG/kvengine.exe" -v error -ss "$k" -i "$src" -t 10 -an -vf "trim=start=$(awk -v s="$s" -v k="$k" 'BEGIN { print s - k }')" \
      -c:v libx264 -preset superfast -crf 14 -f null - >/dev/null 2>&1
  done
  echo "seconds=$(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')"
}
copy_bytes() { # cp of the keyframe clips' bytes, and a Wine process start per clip
  local t0=$(date +%s.%N) f
  rm -rf "$out/cp"; mkdir -p "$out/cp"
  for f in "$out"/keyframe/*.mp4; do
    cp "$f" "$out/cp/"
    wine cmd /c exit </dev/null >/dev/null 2>&1
  done
  sync
  echo "seconds=$(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')"
}

declare -A best=()
for ((r = 0; r < ROUNDS; r++)); do
  for way in keyframe keyframe-engine exact heads cp; do
    case $way in
      heads) measure heads ;;
      cp) measure copy_bytes ;;
      *) measure run_clips "$way" ;;
    esac
    best[$way]=$(min "$WALL" "${best[$way]:-$WALL}")
    echo "round $((r + 1)) $way: $WALL s" >&2
  done
done
kf=${best[keyframe]}
exact_floor=$(awk -v a="$kf" -v b="${best[heads]}" 'BEGIN { printf "%.2f", a + b }')
printf '\n10 sections of 60 s of long.mp4 (600 s 1280x720 H.264, keyframe every 10 s), starts 3.3 s after a keyframe, best of %s rounds\n' "$ROUNDS"
printf '%-34s %9s %9s\n' "" "wall s" "ratio"
printf '%-34s %9s %9s\n' "keyframe copy, one pass" "$kf" "$(ratio "$kf" "${best[cp]}") x cp"
printf '%-34s %9s %9s\n' "keyframe copy, engine" "${best[keyframe-engine]}" "$(ratio "${best[keyframe-engine]}" "${best[cp]}") x cp"
printf '%-34s %9s\n' "cp + a process start per clip" "${best[cp]}"
printf '%-34s %9s %9s\n' "exact copy, one pass" "${best[exact]}" "$(ratio "${best[exact]}" "$exact_floor") x floor"
printf '%-34s %9s\n' "floor: keyframe copy + heads" "$exact_floor"
