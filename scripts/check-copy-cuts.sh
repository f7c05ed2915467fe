#!/usr/bin/env bash
# Runs the window suite's copy cuts (an MP4 with a keyframe every 10 s and
# MPEG program streams, one with keyframes 24 s apart) under Wine, keeps the
# clips and looks at them with the host's tools: each starts with a keyframe,
# its audio and video start within one audio frame of each other and last as
# long as each other, and the host's decoder finds nothing wrong that it does
# not find in the source.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/clip-checks.sh"
test_exe=$1
media=$2
run_keeping_clips "$test_exe" 'SplitJob.CopyCutsStartOnTheKeyframeBeforeTheStart'
fail=0
for source in gop.mp4 mpeg1.mpg mpeg2.mpeg dvd.vob longgop.mpeg; do
  known=$(error_kinds "$media/$source")
  for n in 1 2; do
    f="$out/${source%.*}_Clip$n.${source##*.}"
    [[ -s $f ]] || { echo "$f: missing"; fail=1; continue; }
    first=$(ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 -read_intervals "%+#1" "$f")
    read -r v0 v1 < <(span "$f" v)
    read -r a0 a1 < <(span "$f" a)
    frame=$(ffprobe -v error -select_streams a:0 -show_entries packet=duration_time -of csv=p=0 -read_intervals "%+#1" "$f")
    errors=$(comm -23 <(error_kinds "$f") <(echo "$known"))
    echo "${f##*/}: first video packet $first; pictures $v0 to $v1; sound $a0 to $a1; audio frame $frame"
    [[ $first == K* ]] || { echo "  does not start with a keyframe"; fail=1; }
    awk -v v0="$v0" -v v1="$v1" -v a0="$a0" -v a1="$a1" -v f="$frame" 'BEGIN {
      ds = v0 - a0; if (ds < 0) ds = -ds; de = v1 - a1; if (de < 0) de = -de;
      if (ds > f + 0.001) { print "  audio and video start " ds " s apart"; exit 1 }
      if (de > 0.1) { print "  audio and video end " de " s apart"; exit 1 } }' || fail=1
    [[ -z $errors ]] || { echo "  decode errors: $errors"; fail=1; }
  done
done
exit $fail
