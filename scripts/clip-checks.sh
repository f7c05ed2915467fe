# Shared by the scripts that run a window test with its clips kept and look
# at the clips with the host's tools. Sourced; sources wine-env.sh itself.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

# Runs the window tests of a filter with their clips kept in $out, a folder
# removed when the script ends.
run_keeping_clips() {
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
  KORVANE_KEEP_CLIPS=$(winepath -w "$out") wine "$1" --gtest_filter="$2"
}

# The kinds of error a decode reports, without place and numbers.
error_kinds() {
  ffmpeg -nostdin -v error -i "$1" -f null - 2>&1 | sed -E 's/^\[[^]]*\] //; s/ in stream .*//; s/:.*//' | sort -u
}

# The first decoded frame's time and the end of the last one, of one stream:
# what a player shows and plays (a copy may carry pictures before its first
# keyframe that no decoder can show).
span() {
  ffprobe -v error -select_streams "$2:0" -show_entries frame=best_effort_timestamp_time,pkt_duration_time \
    -of csv=p=0 "$1" | awk -F, '$1 ~ /^[0-9.-]+$/ { if (first == "") first = $1; end = $1 + $2 }
    END { print first, end }'
}
