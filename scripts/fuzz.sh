#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ natively with clang (build/fuzz) and
# runs every one RUNS times (ten million by default), JOBS targets at a time
# (the machine's cores), at a low priority. Prints runs and crashes per target;
# inputs that crash, hang or run out of memory are kept in
# build/fuzz/findings/<name>/. Exits non-zero when any target found something.
#
#   scripts/fuzz.sh                    every target, ten million runs each
#   RUNS=100000 scripts/fuzz.sh        a quick try
#   scripts/fuzz.sh profile time_text  only these targets
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$ROOT/build/fuzz
RUNS=${RUNS:-10000000}
JOBS=${JOBS:-$(nproc)}
NICE=${NICE:-10}
# Longest input, and the time one input may take before it counts as a hang. A
# target may add its own libFuzzer flags in a comment line "// libFuzzer: ...".
MAX_LEN=${MAX_LEN:-4096}
TIMEOUT=${TIMEOUT:-10}

if [[ ! -f $BUILD/build.ninja ]]; then
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVANE_FUZZ=ON >/dev/null
fi
nice -n "$NICE" cmake --build "$BUILD" -j "$JOBS" >/dev/null

names=()
if (($#)); then
  names=("$@")
else
  for f in "$ROOT"/fuzz/*_fuzz.cpp; do
    n=$(basename "$f" .cpp)
    names+=("${n%_fuzz}")
  done
fi

run_one() {
  local name=$1 exe=$BUILD/fuzz/${1}_fuzz
  local work=$BUILD/corpus/$name findings=$BUILD/findings/$name log=$BUILD/logs/$name.log
  rm -rf "$findings"
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  local begin=$SECONDS
  local seeds=() flags=()
  read -r -a flags < <(sed -n 's|^// libFuzzer: *||p' "$ROOT/fuzz/${name}_fuzz.cpp" | head -n 1)
  [[ -d $ROOT/fuzz/corpus/$name ]] && seeds=("$ROOT/fuzz/corpus/$name")
  # New inputs go into the working corpus; the committed seeds stay as they are.
  nice -n "$NICE" "$exe" -runs="$RUNS" -max_len="$MAX_LEN" -timeout="$TIMEOUT" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "${flags[@]}" "$work" "${seeds[@]}" >"$log" 2>&1 || true
  echo $((SECONDS - begin)) >"$log.seconds"
}
export -f run_one
export BUILD ROOT RUNS NICE MAX_LEN TIMEOUT

start=$SECONDS
printf '%s\n' "${names[@]}" | xargs -P "$JOBS" -I{} bash -c 'run_one "$1"' _ {}

status=0
printf '%-22s %14s %8s %8s\n' target runs crashes seconds
for name in "${names[@]}"; do
  log=$BUILD/logs/$name.log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  # A crash ends the run before the final figures; its "#N" lines still count.
  [[ -n $runs ]] || runs=$(grep -o '^#[0-9]*' "$log" | tail -n 1 | tr -d '#')
  crashes=$(find "$BUILD/findings/$name" -type f | wc -l)
  ((crashes == 0)) || status=1
  printf '%-22s %14s %8s %8s\n' "$name" "${runs:-0}" "$crashes" "$(cat "$log.seconds")"
done
echo "($((SECONDS - start)) s; logs in build/fuzz/logs, findings in build/fuzz/findings)"
exit $status
