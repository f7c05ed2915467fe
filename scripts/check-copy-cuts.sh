#!/usr/bin/env bash
# Runs the window suite's copy cuts of a long-GOP MP4 under Wine, keeps the
# clips and looks at them with the host's tools: each starts with a keyframe,
# its audio and video start together and last as long as each other, and the
# host's decoder finds nothing wrong.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
test_exe=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
KORVANE_KEEP_CLIPS=$(winepath -w "$out") wine "$test_exe" \
  --gtest_filter=SplitJob.CopyCutsOfALongGopMp4StartOnAKeyframe
fail=0
for n in 1 2; do
  f="$out/gop_Clip$n.mp4"
  [[ -s $f ]] || { echo "clip $n: missing"; fail=1; continue; }
  first=$(ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 -read_intervals "%+#1" "$f")
  v=$(ffprobe -v error -select_streams v:0 -show_entries stream=start_time,duration -of csv=p=0 "$f")
  a=$(ffprobe -v error -select_streams a:0 -show_entries stream=start_time,duration -of csv=p=0 "$f")
  errors=$(ffmpeg -nostdin -v error -i "$f" -f null - 2>&1 | head -5)
  echo "clip $n: first video packet $first; video start,duration $v; audio $a"
  [[ $first == K* ]] || { echo "  does not start with a keyframe"; fail=1; }
  awk -F, -v v="$v" -v a="$a" 'BEGIN { split(v, V, ","); split(a, A, ",");
    ds = V[1] - A[1]; if (ds < 0) ds = -ds; dd = V[2] - A[2]; if (dd < 0) dd = -dd;
    if (ds > 0.1) { print "  audio and video start " ds " s apart"; exit 1 }
    if (dd > 0.1) { print "  audio and video last " dd " s apart"; exit 1 } }' || fail=1
  [[ -z $errors ]] || { echo "  decode errors: $errors"; fail=1; }
done
exit $fail
