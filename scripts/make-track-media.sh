#!/usr/bin/env bash
# Makes, with the host's ffmpeg, sources with several tracks as users have
# them, into the folder given: a DVD VOB with two AC-3 tracks and DVD
# subpictures, an MP4 with two AAC tracks in two languages and text subtitles,
# an AVI with two MP3 tracks, MPEG-2 program streams with keyframes 10 s and
# 24 s apart (the encoder's longest group), and a text playlist disguised as
# an AVI.
set -euo pipefail
out=$1
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
ff() { ffmpeg -nostdin -y -loglevel error "$@"; }
picture=(-f lavfi -i testsrc=size=352x288:rate=25:duration=30)
sound() { echo -f lavfi -i "sine=frequency=$1:duration=30:sample_rate=48000"; }

# DVD subpictures: one small bar every second, each shown for 0.8 s, written as
# a DVD subtitle index and its packets (.idx/.sub), which the host's ffmpeg reads.
bytes() { printf "$(printf '\\x%02x' "$@")"; }
spu() {  # a 16x2 bar of colour 1, shown from the packet's time, hidden after 0.8 s
  bytes 0x00 38 0x00 32  0x00 0x01  0x00 0x01
  bytes 0x00 0x00 0x00 32  0x03 0x32 0x10  0x04 0xff 0xf0  0x05 0x06 0x40 0x6f 0x0c 0x80 0xc9  0x06 0x00 0x04 0x00 0x06  0x01 0xff
  bytes 0x00 0x46 0x00 32  0x02 0xff
}
pes_pts() {  # the five PTS bytes of a 90 kHz time
  local t=$1
  bytes $((0x21 | ((t >> 29) & 0x0e))) $(((t >> 22) & 0xff)) $((((t >> 14) & 0xfe) | 1)) $(((t >> 7) & 0xff)) $((((t << 1) & 0xfe) | 1))
}
{
  echo "# DVD subtitle index"
  echo "size: 352x288"
  echo "palette: 000000, ffffff, 808080, ff0000, 00ff00, 0000ff, ffff00, ff00ff, 00ffff, 800000, 008000, 000080, 808000, 800080, 008080, c0c0c0"
  echo "id: en, index: 0"
} > "$tmp/subs.idx"
: > "$tmp/subs.sub"
for s in $(seq 0 29); do
  t=$(( (s * 1000 + 200) * 90 ))
  printf 'timestamp: 00:00:%02d:200, filepos: %09x\n' "$s" $((s * 2048)) >> "$tmp/subs.idx"
  {
    # Pack header, then the subpicture's private-stream packet, then padding to 2048 bytes.
    bytes 0x00 0x00 0x01 0xba 0x44 0x00 0x04 0x00 0x04 0x01 0x01 0x89 0xc3 0xf8
    bytes 0x00 0x00 0x01 0xbd 0x00 $((3 + 5 + 1 + 38)) 0x81 0x80 0x05
    pes_pts "$t"
    bytes 0x20
    spu
    pad=$((2048 - 14 - 6 + 0 - (3 + 5 + 1 + 38) - 6))
    bytes 0x00 0x00 0x01 0xbe $((pad >> 8)) $((pad & 0xff))
    head -c "$pad" /dev/zero | tr '\0' '\377'
  } >> "$tmp/subs.sub"
done
ff "${picture[@]}" $(sound 440) $(sound 660) -map 0:v -map 1:a -map 2:a -target pal-dvd -s 352x288 \
  -b:v 1500k -bf 2 "$tmp/av.vob"
ff -i "$tmp/av.vob" -f vobsub -i "$tmp/subs.idx" -map 0:v -map 0:a -map 1 -c copy -f dvd "$out/tracks.vob"

# MP4: two languages and text subtitles, with titles.
for s in $(seq 0 29); do
  printf '%d\n00:00:%02d,200 --> 00:00:%02d,900\nLine %d\n\n' $((s + 1)) "$s" "$s" "$s"
done > "$tmp/subs.srt"
ff "${picture[@]}" $(sound 440) $(sound 660) -i "$tmp/subs.srt" -map 0:v -map 1:a -map 2:a -map 3:s \
  -c:v libx264 -preset veryfast -g 50 -pix_fmt yuv420p -c:a aac -b:a 96k -c:s mov_text \
  -metadata:s:a:0 language=eng -metadata:s:a:0 handler_name=English -metadata:s:a:1 language=fra \
  -metadata:s:a:1 handler_name=Francais -metadata:s:s:0 language=eng "$out/tracks.mp4"

# AVI: two MP3 tracks.
ff "${picture[@]}" $(sound 440) $(sound 660) -map 0:v -map 1:a -map 2:a -c:v mpeg4 -q:v 4 \
  -c:a libmp3lame -b:a 96k "$out/tracks.avi"

# Long groups of pictures, as TV captures and long-GOP encodes have them.
for gop in 10 24; do
  ff -f lavfi -i testsrc=size=320x240:rate=25:duration=60 $(sound 440 | sed 's/duration=30/duration=60/') \
    -c:v mpeg2video -g $((gop * 25)) -bf 2 -b:v 800k -c:a mp2 -b:a 128k -f vob "$out/gop$gop.mpg"
done

# A text playlist named like a video: it names another file the engine would read.
printf 'ffconcat version 1.0\nfile tracks.avi\n' > "$out/playlist.avi"
