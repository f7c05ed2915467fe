#!/bin/sh
# Re-makes the program's pictures with a small host program: the main
# window's pictures in data/art/, the built-in skin in data/skin/.
#   tools/make-artwork.sh          build the generator and write the pictures
#   tools/make-artwork.sh --check  also fail when data/art/ or data/skin/ differs from a fresh run
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
work=${TMPDIR:-/tmp}/korvane-artwork.$$
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/art" "$work/skin"
${CXX:-g++} -std=c++20 -O2 -Wall -Wextra -Wshadow -Werror \
    "$root"/tools/artwork/*.cpp -o "$work/korvane-artwork"
"$work/korvane-artwork" "$work/art" "$work/skin"
for d in art skin; do
    if [ "${1:-}" = "--check" ]; then
        for f in "$work/$d"/*; do
            cmp -s "$f" "$root/data/$d/$(basename "$f")" || { echo "differs: data/$d/$(basename "$f")"; exit 1; }
        done
        echo "data/$d/ is up to date"
    else
        mkdir -p "$root/data/$d"
        cp "$work/$d"/* "$root/data/$d/"
        ls -l "$root/data/$d"
    fi
done
