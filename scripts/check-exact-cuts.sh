#!/usr/bin/env bash
# Runs the window suite's exact copies (H.264 in MP4, MOV and AVI cut from
# 5 s to 13 s) under Wine, keeps the clips and looks at them with the host's
# tools: each decodes without a word from the decoders, also when its edit
# list is ignored; it holds 8 s of pictures, to a picture; its pictures are
# turned when shown as the source's are; as a player shows it, its sound
# starts within one audio frame of its picture; an MP4 or MOV clip's decoder
# configuration names the source's profile, level and reordering.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/clip-checks.sh"
test_exe=$1
media=$2
run_keeping_clips "$test_exe" 'ShippedProfiles.CopiesStartExactlyAtTheMarkedPicture'
first() {
  ffprobe -v error -select_streams "$2:0" -show_entries frame=best_effort_timestamp_time,pkt_duration_time \
    -of csv=p=0 -read_intervals "%+#1" "$1" | head -1
}
turn() {
  ffprobe -v error -select_streams v:0 -show_entries stream_side_data=rotation -of default=nw=1:nk=1 "$1" | head -1
}
facts() {
  ffprobe -v error -select_streams v:0 -show_entries stream=profile,level,has_b_frames -of csv=p=0 "$1" | head -1 | cut -d, -f1-3
}
fail=0
for f in "$out"/exact-gop_Clip1.{mp4,mov,avi}; do
  [[ -s $f ]] || { echo "$f: missing"; fail=1; continue; }
  errors=$(ffmpeg -nostdin -v error -i "$f" -f null - 2>&1)
  [[ $f == *.avi ]] || errors+=$(ffmpeg -nostdin -v error -ignore_editlist 1 -i "$f" -f null - 2>&1)
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of default=nw=1:nk=1 "$f")
  ext=${f##*.}
  IFS=, read -r v0 _ < <(first "$f" v)
  IFS=, read -r a0 audio_frame < <(first "$f" a)
  echo "${f##*/}: $frames pictures; picture from $v0, sound from $a0 (audio frame $audio_frame)"
  [[ -z $errors ]] || { echo "  decode errors: $errors"; fail=1; }
  [[ $(turn "$f") == $(turn "$media/gop.$ext") ]] || { echo "  turned $(turn "$f"), not as the source"; fail=1; }
  [[ $f == *.avi || $(facts "$f") == $(facts "$media/gop.$ext") ]] \
    || { echo "  profile, level, reordering $(facts "$f"), not as the source"; fail=1; }
  (( frames >= 199 && frames <= 201 )) || { echo "  not 8 s of pictures"; fail=1; }
  awk -v v="$v0" -v a="$a0" -v f="$audio_frame" 'BEGIN { d = v - a; if (d < 0) d = -d; exit !(d <= f + 0.001) }' \
    || { echo "  sound and picture start apart"; fail=1; }
done
exit $fail
