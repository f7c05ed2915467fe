#!/usr/bin/env bash
# Runs the equal-sections job of the windows suite under Wine, keeps its clips
# and measures them with the host's ffprobe: three clips of 20/3 seconds each,
# within one frame (25 fps).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
test_exe=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
KORVANE_KEEP_CLIPS=$(winepath -w "$out") wine "$test_exe" \
  --gtest_filter=SplitJob.EqualSectionsMakeClipsOfEqualLength
fail=0
for n in 1 2 3; do
  f="$out/sample_Clip$n.avi"
  # The video frames actually stored, over the frame rate: the container's
  # own length may count the audio or a frame the muxer announced but never wrote.
  frames=$(ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames -of csv=p=0 "$f")
  d=$(awk -v n="$frames" 'BEGIN { printf "%.3f", n / 25 }')
  awk -v d="$d" -v n="$n" 'BEGIN { e = 20 / 3; diff = d - e; if (diff < 0) diff = -diff;
    printf "clip %d: %.3f s (expected %.3f)\n", n, d, e; exit !(diff <= 0.04) }' || fail=1
done
exit $fail
