#!/usr/bin/env bash
# Builds the converter's engine (kvengine.exe) from Debian 12's maintained
# source packages: ffmpeg with x264, LAME, dav1d and zlib, cross-compiled for
# 32-bit Windows, static, large-address-aware, with only the parts listed in
# parts.txt.
#
#   converter/engine/build.sh DEST           put the engine and its licence texts into DEST
#   converter/engine/build.sh --force DEST   build it again even when the cache has it
#   converter/engine/build.sh --key          print the key of the engine this machine builds
#
# Results are cached outside the repository ($KORVANE_CACHE, by default
# ~/.cache/korvane/engine): the libraries under a key made of their source
# packages' exact versions, the steps that build them and the compiler; the
# engine under a key made of those, ffmpeg's version, the parts and this
# script. A machine builds each once; a security update of any source package
# makes a new key, a change of the parts rebuilds ffmpeg alone. A build that
# stopped half-way goes on from its last finished step.
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
FORCE=0
KEY_ONLY=0
case ${1:-} in
  --force) FORCE=1; shift ;;
  --key) KEY_ONLY=1 ;;
esac
[[ $KEY_ONLY == 1 ]] || DEST=${1:?usage: build.sh [--force] DEST | --key}
CACHE_ROOT=${KORVANE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvane}/engine
LIBRARIES=(x264 lame dav1d zlib)
HOST=i686-w64-mingw32
CC=$HOST-gcc-posix
CXX=$HOST-g++-posix
JOBS=${JOBS:-$(nproc)}
SUDO=; [[ $(id -u) == 0 ]] || SUDO=sudo

say() { echo "engine: $*"; }

# --- Which sources -----------------------------------------------------------

# The source package's description file as the archive lists it:
# "'<uri>' <name>.dsc <size> SHA256:<sum>"; empty when there is none.
declare -A DSC=()
source_uris() {
  [[ -n ${DSC[$1]:-} ]] || DSC[$1]=$(apt-get source --print-uris -qq "$1" 2>/dev/null | grep -E "\.dsc' " || true)
  echo "${DSC[$1]}"
}
# apt-get source needs source entries for the suites the machine installs
# from; they are added beside the binary ones once.
ensure_source_entries() {
  [[ -n $(source_uris ffmpeg) ]] && return
  say "adding Debian source entries (deb-src) for the machine's suites"
  local list=/etc/apt/sources.list.d/korvane-sources tmp f
  tmp=$(mktemp -d)
  # deb822 files: each stanza whose types include "deb", again as "deb-src".
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -f $f && $f != "$list.sources" ]] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         { n = split($0, lines, "\n"); binary = 0
           for (i = 1; i <= n; i++)
             if (lines[i] ~ /^Types:/ && (" " substr(lines[i], 7) " ") ~ / deb /) binary = 1
           if (!binary) next
           out = ""
           for (i = 1; i <= n; i++)
             out = out (lines[i] ~ /^Types:/ ? "Types: deb-src" : lines[i]) "\n"
           printf "%s\n", out }' "$f" >>"$tmp/sources"
  done
  # One-line files: "deb ..." lines again as "deb-src ...".
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f $f && $f != "$list.list" ]] || continue
    { grep -E '^[[:space:]]*deb[[:space:]]' "$f" || true; } | sed 's/^[[:space:]]*deb[[:space:]]/deb-src /' \
      >>"$tmp/list"
  done
  [[ ! -s $tmp/sources ]] || $SUDO cp "$tmp/sources" "$list.sources"
  [[ ! -s $tmp/list ]] || $SUDO cp "$tmp/list" "$list.list"
  rm -rf "$tmp"
  $SUDO apt-get update -qq >/dev/null
  [[ -n $(source_uris ffmpeg) ]] || { say "no source package for ffmpeg after adding deb-src entries"; exit 1; }
}
# The versions of a source package the machine knows of, newest first.
versions() { apt-cache showsrc --only-source "$1" | sed -n 's/^Version: //p' | sort -ruV; }
# The newest version the archive really serves: a mirror may list a security
# update whose files it does not carry yet. Asks the network.
fetchable_version() {
  local v uri
  for v in $(versions "$1"); do
    uri=$(source_uris "$1=$v" | awk '{ print $1 }' | tr -d "'")
    [[ -n $uri ]] || continue
    if ! command -v curl >/dev/null || curl -sfI -o /dev/null --max-time 20 "$uri"; then
      echo "$v"
      return
    fi
  done
  say "no version of the source package $1 can be fetched" >&2
  return 1
}

# --- The libraries -------------------------------------------------------------

