#!/usr/bin/env bash
# Times split jobs through the program's real main window, converter and
# engine under Wine, side by side with what the same work costs without the
# job: one engine pass over the whole range, the same converter command lines
# run back to back from a shell, the contract's order handed to the engine
# directly, N bare engine starts and a plain copy of the source file. Prints
# each time and the ratios. Not a test: nothing here passes or fails.
#
#   bench/run.sh                      # everything (about an hour on a busy 2-core machine)
#   BENCH_SOURCES=short BENCH_SECTIONS=10 BENCH_MODES=copy bench/run.sh
#   BENCH_SOURCES=long BENCH_MODES= bench/run.sh   # pieces of at most 100 MB and exact copies only
#   BENCH_SOURCES=long BENCH_MODES= BENCH_PIECES_MB= bench/run.sh   # exact copies only
#
# Every figure is given twice: wall-clock time, and the processor time that
# the run's processes used (user + system, from a cpuacct control group of
# its own, when the machine lets root make one). On a machine shared with
# other work the wall clock swings by tens of percent from one minute to the
# next; the processor time does not, so its ratios are the ones to compare.
#
# Sources are made once by the host's ffmpeg into bench/media/ (git-ignored):
#   long   600 s 1280x720 H.264 30 fps, a keyframe every 10 s, AAC
#   short  180 s  640x360 H.264 25 fps, a keyframe every 10 s, AAC
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
SECTIONS=${BENCH_SECTIONS:-"6 10"}
SOURCES=${BENCH_SOURCES:-"long short"}
MODES=${BENCH_MODES-"encode copy"}
COPY_ROUNDS=${BENCH_COPY_ROUNDS:-3}
ENCODE_ROUNDS=${BENCH_ENCODE_ROUNDS:-1}
# Pieces of at most this many MB of the long source with a copy; empty: none.
PIECES_MB=${BENCH_PIECES_MB-100}
# Sections of the long source copied exactly and at keyframes; empty: none.
EXACT_SECTIONS=${BENCH_EXACT_SECTIONS-10}
EXACT_ROUNDS=${BENCH_EXACT_ROUNDS:-1}

for s in $SOURCES; do
  case $s in
    long) make_source long 600 1280x720 30 ;;
    short) make_source short 180 640x360 25 ;;
    *) echo "unknown source $s" >&2; exit 2 ;;
  esac
done

