#!/usr/bin/env bash
# Times split jobs through the program's real main window, converter and
# engine under Wine, side by side with what the same work costs without the
# job: one engine pass over the whole range, the same converter command lines
# run back to back from a shell, the contract's order handed to the engine
# directly, N bare engine starts and a plain copy of the source file. Prints
# each time and the ratios. Not a test: nothing here passes or fails.
#
#   bench/run.sh                      # everything (about half an hour on 2 cores)
#   BENCH_SOURCES=short BENCH_SECTIONS=10 BENCH_MODES=copy bench/run.sh
#
# Sources are made once by the host's ffmpeg into bench/media/ (git-ignored):
#   long   600 s 1280x720 H.264 30 fps, a keyframe every 10 s, AAC
#   short  180 s  640x360 H.264 25 fps, a keyframe every 10 s, AAC
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/wine-env.sh"
ROOT=$KORVANE_ROOT
MEDIA=$ROOT/bench/media
WORK=$ROOT/bench/work
SECTIONS=${BENCH_SECTIONS:-"6 10"}
SOURCES=${BENCH_SOURCES:-"long short"}
MODES=${BENCH_MODES:-"encode copy"}
mkdir -p "$MEDIA" "$WORK"

make_source() { # name seconds size rate
  local f=$MEDIA/$1.mp4
  [[ -f $f ]] && return
  echo "bench: making $1.mp4 ($2 s $3)..." >&2
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=$3:rate=$4:duration=$2" \
    -f lavfi -i "sine=frequency=440:duration=$2:sample_rate=48000" \
    -c:v libx264 -preset veryfast -g $((10 * $4)) -keyint_min $((10 * $4)) -sc_threshold 0 -pix_fmt yuv420p \
    -c:a aac -b:a 128k "$f.part.mp4"
  mv "$f.part.mp4" "$f"
}
for s in $SOURCES; do
  case $s in
    long) make_source long 600 1280x720 30 ;;
    short) make_source short 180 640x360 25 ;;
    *) echo "unknown source $s" >&2; exit 2 ;;
  esac
done

cmake --build "$ROOT/build/win" --target korvane_bench >/dev/null
BENCH_EXE=$ROOT/build/win/bench/korvane_bench.exe
DIST=$ROOT/build/win/Korvane

# A program folder of the bench's own: the shipped converter, engine and
# profiles, and preferences that overwrite without asking and open nothing.
PROG=$WORK/prog
rm -rf "$PROG"
mkdir -p "$PROG"
ln "$DIST/wmaspi.dll" "$PROG/" 2>/dev/null || cp "$DIST/wmaspi.dll" "$PROG/"
ln "$DIST/kvengine.exe" "$PROG/" 2>/dev/null || cp "$DIST/kvengine.exe" "$PROG/"
cp -r "$DIST/Profiles" "$PROG/"
printf '[Main]\r\nPreview=0\r\nOverwrite=1\r\nAptotic=0\r\nAuto Open Dir=0\r\nAuto Exit=0\r\nAuto Turn Off=0\r\nProfile=0\r\n' \
  >"$PROG/Preferences.ini"
WPROG=$(winepath -w "$PROG")

source "$ROOT/scripts/with-display.sh"
wineserver -p 2>/dev/null || true
cleanup() {
  wineserver -k 2>/dev/null || true
  [[ -n ${KORVANE_XVFB_PID:-} ]] && kill "$KORVANE_XVFB_PID" 2>/dev/null
  true
}
trap cleanup EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

