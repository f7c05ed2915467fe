#!/usr/bin/env bash
# The engine Korvane builds from Debian's sources beside the engine it used to
# take from an npm package (a 2018 development snapshot), in one run: their
# size and parts, and the same split job through the program's main window
# with each, in turns. Not a test: nothing here passes or fails.
#
#   bench/engines.sh                          # the MP4 profile, 10 sections of the 600 s 720p source, 2 rounds
#   BENCH_ROUNDS=3 BENCH_PROFILE="AVI video, MPEG-4 and MP3" bench/engines.sh
#
# The old engine is fetched once with npm into bench/work/engines/ (npm's
# os/cpu fields refuse a plain install on Linux; npm pack does not care).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
ROUNDS=${BENCH_ROUNDS:-2}
SECTIONS=${BENCH_SECTIONS:-10}
PROFILE=${BENCH_PROFILE:-"MP4 video, H.264 and AAC"}
OLD_PACKAGE="@ffmpeg-installer/win32-ia32@4.1.0"
ENGINES=$WORK/engines
mkdir -p "$ENGINES"
if [[ ! -f $ENGINES/old.exe ]]; then
  command -v npm >/dev/null || { echo "bench: npm is needed to fetch the old engine" >&2; exit 1; }
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent "$OLD_PACKAGE" >/dev/null)
  tar -xzf "$tmp"/*.tgz -C "$tmp"
  cp "$tmp/package/ffmpeg.exe" "$ENGINES/old.exe"
  rm -rf "$tmp"
fi
make_source long 600 1280x720 30
bench_setup
cp "$PROG/kvengine.exe" "$ENGINES/new.exe"

# The parts each engine lists: readers, writers, decoders, encoders,
# filters, bitstream filters and protocols.
parts() { # engine kind
  local listing
  listing=$(wine "$1" -hide_banner "-$2" 2>/dev/null | tr -d '\r')
  case $2 in
    bsfs) sed '1d' <<<"$listing" | grep -c . ;;
    protocols) sed '1,/^Input:/d; /^Output:/,$d' <<<"$listing" | grep -c . ;;
    filters) grep -cE '^ [.T][.S][.C] ' <<<"$listing" ;;
    *) sed '1,/^ *-\{2,\}/d' <<<"$listing" | grep -c . ;;
  esac
}
laa() { [[ $(i686-w64-mingw32-objdump -p "$1") == *"large address aware"* ]] && echo yes || echo no; }
printf '%-4s %9s %4s %9s %8s %9s %9s %8s %5s %10s\n' engine MB LAA demuxers muxers decoders encoders filters bsfs protocols
for e in old new; do
  printf '%-4s %9.1f %4s' "$e" "$(awk -v b="$(stat -c %s "$ENGINES/$e.exe")" 'BEGIN { print b / 1e6 }')" \
    "$(laa "$ENGINES/$e.exe")"
  printf ' %9s %8s %9s %9s %8s %5s %10s\n' "$(parts "$ENGINES/$e.exe" demuxers)" "$(parts "$ENGINES/$e.exe" muxers)" \
    "$(parts "$ENGINES/$e.exe" decoders)" "$(parts "$ENGINES/$e.exe" encoders)" \
    "$(parts "$ENGINES/$e.exe" filters)" "$(parts "$ENGINES/$e.exe" bsfs)" "$(parts "$ENGINES/$e.exe" protocols)"
done

# The job with each engine in turns, so that both meet the same moods of a
# shared machine; the best of the rounds counts.
src=$(winepath -w "$MEDIA/long.mp4")
declare -A wall=() cpu=()
for ((r = 0; r < ROUNDS; r++)); do
  for e in old new; do
    cp "$ENGINES/$e.exe" "$PROG/kvengine.exe"
    out=$WORK/out
    rm -rf "$out"; mkdir -p "$out"
    measure wine "$BENCH_EXE" job "$WPROG" "$src" 00:10:00 "$SECTIONS" "$PROFILE" "$(winepath -w "$out")" \
      "$(winepath -w "$WORK/lines.txt")"
    grep -q "result=Completed" <<<"$OUTPUT" || echo "bench: the job with the $e engine did not complete: $OUTPUT" >&2
    made=$(find "$out" -type f -size +0 | wc -l)
    ((made == SECTIONS)) || echo "bench: the $e engine made $made of $SECTIONS clips" >&2
    wall[$e]=$(min "$WALL" "${wall[$e]:-$WALL}")
    cpu[$e]=$(min "$CPU" "${cpu[$e]:-$CPU}")
    echo "round $((r + 1)) $e: $WALL s wall, $CPU s cpu" >&2
  done
done
printf '\n%s, %s sections of long.mp4 (600 s 1280x720 H.264), best of %s rounds\n' "$PROFILE" "$SECTIONS" "$ROUNDS"
printf '%-10s %10s %10s %7s\n' "" old new new/old
printf '%-10s %10s %10s %7s\n' "wall s" "${wall[old]}" "${wall[new]}" "$(ratio "${wall[new]}" "${wall[old]}")"
printf '%-10s %10s %10s %7s\n' "cpu s" "${cpu[old]}" "${cpu[new]}" "$(ratio "${cpu[new]}" "${cpu[old]}")"
