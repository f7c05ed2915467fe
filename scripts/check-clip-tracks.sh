#!/usr/bin/env bash
# Runs the window suite's jobs on sources with several tracks under Wine, keeps
# the clips and looks at them with the host's tools: each clip has every
# track it should, in order, with the languages and titles of the source;
# the first picture of a DVD section encoded from 10 s is the source's
# picture at 10 s, not a later one.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/clip-checks.sh"
test_exe=$1
media=$2
run_keeping_clips "$test_exe" 'Tracks.*Keep*'
tracks() {
  ffprobe -v error -show_entries stream=codec_type,codec_name:stream_tags=language,handler_name -of csv=p=0 "$1" |
    sed 's/,*$//' | grep -v '^$' | tr '\n' ' '
}
fail=0
expect() {
  local f=$out/$1 want=$2
  [[ -s $f ]] || { echo "$1: missing"; fail=1; return; }
  local got
  got=$(tracks "$f")
  echo "$1: $got"
  [[ $got == "$want" ]] || { echo "  expected: $want"; fail=1; }
}
for n in 1 2; do
  expect "tracks.vob-source_Clip$n.vob" "mpeg2video,video ac3,audio ac3,audio dvd_subtitle,subtitle "
  expect "tracks.vob-mp4_Clip$n.mp4" "h264,video,und,VideoHandler aac,audio,und,SoundHandler aac,audio,und,SoundHandler "
  for profile in source mp4; do
    expect "tracks.mp4-${profile}_Clip$n.mp4" \
      "h264,video,und,VideoHandler aac,audio,eng,English aac,audio,fra,Francais mov_text,subtitle,eng,SubtitleHandler "
  done
  expect "tracks.avi-source_Clip$n.avi" "mpeg4,video mp3,audio mp3,audio "
  expect "tracks.avi-mp4_Clip$n.mp4" "h264,video,und,VideoHandler aac,audio,und,SoundHandler aac,audio,und,SoundHandler "
done
# Each text subtitle line of the MP4 source lasts 0.7 s, with 0.3 s between
# lines: so it must in the clips, copied or encoded (the last line a clip
# holds may run to the clip's end).
cue_lengths() {
  ffmpeg -nostdin -v error -i "$1" -map 0:s:0 -f srt - | tr -d '\r' |
    sed -n 's/^\([0-9:,]*\) --> \([0-9:,]*\)$/\1 \2/p' |
    awk 'function s(t) { split(t, p, "[:,]"); return p[1] * 3600 + p[2] * 60 + p[3] + p[4] / 1000 }
         { printf "%.2f\n", s($2) - s($1) }' | sed '$d' | sort -u | tr '\n' ' '
}
for n in 1 2; do
  for profile in source mp4; do
    f=$out/tracks.mp4-${profile}_Clip$n.mp4
    [[ -s $f ]] || continue
    lengths=$(cue_lengths "$f")
    echo "${f##*/}: subtitle lines last ${lengths% } s"
    [[ $lengths == "0.70 " ]] || { echo "  expected every line but the last to last 0.70 s"; fail=1; }
  done
done
# The encoded DVD section from 10 s: its first picture against the source's
# pictures around 10 s (picture 250 counted from the first).
psnr() {
  ffmpeg -nostdin -v info -i "$out/tracks.vob-mp4_Clip2.mp4" -i "$media/tracks.vob" -filter_complex \
    "[0:v]select=eq(n\,0),setpts=PTS-STARTPTS[a];[1:v]select=eq(n\,$1),setpts=PTS-STARTPTS[b];[a][b]psnr" \
    -an -f null - 2>&1 |
    sed -n 's/.*PSNR.*average:\([0-9.inf]*\).*/\1/p'
}
best=
best_psnr=-1
for n in 248 249 250 251 252; do
  p=$(psnr $n)
  echo "first picture against source picture $n: PSNR $p"
  [[ $p == inf ]] && p=99
  if awk -v a="$p" -v b="$best_psnr" 'BEGIN { exit !(a > b) }'; then best=$n; best_psnr=$p; fi
done
[[ $best == 250 ]] || { echo "the encoded section starts at picture $best, not 250"; fail=1; }
exit $fail