# Debian's zlib source has no Windows makefile; the library is its C files.
build_zlib() {
  cd "$(srcdir zlib)"
  local c
  for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees \
           trees uncompr zutil; do
    "$CC" -O2 -c "$c.c" -o "$c.o"
  done
  mkdir -p "$PREFIX/lib" "$PREFIX/include"
  $HOST-ar rcs "$PREFIX/lib/libz.a" ./*.o
  cp zlib.h zconf.h "$PREFIX/include/"
  sed -n '/Copyright (C)/,/madler@alumni.caltech.edu/p' zlib.h >"$PREFIX/licences/zlib.txt"
}
build_x264() {
  cd "$(srcdir x264)"
  CC=$CC ./configure --host=$HOST --cross-prefix=$HOST- --prefix="$PREFIX" --enable-static \
    --disable-cli --bit-depth=8 --disable-opencl --disable-lavf --disable-swscale --disable-ffms \
    --disable-gpac --disable-lsmash
  make -j "$JOBS"
  make install
}
build_lame() {
  cd "$(srcdir lame)"
  ./configure --host=$HOST --prefix="$PREFIX" CC="$CC" --enable-static --disable-shared \
    --disable-frontend --disable-decoder --disable-gtktest
  make -j "$JOBS"
  make install
}
build_dav1d() {
  cd "$(srcdir dav1d)"
  printf '%s\n' "[binaries]" "c = '$CC'" "cpp = '$CXX'" "ar = '$HOST-ar'" "strip = '$HOST-strip'" \
    "windres = '$HOST-windres'" "[host_machine]" "system = 'windows'" "cpu_family = 'x86'" "cpu = 'i686'" \
    "endian = 'little'" >"$WORK/cross.txt"
  rm -rf build
  meson setup build --cross-file "$WORK/cross.txt" --prefix="$PREFIX" --libdir=lib \
    --default-library=static --buildtype=release -Denable_tools=false -Denable_tests=false
  ninja -C build -j "$JOBS" install
  cp COPYING "$PREFIX/licences/dav1d.txt"
}

# --- ffmpeg --------------------------------------------------------------------

# parts.txt's "kind: a b c" lines as --enable-kind=a,b,c.
PARTS=()
while IFS= read -r line; do
  line=${line%%#*}
  [[ $line =~ ^[[:space:]]*([a-z]+):[[:space:]]*(.*)$ ]] || continue
  names=$(echo "${BASH_REMATCH[2]}" | xargs | tr ' ' ',')
  [[ -z $names ]] || PARTS+=("--enable-${BASH_REMATCH[1]}=$names")
done <"$HERE/parts.txt"
configure_options() { # prefix libraries
  local options=(--prefix="$1" --arch=x86 --target-os=mingw32 --cross-prefix=$HOST-
    --cc="$CC" --cxx="$CXX" --pkg-config=pkg-config --pkg-config-flags=--static
    --enable-static --disable-shared --enable-gpl
    --disable-everything --disable-autodetect --disable-network
    --disable-doc --disable-ffplay --disable-ffprobe --disable-avdevice --disable-postproc --disable-debug
    --enable-w32threads --enable-zlib --enable-libx264 --enable-libmp3lame --enable-libdav1d
    --extra-cflags="-I$2/include" --extra-ldflags="-L$2/lib -static -Wl,--large-address-aware"
    "${PARTS[@]}")
  printf '%s\n' "${options[@]}"
}
configure_ffmpeg() {
  cd "$(srcdir ffmpeg)"
  local options
  mapfile -t options < <(configure_options "$PREFIX" "$LIBS")
  PKG_CONFIG_LIBDIR=$LIBS/lib/pkgconfig ./configure "${options[@]}" | tee "$WORK/configure.out"
  # A part named in parts.txt that this ffmpeg does not know is a mistake in
  # the list, not something to pass over.
  ! grep "did not match anything" "$WORK/configure.out"
}
# The program, and its libraries with their headers: the converter's own
# code reads and writes clips with them.
build_ffmpeg() {
  cd "$(srcdir ffmpeg)"
  make -j "$JOBS" ffmpeg.exe
  make install-libs install-headers
}

# --- Keys ----------------------------------------------------------------------

dsc_lines() { local p; for p in "$@"; do source_uris "$p" | awk '{ print $2, $4 }'; done; }
libraries_key() { # package=version...
  { dsc_lines "$@"; declare -f build_zlib build_x264 build_lame build_dav1d; $CC --version | head -n 1; } |
    sha256sum | cut -c1-16
}
engine_key() { # ffmpeg=version libraries-key
  { dsc_lines "$1"; echo "$2"; cat "$HERE/parts.txt" "$HERE/build.sh"; } | sha256sum | cut -c1-16
}
# Sets LIBS_KEY and KEY for the given versions (package=version, ffmpeg first).
keys_for() {
  LIBS_KEY=$(libraries_key "${@:2}")
  KEY=$(engine_key "$1" "$LIBS_KEY")
}

# What the engine in DEST was made from, as far as it is known without asking
# apt: the package lists apt has, the parts, this script and the compiler.
# While they stay the same, so does the engine, and nothing is looked up.
inputs() {
  { ls -l --time-style=full-iso /var/lib/apt/lists/ 2>/dev/null | grep -E '_Sources$' || true
    cat "$HERE/parts.txt" "$HERE/build.sh"; $CC --version | head -n 1; } | sha256sum | cut -c1-16
}
if [[ $KEY_ONLY == 0 && $FORCE == 0 && -f $DEST/kvengine.exe && -f $DEST/.inputs \
      && $(cat "$DEST/.inputs") == "$(inputs)" ]]; then
  exit 0
fi

ensure_source_entries
# The newest versions first, known without the network: when the cache has
# their engine, nothing is fetched.
PICKED=()
for p in ffmpeg "${LIBRARIES[@]}"; do PICKED+=("$p=$(versions "$p" | head -n 1)"); done
keys_for "${PICKED[@]}"
# Where the archive did not serve the newest versions, the versions it did
# serve were noted under the newest ones' key.
NEWEST_KEY=$KEY
RESOLVED=$CACHE_ROOT/resolved-$NEWEST_KEY
if [[ $FORCE == 0 && ! -f $CACHE_ROOT/$KEY/kvengine.exe && -f $RESOLVED ]]; then
  mapfile -t PICKED <"$RESOLVED"
  keys_for "${PICKED[@]}"
fi
if [[ $KEY_ONLY == 0 && ( $FORCE == 1 || ! -f $CACHE_ROOT/$KEY/kvengine.exe ) ]]; then
  PICKED=()
  for p in ffmpeg "${LIBRARIES[@]}"; do
    v=$(fetchable_version "$p")
    PICKED+=("$p=$v")
  done
  keys_for "${PICKED[@]}"
  mkdir -p "$CACHE_ROOT"
  printf '%s\n' "${PICKED[@]}" >"$RESOLVED"
fi
if [[ $KEY_ONLY == 1 ]]; then echo "$KEY"; exit 0; fi
CACHED=$CACHE_ROOT/$KEY

install_engine() {
  mkdir -p "$DEST/Licences"
  cp "$CACHED/kvengine.exe" "$DEST/kvengine.exe.part"
  mv -f "$DEST/kvengine.exe.part" "$DEST/kvengine.exe"
  rm -f "$DEST"/Licences/*
  cp "$CACHED"/Licences/* "$DEST/Licences/"
  # The converter front-end links the same libraries, built the same way.
  rm -rf "$DEST/sdk"
  cp -r "$CACHED/sdk" "$DEST/sdk"
  inputs >"$DEST/.inputs"
}
if [[ $FORCE == 0 && -f $CACHED/kvengine.exe ]]; then
  install_engine
  exit 0
fi

# --- Building ------------------------------------------------------------------

mkdir -p "$CACHE_ROOT"
exec 9>"$CACHE_ROOT/.lock"
flock 9
# Another build may have finished while this one waited.
if [[ $FORCE == 0 && -f $CACHED/kvengine.exe ]]; then
  install_engine
  exit 0
fi
# Unfinished work of other keys is of no more use.
find "$CACHE_ROOT" -mindepth 1 -maxdepth 1 -name 'work-*' ! -name "work-$KEY" ! -name "work-libs-$LIBS_KEY" \
  -exec rm -rf {} +

fail() { say "$1 failed; the last lines of $LOG:"; tail -n 40 "$LOG"; exit 1; }
# run NAME TEXT COMMAND...: runs a step of the work folder $WORK unless an
# earlier run finished it, with its output in $LOG.
run() {
  local name=$1 text=$2; shift 2
  [[ ! -f $WORK/.done-$name ]] || return 0
  say "$text"; echo "=== $text" >>"$LOG"
  # Not as "(...) || fail": that would switch errexit off inside the step.
  set +e
  (set -e; "$@") >>"$LOG" 2>&1
  local status=$?
  set -e
  ((status == 0)) || fail "$text"
  touch "$WORK/.done-$name"
  echo $(($(date +%s) - START)) >"$WORK/.seconds"
}
# begin NAME: a work folder of that name, kept from an earlier run unless forced.
begin() {
  WORK=$CACHE_ROOT/work-$1
  [[ $FORCE == 0 ]] || rm -rf "$WORK"
  mkdir -p "$WORK/src"
  LOG=$WORK/build.log
  [[ -f $WORK/.seconds ]] || echo 0 >"$WORK/.seconds"
  START=$(($(date +%s) - $(cat "$WORK/.seconds")))
}
srcdir() { find "$WORK/src" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n 1; }
fetch() { cd "$WORK/src" && apt-get source -qq "$@"; }
TOTAL_START=$(date +%s)

LIBS=$CACHE_ROOT/libs-$LIBS_KEY
if [[ $FORCE == 1 || ! -f $LIBS/.complete ]]; then
  begin "libs-$LIBS_KEY"
  PREFIX=$WORK/prefix
  mkdir -p "$PREFIX/licences"
  run fetch "fetching the libraries' sources (${PICKED[*]:1})" fetch "${PICKED[@]:1}"
  run zlib "building zlib" build_zlib
  run x264 "building x264" build_x264
  run lame "building LAME" build_lame
  run dav1d "building dav1d" build_dav1d
  rm -rf "$LIBS"
  mv "$PREFIX" "$LIBS"
  touch "$LIBS/.complete"
  rm -rf "$WORK"
fi

begin "$KEY"
PREFIX=$WORK/prefix
run fetch "fetching ffmpeg's source (${PICKED[0]})" fetch "${PICKED[0]}"
run configure "configuring ffmpeg" configure_ffmpeg
run ffmpeg "building ffmpeg" build_ffmpeg

FFMPEG_SRC=$(srcdir ffmpeg)
OUT=$WORK/out
rm -rf "$OUT"
mkdir -p "$OUT/Licences" "$OUT/sdk"
$HOST-strip -o "$OUT/kvengine.exe" "$FFMPEG_SRC/ffmpeg.exe"
headers=$($HOST-objdump -p "$OUT/kvengine.exe")
[[ $headers == *"large address aware"* ]] || { say "kvengine.exe is not large-address-aware"; exit 1; }
cp -r "$PREFIX/include" "$PREFIX/lib" "$OUT/sdk/"
cp -r "$LIBS/include" "$LIBS/lib" "$OUT/sdk/"

# What whoever passes the engine on must give with it: the licences, and
# where the exact source and the way it was built are found.
cp "$FFMPEG_SRC/COPYING.GPLv2" "$OUT/Licences/GPL-2.txt"
cp "$FFMPEG_SRC/COPYING.LGPLv2.1" "$OUT/Licences/LGPL-2.1.txt"
cp "$LIBS/licences/dav1d.txt" "$LIBS/licences/zlib.txt" "$OUT/Licences/"
{
  echo "kvengine.exe, the engine behind Korvane's converter (wmaspi.dll)"
  echo
  echo "It is ffmpeg built with x264, LAME, dav1d and zlib, from these Debian 12 source"
  echo "packages, unchanged but for Debian's own patches:"
  for p in "${PICKED[@]}"; do
    source_uris "$p" | awk '{ print "  " $2 }' | sed 's/\.dsc$//'
  done
  echo
  echo "Licence: the GNU General Public License, version 2 or later (GPL-2.txt), since"
  echo "x264 is under it and ffmpeg is built with --enable-gpl. LAME is under the LGPL"
  echo "2.1 or later (LGPL-2.1.txt), dav1d under a BSD licence (dav1d.txt), zlib under"
  echo "the zlib licence (zlib.txt). The packages' source is at https://sources.debian.org"
  echo "and in Debian's archive under the names and versions above; Korvane's own source"
  echo "has the script that built this engine (converter/engine/build.sh) and its parts"
  echo "(converter/engine/parts.txt). ffmpeg was configured with:"
  echo
  configure_options "<prefix>" "<libraries>" | sed 's/^/  /'
} | sed 's/$/\r/' >"$OUT/Licences/kvengine.txt"
echo $(($(date +%s) - TOTAL_START)) >"$OUT/build-seconds"

rm -rf "$CACHED"
mv "$OUT" "$CACHED"
rm -rf "$WORK"
# The cache keeps the three newest engines (another branch's parts, say) and
# the two newest sets of libraries.
prune() { # pattern keep
  find "$CACHE_ROOT" -mindepth 1 -maxdepth 1 -type d -name "$1" -printf '%T@ %p\n' | sort -rn |
    tail -n +$(($2 + 1)) | cut -d' ' -f2- | xargs -r rm -rf
}
prune '[0-9a-f]*' 3
prune 'libs-*' 2
say "built in $(cat "$CACHED/build-seconds") s ($CACHED)"
install_engine