value() { sed -n "s/^$1=//p" | tr -d '\r' | head -1; }
min() { printf '%s\n' "$@" | sort -g | head -1; }
run_batch() { wine "$BENCH_EXE" run "$(winepath -w "$1")" </dev/null 2>/dev/null | value seconds; }
# Runs a batch of clips into an empty output folder and warns when a clip is missing.
run_clips() { # batch count
  rm -f "$WORK/out"/*
  run_batch "$1"
  local made
  made=$(find "$WORK/out" -type f -size +0 | wc -l)
  ((made >= $2)) || echo "bench: $(basename "$1") made $made of $2 files" >&2
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
# Turns command lines (each starting with a blank) into a batch file for a program.
to_batch() { # lines-file program-path out-batch
  PROGRAM=$2 awk '{ sub(/\r$/, ""); printf "\"%s\"%s >NUL 2>&1\r\n", ENVIRON["PROGRAM"], $0 }' "$1" >"$3"
}
repeat_batch() { # count command out-batch
  : >"$3"
  for ((i = 0; i < $1; i++)); do printf '%s >NUL 2>&1\r\n' "$2" >>"$3"; done
}

printf '%-6s %-6s %3s | %8s %8s %6s | %8s %6s | %8s %6s | %7s %6s %6s | %s\n' \
  source mode N job onepass ratio shell ratio contract ratio starts cp ratio "per start: engine / front-end"
for s in $SOURCES; do
  src=$MEDIA/$s.mp4
  wsrc=$(winepath -w "$src")
  end=$([[ $s == long ]] && echo 00:10:00 || echo 00:03:00)
  # cp of the source, the floor of any copy.
  t0=$(date +%s.%N); cp "$src" "$WORK/copy.mp4"; sync "$WORK/copy.mp4"; t1=$(date +%s.%N); rm -f "$WORK/copy.mp4"
  cp_time=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
  for m in $MODES; do
    profile=$([[ $m == encode ]] && echo "AVI video, MPEG-4 and MP3" || echo "Settings of the source file.")
    pass_time=
    for n in $SECTIONS; do
      out=$WORK/out
      rm -rf "$out"; mkdir -p "$out"
      lines=$WORK/lines.txt
      # Copies take a second or two, where the machine's noise shows most:
      # the best of three runs of each. Encodes run once.
      rounds=$([[ $m == copy ]] && echo "${BENCH_COPY_ROUNDS:-3}" || echo 1)
      jobs=() shells=() contracts=() passes=() starts=() festarts=()
      for ((r = 0; r < rounds; r++)); do
        job=$(wine "$BENCH_EXE" job "$WPROG" "$wsrc" "$end" "$n" "$profile" "$(winepath -w "$out")" \
          "$(winepath -w "$lines")" </dev/null 2>/dev/null)
        jobs+=("$(value seconds <<<"$job")")
        grep -q "result=Completed" <<<"$job" || echo "bench: the job did not complete: $job" >&2
        head -n "$n" "$lines" >"$WORK/clips.txt"
        tail -n 1 "$lines" >"$WORK/pass.txt"
        to_batch "$WORK/clips.txt" "$WPROG\\wmaspi.dll" "$WORK/shell.bat"
        to_batch "$WORK/clips.txt" "$WPROG\\kvengine.exe" "$WORK/contract.bat"
        to_batch "$WORK/pass.txt" "$WPROG\\kvengine.exe" "$WORK/pass.bat"
        repeat_batch "$n" "\"$WPROG\\kvengine.exe\" -hide_banner -version" "$WORK/starts.bat"
        repeat_batch "$n" "\"$WPROG\\wmaspi.dll\"" "$WORK/festarts.bat"
        [[ -n $pass_time && $m == encode ]] || passes+=("$(run_clips "$WORK/pass.bat" 1)")
        shells+=("$(run_clips "$WORK/shell.bat" "$n")")
        contracts+=("$(run_clips "$WORK/contract.bat" "$n")")
        starts+=("$(run_batch "$WORK/starts.bat")")
        festarts+=("$(run_batch "$WORK/festarts.bat")")
      done
      job_time=$(min "${jobs[@]}")
      ((${#passes[@]})) && pass_time=$(min "${passes[@]}")
      shell_time=$(min "${shells[@]}")
      contract_time=$(min "${contracts[@]}")
      starts_time=$(min "${starts[@]}")
      festarts_time=$(min "${festarts[@]}")
      floor=$(awk -v a="$cp_time" -v b="$starts_time" 'BEGIN { print a + b }')
      printf '%-6s %-6s %3s | %8s %8s %6s | %8s %6s | %8s %6s | %7s %6s %6s | %.3f / %.3f s\n' \
        "$s" "$m" "$n" "$job_time" "$pass_time" "$(ratio "$job_time" "$pass_time")" \
        "$shell_time" "$(ratio "$job_time" "$shell_time")" \
        "$contract_time" "$(ratio "$contract_time" "$pass_time")" \
        "$starts_time" "$cp_time" "$(ratio "$job_time" "$floor")" \
        "$(awk -v t="$starts_time" -v n="$n" 'BEGIN { print t / n }')" \
        "$(awk -v t="$festarts_time" -v n="$n" 'BEGIN { print t / n }')"
    done
  done
done
cat <<'NOTE'

job       the split job through the main window (Start to its last message)
onepass   the engine once over the whole range, same settings; ratio = job / onepass (target 1.15 re-encoding)
shell     the job's converter command lines back to back in cmd.exe; ratio = job / shell (target 1.05)
contract  the same command lines given to the engine itself (input then -ss); ratio = contract / onepass
starts    N bare engine starts; cp = copy of the source; ratio = job / (cp + starts) (target 1.5 for copies)
NOTE
