#!/usr/bin/env bash
# Pictures of every window skinned and with the skin switched off, each pair
# side by side in build/skin-screens/<window>.png (skinned left, plain right).
# With a source file as argument it is loaded first, its folder the output
# folder (a source and folder named in other scripts show their names).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/scripts/wine-env.sh"
cmake --build "$ROOT/build/win" --target skin_look >/dev/null
source "$ROOT/scripts/with-display.sh"
trap '[[ -n ${KORVANE_XVFB_PID:-} ]] && kill "$KORVANE_XVFB_PID" 2>/dev/null; true' EXIT
OUT="$ROOT/build/skin-screens"
rm -rf "$OUT" && mkdir -p "$OUT"
SOURCE=()
[[ -n ${1:-} ]] && SOURCE=("$(winepath -w "$1")")
wine "$ROOT/build/win/bench/skin_look.exe" screens "$(winepath -w "$OUT")" "${SOURCE[@]}" >/dev/null 2>&1 </dev/null
for skinned in "$OUT"/*-skinned.bmp; do
  name=$(basename "$skinned" -skinned.bmp)
  if [[ ! -f $OUT/$name-plain.bmp ]]; then
    convert "$skinned" "$OUT/$name.png" && rm -f "$skinned" && echo "$OUT/$name.png"
    continue
  fi
  montage "$skinned" "$OUT/$name-plain.bmp" -tile 2x1 -geometry +8+8 -background '#808080' "$OUT/$name.png"
  rm -f "$skinned" "$OUT/$name-plain.bmp"
  echo "$OUT/$name.png"
done
