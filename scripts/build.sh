#!/usr/bin/env bash
# Builds the Windows program folder with its tests (build/win) and the
# windows.h-free code natively under sanitizers (build/host).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=${JOBS:-$(nproc)}
# Configure every time: a source folder that appears (a new subsystem's
# CMakeLists.txt) is only seen by a fresh configure, and one costs seconds.
cmake -S "$ROOT" -B "$ROOT/build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$ROOT/build/win" -j "$JOBS"
if [[ ${KORVANE_SKIP_HOST:-0} != 1 ]]; then
  cmake -S "$ROOT" -B "$ROOT/build/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$ROOT/build/host" -j "$JOBS"
fi
