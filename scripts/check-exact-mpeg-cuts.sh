#!/usr/bin/env bash
# Runs the window suite's exact copies of MPEG-1 and MPEG-2 program streams
# and of MPEG-4 in AVI under Wine, keeps the clips and looks at them with the
# host's tools: the first picture is the source's picture at the start
# (closer to it than to the pictures beside it), the pictures after the first
# re-encoded stretch are the source's own packets in the source's order (only
# the pictures shown before that keyframe left out; in AVI the keyframe
# itself carries the source's stream header in front), the sound starts
# within one audio frame of the picture, and the decode finds nothing wrong
# that it does not find in the source.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/clip-checks.sh"
test_exe=$1
media=$2
run_keeping_clips "$test_exe" 'SplitJob.CopiesOfMpegVideoStartExactlyAtTheStart'
# The similarity of the clip's first picture to the source's picture number
# n (counted from 0 in the order shown), in dB.
psnr_at() {
  ffmpeg -nostdin -v info -i "$1" -i "$2" -lavfi \
    "[0:v]trim=end_frame=1,setpts=0[a];[1:v]select=eq(n\\,$3),setpts=0[b];[a][b]psnr" -f null - 2>&1 |
    sed -n 's/.*average:\([0-9.inf]*\).*/\1/p'
}
# Each picture packet's checksum, its MPEG-1/2 numbers in its group and the
# group's closed and broken-link flags left out: the keyframe's group is
# renumbered once the pictures shown before it are left out of the clip.
checksums() {
  ffprobe -v error -select_streams v:0 -show_packets -show_data -of json "$1" | python3 -c '
import hashlib, json, re, sys
for packet in json.load(sys.stdin).get("packets", []):
    hexdump = "".join(re.sub(r"^[0-9a-f]+: ", "", line)[:39] for line in packet.get("data", "").splitlines())
    data = bytearray.fromhex(hexdump.replace(" ", ""))
    i = data.find(b"\x00\x00\x01")
    while 0 <= i and i + 5 < len(data):
        if data[i + 3] == 0x00:
            data[i + 4] = 0; data[i + 5] &= 0x3F
        elif data[i + 3] == 0xB8 and i + 7 < len(data):
            data[i + 7] &= 0x9F
        i = data.find(b"\x00\x00\x01", i + 3)
    print(hashlib.md5(data).hexdigest())'
}
fail=0
for case in "mpeg1.mpg 5.2" "dvd.vob 5" "longgop.mpeg 40" "mpeg4.avi 5"; do
  read -r source start <<<"$case"
  f="$out/${source%.*}_Clip1.${source##*.}"
  [[ -s $f ]] || { echo "$f: missing"; fail=1; continue; }
  # The start counts from the source's first timestamp; the picture shown
  # there is the first at or after it, a picture every 0.04 s from the first.
  first=$(ffprobe -v error -show_entries format=start_time -of csv=p=0 "$media/$source")
  first_picture=$(ffprobe -v error -select_streams v:0 -show_entries stream=start_time -of csv=p=0 "$media/$source")
  # An AVI file's first picture is at 0, whatever time a reader gives its
  # reordered pictures.
  [[ $source != *.avi ]] || first_picture=$first
  n=$(awk -v s="$start" -v o="$first" -v v="$first_picture" 'BEGIN {
    x = (o + s - v) / 0.04 - 0.001; n = int(x); if (n < x) ++n; print n }')
  before=$(psnr_at "$f" "$media/$source" $((n - 1)))
  at=$(psnr_at "$f" "$media/$source" "$n")
  after=$(psnr_at "$f" "$media/$source" $((n + 1)))
  # The clip's packets from the first one the source holds: the source's in
  # its order, leaving out at most the two pictures shown before the keyframe.
  read -r head tail skipped matched < <(awk 'NR == FNR { src[++n] = $1; at[$1] = n; next }
    { clip[++m] = $1 }
    END {
      for (i = 1; i <= m && !(clip[i] in at); ++i) {}
      head = i - 1; j = at[clip[i]]; skipped = 0; matched = 1
      for (; i <= m; ++i) {
        while (j <= n && src[j] != clip[i]) { ++j; ++skipped }
        if (j > n) { matched = 0; break }
        ++j
      }
      print head, m - head, skipped, matched
    }' <(checksums "$media/$source") <(checksums "$f"))
  read -r v0 v1 < <(span "$f" v)
  read -r a0 a1 < <(span "$f" a)
  frame=$(ffprobe -v error -select_streams a:0 -show_entries packet=duration_time -of csv=p=0 -read_intervals "%+#1" "$f")
  errors=$(comm -23 <(error_kinds "$f") <(error_kinds "$media/$source"))
  echo "${f##*/}: first picture ${at} dB to the source's at the start (${before} and ${after} beside it);" \
    "${head} pictures encoded, ${tail} copied (${skipped} left out); pictures from ${v0}, sound from ${a0}," \
    "audio frame ${frame}"
  awk -v b="$before" -v a="$at" -v c="$after" 'BEGIN { exit !(a == "inf" || (a > 40 && a > b + 3 && a > c + 3)) }' ||
    { echo "  the first picture is not the source's at the start"; fail=1; }
  [[ $head -gt 0 && $tail -gt 0 && $matched == 1 && $skipped -le 2 ]] ||
    { echo "  the copied pictures are not the source's packets"; fail=1; }
  awk -v v0="$v0" -v a0="$a0" -v f="$frame" 'BEGIN { d = v0 - a0; if (d < 0) d = -d; exit !(d <= f + 0.001) }' ||
    { echo "  sound and picture start apart"; fail=1; }
  [[ -z $errors ]] || { echo "  decode errors: $errors"; fail=1; }
done
exit $fail