bench_setup
run_batch() { measure wine "$BENCH_EXE" run "$(winepath -w "$1")"; }
# Runs a batch of clips into an empty output folder and warns when a clip is missing.
run_clips() { # batch count
  rm -f "$WORK/out"/*
  run_batch "$1"
  local made
  made=$(find "$WORK/out" -type f -size +0 | wc -l)
  ((made >= $2)) || echo "bench: $(basename "$1") made $made of $2 files" >&2
}
timed_cp() {
  local t0 t1
  t0=$(date +%s.%N)
  cp "$1" "$2"
  sync "$2"
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "seconds=%.3f\n", b - a }'
}
# Turns command lines (each starting with a blank) into a batch file for a program.
to_batch() { # lines-file program-path out-batch
  PROGRAM=$2 awk '{ sub(/\r$/, ""); printf "\"%s\"%s >NUL 2>&1\r\n", ENVIRON["PROGRAM"], $0 }' "$1" >"$3"
}
repeat_batch() { # count command out-batch
  : >"$3"
  for ((i = 0; i < $1; i++)); do printf '%s >NUL 2>&1\r\n' "$2" >>"$3"; done
}
sum() { awk -v a="$1" -v b="$2" 'BEGIN { print a + b }'; }
per() { awk -v t="$1" -v n="$2" 'BEGIN { if (t == "-") print "-"; else printf "%.3f", t / n }'; }

printf '%-6s %-6s %3s %-4s | %8s %8s %6s | %8s %6s | %8s %6s | %7s %6s %6s | %s\n' \
  source mode N "" job onepass ratio shell ratio contract ratio starts cp ratio "per start: engine, front-end"
for s in $SOURCES; do
  src=$MEDIA/$s.mp4
  wsrc=$(winepath -w "$src")
  end=$([[ $s == long ]] && echo 00:10:00 || echo 00:03:00)
  measure timed_cp "$src" "$WORK/copy.mp4"
  cp_wall=$WALL cp_cpu=$CPU
  rm -f "$WORK/copy.mp4"
  for m in $MODES; do
    profile=$([[ $m == encode ]] && echo "AVI video, MPEG-4 and MP3" || echo "Settings of the source file.")
    rounds=$([[ $m == copy ]] && echo "$COPY_ROUNDS" || echo "$ENCODE_ROUNDS")
    pass_wall=() pass_cpu=()
    for n in $SECTIONS; do
      out=$WORK/out
      rm -rf "$out"; mkdir -p "$out"
      lines=$WORK/lines.txt
      declare -A best=()
      keep() { # name wall cpu: the best of the rounds
        [[ -z ${best[$1.wall]:-} ]] || set -- "$1" "$(min "$2" "${best[$1.wall]}")" "$(min "$3" "${best[$1.cpu]}")"
        best[$1.wall]=$2 best[$1.cpu]=$3
      }
      for ((r = 0; r < rounds; r++)); do
        measure wine "$BENCH_EXE" job "$WPROG" "$wsrc" "$end" "$n" "$profile" "$(winepath -w "$out")" \
          "$(winepath -w "$lines")"
        grep -q "result=Completed" <<<"$OUTPUT" || echo "bench: the job did not complete: $OUTPUT" >&2
        keep job "$WALL" "$CPU"
        head -n "$n" "$lines" >"$WORK/clips.txt"
        tail -n 1 "$lines" >"$WORK/pass.txt"
        to_batch "$WORK/clips.txt" "$WPROG\\wmaspi.dll" "$WORK/shell.bat"
        to_batch "$WORK/clips.txt" "$WPROG\\kvengine.exe" "$WORK/contract.bat"
        to_batch "$WORK/pass.txt" "$WPROG\\kvengine.exe" "$WORK/pass.bat"
        repeat_batch "$n" "\"$WPROG\\kvengine.exe\" -hide_banner -version" "$WORK/starts.bat"
        repeat_batch "$n" "\"$WPROG\\wmaspi.dll\"" "$WORK/festarts.bat"
        # One pass over the range is the same for every N: measured with the first.
        if ((${#pass_wall[@]} < rounds)); then
          run_clips "$WORK/pass.bat" 1
          pass_wall+=("$WALL") pass_cpu+=("$CPU")
        fi
        run_clips "$WORK/shell.bat" "$n"; keep shell "$WALL" "$CPU"
        run_clips "$WORK/contract.bat" "$n"; keep contract "$WALL" "$CPU"
        run_batch "$WORK/starts.bat"; keep starts "$WALL" "$CPU"
        run_batch "$WORK/festarts.bat"; keep festarts "$WALL" "$CPU"
      done
      for kind in wall cpu; do
        [[ $kind == cpu && -z $CGROUPS ]] && continue
        if [[ $kind == wall ]]; then pass=$(min "${pass_wall[@]}") cpv=$cp_wall; else pass=$(min "${pass_cpu[@]}") cpv=$cp_cpu; fi
        job=${best[job.$kind]} shell=${best[shell.$kind]} contract=${best[contract.$kind]}
        starts=${best[starts.$kind]} festarts=${best[festarts.$kind]}
        printf '%-6s %-6s %3s %-4s | %8s %8s %6s | %8s %6s | %8s %6s | %7s %6s %6s | %s, %s s\n' \
          "$s" "$m" "$n" "$kind" "$job" "$pass" "$(ratio "$job" "$pass")" \
          "$shell" "$(ratio "$job" "$shell")" \
          "$contract" "$(ratio "$contract" "$pass")" \
          "$starts" "$cpv" "$(ratio "$job" "$(sum "$cpv" "$starts")")" \
          "$(per "$starts" "$n")" "$(per "$festarts" "$n")"
      done
      unset best
    done
  done
done
if [[ -n $PIECES_MB && " $SOURCES " == *" long "* ]]; then
  # Pieces of at most a size with a copy: every piece within the size, the
  # pieces but the last at least 90 % of it, and their pictures adding up to
  # the source's (none lost or repeated between pieces).
  src=$MEDIA/long.mp4 out=$WORK/out
  rm -rf "$out"; mkdir -p "$out"
  measure wine "$BENCH_EXE" pieces "$WPROG" "$(winepath -w "$src")" 00:10:00 "$PIECES_MB" \
    "Settings of the source file." "$(winepath -w "$out")"
  grep -q "result=Completed" <<<"$OUTPUT" || echo "bench: the pieces job did not complete: $OUTPUT" >&2
  pieces_wall=$WALL pieces_cpu=$CPU
  packets() { ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$1"; }
  source_packets=$(packets "$src")
  total=0 n=0
  printf '\npieces of at most %s MB of long.mp4 with a copy: job %s s wall, %s s cpu\n' "$PIECES_MB" "$pieces_wall" "$pieces_cpu"
  printf '%5s %12s %8s %9s %9s\n' piece bytes MB pictures seconds
  for f in $(ls "$out"/long_Clip*.mp4 | sort -V); do
    n=$((n + 1))
    bytes=$(stat -c %s "$f") pics=$(packets "$f")
    secs=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$f")
    total=$((total + pics))
    printf '%5s %12s %8.2f %9s %9.3f\n' "$n" "$bytes" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$pics" "$secs"
  done
  printf 'pictures: pieces %s, source %s (%s)\n' "$total" "$source_packets" \
    "$([[ $total == "$source_packets" ]] && echo "none lost or repeated" || echo "DIFFER")"
fi
if [[ -n $EXACT_SECTIONS && " $SOURCES " == *" long "* ]]; then
  # The same sections of the long source copied exactly at their starts and
  # at the keyframes before them; the range starts at 5 s, so that no
  # section starts on a keyframe. The copy profile's "Start" chooses.
  src=$MEDIA/long.mp4 out=$WORK/out
  apf="$PROG/Profiles/Settings of the source file..apf"
  declare -A cuts=()
  for cut in exact keyframe; do
    index=$([[ $cut == exact ]] && echo 0 || echo 1)
    awk -v i="$index" '/^\[/ { section = $0 } section ~ /^\[Start\]/ && /^Index=/ { $0 = "Index=" i "\r" } { print }' \
      "$apf" >"$apf.new" && mv "$apf.new" "$apf"
    walls=() cpus=()
    for ((r = 0; r < EXACT_ROUNDS; r++)); do
      rm -rf "$out"; mkdir -p "$out"
      measure wine "$BENCH_EXE" job "$WPROG" "$(winepath -w "$src")" 00:10:00 "$EXACT_SECTIONS" \
        "Settings of the source file." "$(winepath -w "$out")" "$(winepath -w "$WORK/lines.txt")" 00:00:05
      grep -q "result=Completed" <<<"$OUTPUT" || echo "bench: the $cut copy did not complete: $OUTPUT" >&2
      walls+=("$WALL") cpus+=("$CPU")
    done
    cuts[$cut.wall]=$(min "${walls[@]}") cuts[$cut.cpu]=$(min "${cpus[@]}")
  done
  printf '\n%s sections of long.mp4 from 5 s, copied: exact %s s wall, %s s cpu; at keyframes %s s wall, %s s cpu\n' \
    "$EXACT_SECTIONS" "${cuts[exact.wall]}" "${cuts[exact.cpu]}" "${cuts[keyframe.wall]}" "${cuts[keyframe.cpu]}"
  printf 'exact / keyframe: %s wall, %s cpu (target 1.3)\n' "$(ratio "${cuts[exact.wall]}" "${cuts[keyframe.wall]}")" \
    "$(ratio "${cuts[exact.cpu]}" "${cuts[keyframe.cpu]}")"
fi

cat <<'NOTE'

wall / cpu  wall-clock seconds / processor seconds of all the run's processes
job       the split job through the main window (Start to its last message)
onepass   the engine once over the whole range, same settings; ratio = job / onepass (target 1.15 re-encoding)
shell     the job's converter command lines back to back in cmd.exe; ratio = job / shell (target 1.05)
contract  the same command lines given to the engine itself (input, then -ss); ratio = contract / onepass
starts    N bare engine starts; cp = copy of the source; ratio = job / (cp + starts) (target 1.5 for copies)
NOTE
