#!/usr/bin/env bash
# Prepares a Debian 12 machine for building, running and testing Korvane.
# Quick and quiet when everything is already in place.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
ROOT=$KORVANE_ROOT
DEPS="$ROOT/.deps"
mkdir -p "$DEPS"
LOG="$DEPS/setup.log"

# nsis makes the installer; clang with its runtime libraries builds the fuzz
# targets (scripts/fuzz.sh). dpkg-dev fetches Debian's source packages for the
# converter's engine; nasm, meson and pkgconf build it. The host's own
# libav* (the engine's version) build the converter's library code natively,
# for the sanitizer tests and fuzzing.
# pulseaudio stands in for a desktop's sound server (scripts/sound-server.sh);
# Wine's 32-bit audio driver reaches it through the i386 client library.
PACKAGES=(cmake ninja-build make googletest g++-mingw-w64-i686-posix fp-utils-3.2.2
  nsis clang libclang-rt-dev
  wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils imagemagick ffmpeg
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-bad:i386 gstreamer1.0-libav:i386
  pulseaudio pulseaudio-utils libpulse0:i386
  dpkg-dev nasm meson pkgconf
  libavformat-dev libavcodec-dev libavutil-dev)

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${#missing[@]} packages (a few minutes)..."
  SUDO=; [[ $(id -u) == 0 ]] || SUDO=sudo
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq >>"$LOG" 2>&1
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >>"$LOG" 2>&1 || { tail -n 30 "$LOG"; exit 1; }
fi

# The converter's engine, built from Debian's source packages (about ten
# minutes the first time; then taken from the cache outside the repository).
"$ROOT/converter/engine/build.sh" "$DEPS/engine"

# The project's own Wine prefix, quiet and without mono/gecko prompts.
if [[ ! -f $WINEPREFIX/.korvane-ready ]]; then
  echo "setup: creating the Wine prefix..."
  rm -rf "$WINEPREFIX"
  wineboot -i >>"$LOG" 2>&1
  wine reg import "$ROOT/scripts/wine-settings.reg" >>"$LOG" 2>&1
  wineserver -w
  touch "$WINEPREFIX/.korvane-ready"
fi
# Wine's fonts: Debian's Wine does not load them from its own folder. "MS Sans
# Serif" comes from the bitmap font, whose metrics are those of the Windows
# font the windows are laid out for (the outline stand-in is wider).
FONTS="$WINEPREFIX/drive_c/windows/Fonts"
if [[ ! -f $FONTS/sserife.fon ]]; then
  mkdir -p "$FONTS"
  for f in /usr/share/wine/fonts/*.ttf; do
    [[ $(basename "$f") == ms_sans_serif.ttf ]] || cp "$f" "$FONTS/"
  done
  cp /usr/share/wine/fonts/sserife.fon /usr/share/wine/fonts/smalle.fon "$FONTS/"
  rm -f "$FONTS/ms_sans_serif.ttf"
  # Let Wine take in the new fonts once, now, not in the first test.
  wine cmd /c exit </dev/null >>"$LOG" 2>&1 || true
  wineserver -w
fi

# A second prefix as Wine makes it, without that font set-up: the windows'
# face then maps to another, wider one (as on a system of another language
# edition). The text-fit test walks every window there too.
PLAIN="$ROOT/.wine-plain-fonts"
if [[ ! -f $PLAIN/.korvane-ready ]]; then
  echo "setup: creating the plain-fonts Wine prefix..."
  rm -rf "$PLAIN"
  WINEPREFIX=$PLAIN wineboot -i >>"$LOG" 2>&1
  WINEPREFIX=$PLAIN wine reg import "$ROOT/scripts/wine-settings.reg" >>"$LOG" 2>&1
  WINEPREFIX=$PLAIN wineserver -w
  touch "$PLAIN/.korvane-ready"
fi

# Sample media for `make run` and for the tests.
MEDIA="$DEPS/media"
mkdir -p "$MEDIA"
if [[ ! -f $MEDIA/sample.avi ]]; then
  echo "setup: making the sample video..."
  ffmpeg -v error -y -f lavfi -i "testsrc=duration=20:size=320x240:rate=25" \
    -f lavfi -i "sine=frequency=440:duration=20" \
    -c:v mpeg4 -q:v 4 -c:a libmp3lame -b:a 96k "$MEDIA/sample.avi.part.avi"
  mv "$MEDIA/sample.avi.part.avi" "$MEDIA/sample.avi"
fi
