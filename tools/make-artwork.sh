#!/bin/sh
# Re-makes the program's pictures in data/art/ with a small host program.
#   tools/make-artwork.sh          build the generator and write the pictures
#   tools/make-artwork.sh --check  also fail when data/art/ differs from a fresh run
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
work=${TMPDIR:-/tmp}/korvane-artwork.$$
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out"
${CXX:-g++} -std=c++20 -O2 -Wall -Wextra -Wshadow -Werror \
    "$root"/tools/artwork/*.cpp -o "$work/korvane-artwork"
"$work/korvane-artwork" "$work/out"
if [ "${1:-}" = "--check" ]; then
    for f in "$work"/out/*; do
        cmp -s "$f" "$root/data/art/$(basename "$f")" || { echo "differs: data/art/$(basename "$f")"; exit 1; }
    done
    echo "data/art/ is up to date"
else
    mkdir -p "$root/data/art"
    cp "$work"/out/* "$root/data/art/"
    ls -l "$root/data/art"
fi
