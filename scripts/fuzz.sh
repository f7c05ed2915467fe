#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ natively with clang (build/fuzz) and
# runs every one RUNS times (ten million by default) at a low priority, in
# SLICES processes per target (default: JOBS) that share the target's corpus,
# JOBS processes at a time (default: the machine's cores). The seconds printed
# are the slices' seconds added up. Prints runs and crashes per target;
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

# One slice of a target's runs. The slices of a target share its working
# corpus and its findings, so that a slow target is spread over every core.
run_slice() {
  local name=$1 slice=$2 exe=$BUILD/fuzz/${1}_fuzz
  local work=$BUILD/corpus/$name findings=$BUILD/findings/$name log=$BUILD/logs/$name.$2.log
  local begin=$SECONDS
  local seeds=() flags=()
  read -r -a flags < <(sed -n 's|^// libFuzzer: *||p' "$ROOT/fuzz/${name}_fuzz.cpp" | head -n 1)
  [[ -d $ROOT/fuzz/corpus/$name ]] && seeds=("$ROOT/fuzz/corpus/$name")
  # New inputs go into the working corpus; the committed seeds stay as they are.
  nice -n "$NICE" "$exe" -runs="$SLICE_RUNS" -max_len="$MAX_LEN" -timeout="$TIMEOUT" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "${flags[@]}" "$work" "${seeds[@]}" >"$log" 2>&1 || true
  echo $((SECONDS - begin)) >"$log.seconds"
}
export -f run_slice

SLICES=${SLICES:-$JOBS}
SLICE_RUNS=$(((RUNS + SLICES - 1) / SLICES))
export BUILD ROOT SLICE_RUNS NICE MAX_LEN TIMEOUT
for name in "${names[@]}"; do
  rm -rf "$BUILD/findings/$name" "$BUILD/logs/$name".*
  mkdir -p "$BUILD/corpus/$name" "$BUILD/findings/$name" "$BUILD/logs"
done

start=$SECONDS
for name in "${names[@]}"; do
  for ((i = 1; i <= SLICES; i++)); do echo "$name $i"; done
done | xargs -P "$JOBS" -L 1 bash -c 'run_slice "$1" "$2"' _

status=0
printf '%-22s %14s %8s %8s\n' target runs crashes seconds
for name in "${names[@]}"; do
  runs=0 seconds=0
  for log in "$BUILD/logs/$name".*.log; do
    n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    # A crash ends a run before the final figures; its "#N" lines still count.
    [[ -n $n ]] || n=$(grep -o '^#[0-9]*' "$log" | tail -n 1 | tr -d '#')
    runs=$((runs + ${n:-0}))
    seconds=$((seconds + $(cat "$log.seconds")))
  done
  crashes=$(find "$BUILD/findings/$name" -type f | wc -l)
  ((crashes == 0)) || status=1
  printf '%-22s %14s %8s %8s\n' "$name" "$runs" "$crashes" "$seconds"
done
echo "($((SECONDS - start)) s; logs in build/fuzz/logs, findings in build/fuzz/findings)"
exit $status
