#!/usr/bin/env bash
# The installer under Wine, in a fresh prefix of its own:
#  1. a silent installation: the program folder as shipped, the Start-menu
#     shortcut, the entry in the user's Apps list, no file types; the installed
#     program starts and closes; a silent uninstallation removes all of it,
#     also the preferences the program rewrote without the user changing them;
#  2. a silent installation with "Open with Korvane": the eight file types;
#     DLLs planted in Profiles\ and in the folder the program is started from
#     are never loaded; the user changes a preference and saves a profile of
#     their own; a silent uninstallation removes the program, the shortcut and
#     the registrations and keeps what the user changed.
#   installer-test.sh <setup.exe> <korvane_start_close.exe> <korvane_probe.dll> <shipped folder> <video>
set -euo pipefail
setup=$1 start_close=$2 probe=$3 shipped=$4 video=$5
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/korvane-installer.XXXXXX")
export WINEPREFIX
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
step() { echo "== $*"; }

# A fresh 32-bit prefix with the project's settings: a few seconds.
wineboot -i >/dev/null 2>&1
wine reg import "$KORVANE_ROOT/scripts/wine-settings.reg" >/dev/null 2>&1
wineserver -w

windows_variable() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
installed="$(winepath -u "$(windows_variable LOCALAPPDATA)" 2>/dev/null)/Programs/Korvane"
shortcut="$(winepath -u "$(windows_variable APPDATA)" 2>/dev/null)/Microsoft/Windows/Start Menu/Programs/Korvane.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane'
has_key() { wine reg query "$@" >/dev/null 2>&1; }
# The uninstaller runs on as a copy of itself; the prefix's server ends when it has.
wait_for_wine() { timeout 120 wineserver -w || fail "Wine processes still running"; }

step "silent installation into $installed"
wine "$setup" /S || fail "the installer exited with $?"
wait_for_wine
[[ -f $installed/Uninstall.exe ]] || fail "no uninstaller"
diff -r -x Uninstall.exe "$shipped" "$installed" || fail "the installed folder is not the shipped one"
(cd "$installed" && find . -type f -printf '%10s  %P\n' | sort -k2)
[[ -f $shortcut ]] || fail "no Start-menu shortcut"
wine reg query "$uninstall_key" /v UninstallString | grep -q 'Uninstall.exe' || fail "not in the Apps list"
wine reg query "$uninstall_key" /v DisplayVersion | grep -q "$(sed -n 's/^Version=//p' "$shipped/Preferences.ini" | tr -d '\r')" ||
  fail "the Apps list shows another version"
! has_key 'HKCU\Software\Classes\Korvane.Source' || fail "file types registered without being asked for"

step "the installed program starts and closes"
exe=$(winepath -w "$installed/Korvane.exe")
out=$(wine "$start_close" "$exe" 2>/dev/null | tr -d '\r')
echo "$out"
grep -q '^main window: Korvane V' <<<"$out" && grep -q '^exit code 0' <<<"$out" || fail "the program did not start and close"

step "silent uninstallation"
wine "$installed/Uninstall.exe" /S
wait_for_wine
[[ ! -e $installed ]] || { find "$installed"; fail "the program folder is left"; }
[[ ! -e $shortcut ]] || fail "the shortcut is left"
! has_key "$uninstall_key" || fail "the Apps list still shows Korvane"

step "silent installation with Open with Korvane"
wine "$setup" /S /OPENWITH || fail "the installer exited with $?"
wait_for_wine
for ext in .avi .mpg .mpeg .mp4 .wmv .mov .vob .asf; do
  wine reg query "HKCU\\Software\\Classes\\$ext\\OpenWithProgids" /v Korvane.Source >/dev/null 2>&1 ||
    fail "$ext does not offer Korvane"
  wine reg query "HKCU\\Software\\Classes\\SystemFileAssociations\\$ext\\shell\\Korvane\\command" /ve |
    grep -qi 'Korvane.exe" "%1"' || fail "$ext has no Open with Korvane command"
done

step "DLLs planted in Profiles\\ and in the current folder are never loaded"
# When the preview opens its sound output, Wine loads the sound driver its
# settings name. Named one that this build of Wine lacks, it looks for a DLL
# that no system folder holds, so a folder further down the search order
# would be asked next.
planted=(wineoss.drv)
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d oss /f >/dev/null 2>&1
start_dir="$WINEPREFIX/drive_c/start here"
mkdir -p "$start_dir"
for name in "${planted[@]}"; do
  cp "$probe" "$start_dir/$name"
  cp "$probe" "$installed/Profiles/$name"
done
marker="$WINEPREFIX/drive_c/loaded.txt"
export KORVANE_PROBE_MARKER='C:\loaded.txt'
# The plant is good: a program that keeps the usual search loads it.
(cd "$start_dir" && wine rundll32 "${planted[0]},Probe" >/dev/null 2>&1) || true
[[ -s $marker ]] || fail "the planted DLL cannot be loaded at all: the check below would prove nothing"
rm -f "$marker"
log=$WINEPREFIX/module.log
out=$(WINEDEBUG=-all,warn+module wine "$start_close" "$exe" "$(winepath -w "$start_dir")" \
  "$(winepath -w "$video")" 2>"$log" | tr -d '\r')
echo "$out"
grep -q '^exit code 0' <<<"$out" || fail "the program did not start and close"
grep -q "Failed to load module L\"${planted[0]}\"" "$log" ||
  fail "the program never looked for ${planted[0]}: nothing was shown"
[[ ! -e $marker ]] || { cat "$marker"; fail "the program loaded a planted DLL"; }
unset KORVANE_PROBE_MARKER

step "the user's changes survive a silent uninstallation"
prefs="$installed/Preferences.ini"
grep -q '^Overwrite=0' "$prefs" || fail "unexpected preferences: $(cat "$prefs")"
sed -i 's/^Overwrite=0/Overwrite=1/' "$prefs"
printf '[Main]\r\nType=mkv\r\nPara=0\r\n' >"$installed/Profiles/Mine.apf"
wine "$installed/Uninstall.exe" /S
wait_for_wine
left=$(cd "$installed" && find . -type f -printf '%P\n' | sort | tr '\n' ' ')
echo "left: $left"
[[ $left == "Preferences.ini Profiles/Mine.apf Profiles/wineoss.drv " ]] ||
  fail "the uninstaller left other files than the user's"
[[ ! -e $shortcut ]] || fail "the shortcut is left"
! has_key "$uninstall_key" || fail "the Apps list still shows Korvane"
! has_key 'HKCU\Software\Classes\Korvane.Source' || fail "the file type is left"
! has_key 'HKCU\Software\Classes\SystemFileAssociations\.mp4\shell\Korvane' || fail "Open with Korvane is left"
! wine reg query 'HKCU\Software\Classes\.avi\OpenWithProgids' /v Korvane.Source >/dev/null 2>&1 ||
  fail ".avi still offers Korvane"
echo "all checks passed"
